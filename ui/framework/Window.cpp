#include "ui/framework/Window.h"

#include "app/Application.h"

namespace {
// Coordinates are signed: a monitor left of or above the primary one gives negatives.
int LoX(LPARAM lp) { return static_cast<short>(LOWORD(lp)); }
int HiY(LPARAM lp) { return static_cast<short>(HIWORD(lp)); }
LPARAM PackXY(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }
} // namespace

ATOM RegisterWindowClass(const wchar_t* className, UINT style, HICON icon, HICON smallIcon, HCURSOR cursor,
                         HBRUSH background)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = Window::StaticWindowProc;
    wc.hInstance = TheApp()->Instance();
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    wc.hIconSm = smallIcon;
    return RegisterClassExW(&wc);
}

bool Window::Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu)
{
    HWND hwnd = CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                                TheApp()->Instance(), this);
    if (hwnd == nullptr)
        return false;
    hwnd_ = hwnd;
    return true;
}

void Window::Subclass(HWND hwnd)
{
    TheApp()->Windows().Insert(hwnd, this);
    hwnd_ = hwnd;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::StaticWindowProc)));
}

LRESULT CALLBACK Window::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WindowMap& map = TheApp()->Windows();
    Window* window = map.Find(hwnd);
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        window = static_cast<Window*>(create->lpCreateParams);
        if (window != nullptr) {
            window->hwnd_ = hwnd;
            map.Insert(hwnd, window);
        }
    }
    if (window == nullptr)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // The handle may be reused by the system: nothing reaches this object again.
        map.Erase(hwnd);
        return CallWindowProcW(window->previous_, hwnd, msg, wParam, lParam);
    }
    return window->WindowProc(msg, wParam, lParam);
}

LRESULT Window::Forward(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(previous_, hwnd_, msg, wParam, lParam);
}

LRESULT Window::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (DispatchToSlot(msg, wParam, lParam, result))
        return result;
    return Forward(msg, wParam, lParam);
}

bool Window::DispatchToSlot(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r)
{
    auto hwndOf = [](auto v) { return reinterpret_cast<HWND>(v); };
    r = 0;
    switch (msg) {
    case WM_ACTIVATE: OnActivate(LOWORD(wp), hwndOf(lp), HIWORD(wp) != 0); break;
    case WM_ACTIVATEAPP: OnActivateApp(wp != 0, static_cast<DWORD>(lp)); break;
    case WM_CHAR: OnChar(wp, lp); break;
    case WM_CLOSE: OnClose(); break;
    case WM_COMMAND: OnCommand(HIWORD(wp), LOWORD(wp), hwndOf(lp)); break;
    case WM_CONTEXTMENU: OnContextMenu(hwndOf(wp), LoX(lp), HiY(lp)); break;
    case WM_CREATE: r = OnCreate(reinterpret_cast<CREATESTRUCTW*>(lp)) ? 1 : 0; break;
    case WM_CTLCOLOREDIT: r = OnCtlColorEdit(reinterpret_cast<HDC>(wp), hwndOf(lp)); break;
    case WM_CTLCOLORLISTBOX: r = OnCtlColorListBox(reinterpret_cast<HDC>(wp), hwndOf(lp)); break;
    case WM_CTLCOLORSTATIC: r = OnCtlColorStatic(reinterpret_cast<HDC>(wp), hwndOf(lp)); break;
    case WM_CTLCOLORBTN: r = OnCtlColorBtn(reinterpret_cast<HDC>(wp), hwndOf(lp)); break;
    case WM_DESTROY: OnDestroy(); break;
    case WM_DRAWITEM:
        OnDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lp));
        r = 1;
        break;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wp)); break;
    case WM_ENABLE: OnEnable(wp != 0); break;
    case WM_ERASEBKGND: r = OnEraseBkgnd(reinterpret_cast<HDC>(wp)) ? 1 : 0; break;
    case WM_HELP: OnHelp(reinterpret_cast<HELPINFO*>(lp)); break;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lp)); break;
    case WM_HOTKEY: OnHotKey(static_cast<int>(wp), LOWORD(lp), HIWORD(lp)); break;
    case WM_HSCROLL: OnHScroll(LOWORD(wp), HIWORD(wp), hwndOf(lp)); break;
    case WM_INITDIALOG: r = OnInitDialog(hwndOf(wp), lp) ? 1 : 0; break;
    case WM_INITMENU: OnInitMenu(reinterpret_cast<HMENU>(wp)); break;
    case WM_INITMENUPOPUP: OnInitMenuPopup(reinterpret_cast<HMENU>(wp), LOWORD(lp), HIWORD(lp) != 0); break;
    case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp)); break;
    case WM_KEYUP: OnKeyUp(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp)); break;
    case WM_KILLFOCUS: OnKillFocus(hwndOf(wp)); break;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_LBUTTONDOWN: OnLButtonDown(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_LBUTTONUP: OnLButtonUp(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_MEASUREITEM: OnMeasureItem(static_cast<UINT>(wp), reinterpret_cast<MEASUREITEMSTRUCT*>(lp)); break;
    case WM_MENUSELECT: OnMenuSelect(LOWORD(wp), HIWORD(wp), reinterpret_cast<HMENU>(lp)); break;
    case WM_MOUSEACTIVATE: r = OnMouseActivate(hwndOf(wp), LOWORD(lp), HIWORD(lp)); break;
    case WM_MOUSEMOVE: OnMouseMove(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_MOVE: OnMove(LoX(lp), HiY(lp)); break;
    case WM_MOVING: OnMoving(static_cast<UINT>(wp), reinterpret_cast<RECT*>(lp)); break;
    case WM_NOTIFY: r = OnNotify(wp, reinterpret_cast<NMHDR*>(lp)); break;
    case WM_NCHITTEST: r = OnNcHitTest(LoX(lp), HiY(lp)); break;
    case WM_NCLBUTTONDOWN: OnNcLButtonDown(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_NCLBUTTONUP: OnNcLButtonUp(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_NCPAINT: OnNcPaint(reinterpret_cast<HRGN>(wp)); break;
    case WM_NCRBUTTONDOWN: OnNcRButtonDown(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_NCRBUTTONUP: OnNcRButtonUp(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_PAINT: OnPaint(); break;
    case WM_PARENTNOTIFY: OnParentNotify(LOWORD(wp), lp, HIWORD(wp)); break;
    case WM_QUERYENDSESSION: r = OnQueryEndSession() ? 1 : 0; break;
    case WM_RBUTTONDBLCLK: OnRButtonDblClk(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_RBUTTONDOWN: OnRButtonDown(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_RBUTTONUP: OnRButtonUp(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_SETCURSOR: r = OnSetCursor(hwndOf(wp), LOWORD(lp), HIWORD(lp)) ? 1 : 0; break;
    case WM_SETFOCUS: OnSetFocus(hwndOf(wp)); break;
    case WM_SETTEXT:
        OnSetText(reinterpret_cast<const wchar_t*>(lp));
        r = 1;
        break;
    case WM_SHOWWINDOW: OnShowWindow(wp != 0, static_cast<UINT>(lp)); break;
    case WM_SIZE: OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp)); break;
    case WM_SIZING: OnSizing(static_cast<UINT>(wp), reinterpret_cast<RECT*>(lp)); break;
    case WM_TIMER: OnTimer(wp, lp); break;
    case WM_SYSCHAR: OnSysChar(wp, lp); break;
    case WM_SYSCOLORCHANGE: OnSysColorChange(); break;
    case WM_SYSCOMMAND: OnSysCommand(static_cast<UINT>(wp), LoX(lp), HiY(lp)); break;
    case WM_SYSKEYDOWN: OnSysKeyDown(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp)); break;
    case WM_SYSKEYUP: OnSysKeyUp(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp)); break;
    case WM_VKEYTOITEM: r = OnVKeyToItem(LOWORD(wp), hwndOf(lp), static_cast<short>(HIWORD(wp))); break;
    case WM_VSCROLL: OnVScroll(LOWORD(wp), HIWORD(wp), hwndOf(lp)); break;
    case WM_WINDOWPOSCHANGED: OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lp)); break;
    case WM_WINDOWPOSCHANGING: r = OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lp)) ? 1 : 0; break;
    default: return false;
    }
    return true;
}

// Defaults: pack the arguments again and hand the message to the previous procedure.
namespace {
WPARAM W(HWND h) { return reinterpret_cast<WPARAM>(h); }
LPARAM L(HWND h) { return reinterpret_cast<LPARAM>(h); }
template <class P> LPARAM L(P* p) { return reinterpret_cast<LPARAM>(p); }
template <class P> WPARAM W(P* p) { return reinterpret_cast<WPARAM>(p); }
WPARAM KeysW(UINT v) { return static_cast<WPARAM>(v); }
} // namespace

void Window::OnActivate(UINT state, HWND other, bool minimized)
{
    Forward(WM_ACTIVATE, MAKEWPARAM(state, minimized ? 1 : 0), L(other));
}
void Window::OnActivateApp(bool active, DWORD threadId) { Forward(WM_ACTIVATEAPP, active ? 1 : 0, threadId); }
void Window::OnChar(WPARAM character, LPARAM keyData) { Forward(WM_CHAR, character, keyData); }
void Window::OnClose() { Forward(WM_CLOSE, 0, 0); }
void Window::OnCommand(UINT code, UINT id, HWND control) { Forward(WM_COMMAND, MAKEWPARAM(id, code), L(control)); }
void Window::OnContextMenu(HWND window, int x, int y) { Forward(WM_CONTEXTMENU, W(window), PackXY(x, y)); }
bool Window::OnCreate(CREATESTRUCTW* create) { return Forward(WM_CREATE, 0, L(create)) == 1; }
LRESULT Window::OnCtlColorEdit(HDC dc, HWND control) { return Forward(WM_CTLCOLOREDIT, W(dc), L(control)); }
LRESULT Window::OnCtlColorListBox(HDC dc, HWND control) { return Forward(WM_CTLCOLORLISTBOX, W(dc), L(control)); }
LRESULT Window::OnCtlColorStatic(HDC dc, HWND control) { return Forward(WM_CTLCOLORSTATIC, W(dc), L(control)); }
LRESULT Window::OnCtlColorBtn(HDC dc, HWND control) { return Forward(WM_CTLCOLORBTN, W(dc), L(control)); }
void Window::OnDestroy() { Forward(WM_DESTROY, 0, 0); }
void Window::OnDrawItem(DRAWITEMSTRUCT* item) { Forward(WM_DRAWITEM, item ? item->CtlID : 0, L(item)); }
void Window::OnDropFiles(HDROP drop) { Forward(WM_DROPFILES, W(drop), 0); }
void Window::OnEnable(bool enabled) { Forward(WM_ENABLE, enabled ? 1 : 0, 0); }
bool Window::OnEraseBkgnd(HDC dc) { return Forward(WM_ERASEBKGND, W(dc), 0) == 1; }
void Window::OnHelp(HELPINFO* info) { Forward(WM_HELP, 0, L(info)); }
void Window::OnGetMinMaxInfo(MINMAXINFO* info) { Forward(WM_GETMINMAXINFO, 0, L(info)); }
void Window::OnHotKey(int id, UINT modifiers, UINT virtualKey)
{
    Forward(WM_HOTKEY, static_cast<WPARAM>(id), MAKELPARAM(modifiers, virtualKey));
}
void Window::OnHScroll(UINT request, UINT position, HWND bar)
{
    Forward(WM_HSCROLL, MAKEWPARAM(request, position), L(bar));
}
bool Window::OnInitDialog(HWND focus, LPARAM initParam) { return Forward(WM_INITDIALOG, W(focus), initParam) == 1; }
void Window::OnInitMenu(HMENU menu) { Forward(WM_INITMENU, W(menu), 0); }
void Window::OnInitMenuPopup(HMENU menu, UINT index, bool windowMenu)
{
    Forward(WM_INITMENUPOPUP, W(menu), MAKELPARAM(index, windowMenu ? 1 : 0));
}
void Window::OnKeyDown(UINT vk, UINT repeat, UINT flags) { Forward(WM_KEYDOWN, vk, MAKELPARAM(repeat, flags)); }
void Window::OnKeyUp(UINT vk, UINT repeat, UINT flags) { Forward(WM_KEYUP, vk, MAKELPARAM(repeat, flags)); }
void Window::OnKillFocus(HWND gaining) { Forward(WM_KILLFOCUS, W(gaining), 0); }
void Window::OnLButtonDblClk(UINT keys, int x, int y) { Forward(WM_LBUTTONDBLCLK, KeysW(keys), PackXY(x, y)); }
void Window::OnLButtonDown(UINT keys, int x, int y) { Forward(WM_LBUTTONDOWN, KeysW(keys), PackXY(x, y)); }
void Window::OnLButtonUp(UINT keys, int x, int y) { Forward(WM_LBUTTONUP, KeysW(keys), PackXY(x, y)); }
void Window::OnMeasureItem(UINT id, MEASUREITEMSTRUCT* item) { Forward(WM_MEASUREITEM, id, L(item)); }
void Window::OnMenuSelect(UINT item, UINT flags, HMENU menu)
{
    Forward(WM_MENUSELECT, MAKEWPARAM(item, flags), L(menu));
}
LRESULT Window::OnMouseActivate(HWND topLevel, UINT hitTest, UINT mouseMsg)
{
    return Forward(WM_MOUSEACTIVATE, W(topLevel), MAKELPARAM(hitTest, mouseMsg));
}
void Window::OnMouseMove(UINT keys, int x, int y) { Forward(WM_MOUSEMOVE, KeysW(keys), PackXY(x, y)); }
void Window::OnMove(int x, int y) { Forward(WM_MOVE, 0, PackXY(x, y)); }
void Window::OnMoving(UINT edge, RECT* rect) { Forward(WM_MOVING, edge, L(rect)); }
LRESULT Window::OnNotify(WPARAM id, NMHDR* header) { return Forward(WM_NOTIFY, id, L(header)); }
LRESULT Window::OnNcHitTest(int x, int y) { return Forward(WM_NCHITTEST, 0, PackXY(x, y)); }
void Window::OnNcLButtonDown(UINT hit, int x, int y) { Forward(WM_NCLBUTTONDOWN, hit, PackXY(x, y)); }
void Window::OnNcLButtonUp(UINT hit, int x, int y) { Forward(WM_NCLBUTTONUP, hit, PackXY(x, y)); }
void Window::OnNcPaint(HRGN region) { Forward(WM_NCPAINT, W(region), 0); }
void Window::OnNcRButtonDown(UINT hit, int x, int y) { Forward(WM_NCRBUTTONDOWN, hit, PackXY(x, y)); }
void Window::OnNcRButtonUp(UINT hit, int x, int y) { Forward(WM_NCRBUTTONUP, hit, PackXY(x, y)); }
void Window::OnPaint() { Forward(WM_PAINT, 0, 0); }
void Window::OnParentNotify(UINT event, LPARAM lParam, UINT childId)
{
    Forward(WM_PARENTNOTIFY, MAKEWPARAM(event, childId), lParam);
}
bool Window::OnQueryEndSession() { return Forward(WM_QUERYENDSESSION, 0, 0) == 1; }
void Window::OnRButtonDblClk(UINT keys, int x, int y) { Forward(WM_RBUTTONDBLCLK, KeysW(keys), PackXY(x, y)); }
void Window::OnRButtonDown(UINT keys, int x, int y) { Forward(WM_RBUTTONDOWN, KeysW(keys), PackXY(x, y)); }
void Window::OnRButtonUp(UINT keys, int x, int y) { Forward(WM_RBUTTONUP, KeysW(keys), PackXY(x, y)); }
bool Window::OnSetCursor(HWND window, UINT hitTest, UINT mouseMsg)
{
    return Forward(WM_SETCURSOR, W(window), MAKELPARAM(hitTest, mouseMsg)) == 1;
}
void Window::OnSetFocus(HWND losing) { Forward(WM_SETFOCUS, W(losing), 0); }
void Window::OnSetText(const wchar_t* text) { Forward(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }
void Window::OnShowWindow(bool shown, UINT status) { Forward(WM_SHOWWINDOW, shown ? 1 : 0, status); }
void Window::OnSize(UINT type, int width, int height) { Forward(WM_SIZE, type, PackXY(width, height)); }
void Window::OnSizing(UINT edge, RECT* rect) { Forward(WM_SIZING, edge, L(rect)); }
void Window::OnTimer(UINT_PTR id, LPARAM lParam) { Forward(WM_TIMER, id, lParam); }
void Window::OnSysChar(WPARAM character, LPARAM keyData) { Forward(WM_SYSCHAR, character, keyData); }
void Window::OnSysColorChange() { Forward(WM_SYSCOLORCHANGE, 0, 0); }
void Window::OnSysCommand(UINT command, int x, int y) { Forward(WM_SYSCOMMAND, command, PackXY(x, y)); }
void Window::OnSysKeyDown(UINT vk, UINT repeat, UINT flags) { Forward(WM_SYSKEYDOWN, vk, MAKELPARAM(repeat, flags)); }
void Window::OnSysKeyUp(UINT vk, UINT repeat, UINT flags) { Forward(WM_SYSKEYUP, vk, MAKELPARAM(repeat, flags)); }
LRESULT Window::OnVKeyToItem(UINT vk, HWND listBox, int caret)
{
    return Forward(WM_VKEYTOITEM, MAKEWPARAM(vk, static_cast<WORD>(caret)), L(listBox));
}
void Window::OnVScroll(UINT request, UINT position, HWND bar)
{
    Forward(WM_VSCROLL, MAKEWPARAM(request, position), L(bar));
}
void Window::OnWindowPosChanged(WINDOWPOS* pos) { Forward(WM_WINDOWPOSCHANGED, 0, L(pos)); }
bool Window::OnWindowPosChanging(WINDOWPOS* pos) { return Forward(WM_WINDOWPOSCHANGING, 0, L(pos)) == 1; }
