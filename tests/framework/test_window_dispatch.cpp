// The window framework: unpacking of wParam/lParam, return conventions, defaults, lifetime.
#include "app/Application.h"
#include "ui/framework/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const wchar_t kClass[] = L"MosarynDispatchTest";

void RegisterTestClass()
{
    static bool done = false;
    if (!done)
        RegisterWindowClass(kClass, 0, nullptr, nullptr, LoadCursorW(nullptr, IDC_ARROW), nullptr);
    done = true;
}

// Records what each overridden handler received.
struct Recorder : Window {
    std::vector<long long> got;
    std::vector<UINT> seen;
    int minMaxBeforeCreate = 0;
    bool created = false;

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        seen.push_back(msg);
        if (msg == WM_NCCREATE)
            created = true;
        return Window::WindowProc(msg, wp, lp);
    }
    void Put(std::initializer_list<long long> values) { got.assign(values); }

    void OnActivate(UINT state, HWND other, bool minimized) override
    {
        Put({state, reinterpret_cast<long long>(other), minimized});
    }
    void OnCommand(UINT code, UINT id, HWND control) override { Put({code, id, reinterpret_cast<long long>(control)}); }
    void OnHotKey(int id, UINT mods, UINT vk) override { Put({id, mods, vk}); }
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override { Put({vk, repeat, flags}); }
    void OnHScroll(UINT request, UINT pos, HWND bar) override { Put({request, pos, reinterpret_cast<long long>(bar)}); }
    void OnMove(int x, int y) override { Put({x, y}); }
    LRESULT OnNcHitTest(int x, int y) override
    {
        Put({x, y});
        return 12345;
    }
    void OnNcLButtonDown(UINT hit, int x, int y) override { Put({hit, x, y}); }
    void OnNcRButtonUp(UINT hit, int x, int y) override { Put({hit, x, y}); }
    void OnMouseMove(UINT keys, int x, int y) override { Put({keys, x, y}); }
    void OnInitMenuPopup(HMENU menu, UINT index, bool windowMenu) override
    {
        Put({reinterpret_cast<long long>(menu), index, windowMenu});
    }
    bool OnSetCursor(HWND, UINT hit, UINT mouseMsg) override
    {
        Put({hit, mouseMsg});
        return true;
    }
    LRESULT OnVKeyToItem(UINT vk, HWND, int caret) override
    {
        Put({vk, caret});
        return -2;
    }
    void OnDrawItem(DRAWITEMSTRUCT*) override { Put({}); }
    void OnSetText(const wchar_t*) override { Put({}); }
    bool OnEraseBkgnd(HDC) override { return true; }
    LRESULT OnNotify(WPARAM id, NMHDR*) override { return static_cast<LRESULT>(id) * 2; }
    LRESULT OnMouseActivate(HWND, UINT, UINT) override { return MA_NOACTIVATE; }
    void OnGetMinMaxInfo(MINMAXINFO* info) override
    {
        if (!created)
            ++minMaxBeforeCreate;
        Window::OnGetMinMaxInfo(info);
    }
};

// Overrides nothing.
struct Plain : Window {};

template <class W> HWND MakeWindow(W& w, DWORD style = WS_POPUP)
{
    RegisterTestClass();
    EXPECT_TRUE(w.Create(0, kClass, L"test", style, 10, 10, 100, 80, nullptr, nullptr));
    return w.Handle();
}

LPARAM XY(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

} // namespace

TEST(WindowDispatch, UnpacksArgumentsFromTheRightHalves)
{
    Recorder r;
    HWND h = MakeWindow(r);
    HWND other = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x1234));
    struct Case {
        const char* name;
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        std::vector<long long> expected;
    } cases[] = {
        {"activate",
         WM_ACTIVATE,
         MAKEWPARAM(WA_CLICKACTIVE, 1),
         reinterpret_cast<LPARAM>(other),
         {WA_CLICKACTIVE, 0x1234, 1}},
        {"command", WM_COMMAND, MAKEWPARAM(40002, 7), reinterpret_cast<LPARAM>(other), {7, 40002, 0x1234}},
        {"hotkey", WM_HOTKEY, 107, MAKELPARAM(MOD_ALT, 'C'), {107, MOD_ALT, 'C'}},
        {"keydown", WM_KEYDOWN, VK_LEFT, MAKELPARAM(3, 0x4B), {VK_LEFT, 3, 0x4B}},
        {"hscroll",
         WM_HSCROLL,
         MAKEWPARAM(TB_THUMBTRACK, 42),
         reinterpret_cast<LPARAM>(other),
         {TB_THUMBTRACK, 42, 0x1234}},
        {"move negative", WM_MOVE, 0, XY(-20, -7), {-20, -7}},
        {"nchittest negative", WM_NCHITTEST, 0, XY(-1600, 300), {-1600, 300}},
        {"nclbuttondown", WM_NCLBUTTONDOWN, HTCAPTION, XY(-5, -6), {HTCAPTION, -5, -6}},
        {"ncrbuttonup", WM_NCRBUTTONUP, HTCAPTION, XY(1900, -40), {HTCAPTION, 1900, -40}},
        {"mousemove", WM_MOUSEMOVE, MK_LBUTTON, XY(33, 44), {MK_LBUTTON, 33, 44}},
        {"initmenupopup", WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(other), MAKELPARAM(2, 1), {0x1234, 2, 1}},
        {"setcursor",
         WM_SETCURSOR,
         reinterpret_cast<WPARAM>(h),
         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE),
         {HTCLIENT, WM_MOUSEMOVE}},
        {"vkeytoitem signed caret", WM_VKEYTOITEM, MAKEWPARAM(VK_DOWN, static_cast<WORD>(-1)), 0, {VK_DOWN, -1}},
    };
    for (const auto& c : cases) {
        r.got.clear();
        SendMessageW(h, c.msg, c.wp, c.lp);
        EXPECT_EQ(r.got, c.expected) << c.name;
    }
    DestroyWindow(h);
}

TEST(WindowDispatch, ReturnConventions)
{
    Recorder r;
    HWND h = MakeWindow(r);
    DRAWITEMSTRUCT dis{};
    NMHDR nm{};
    EXPECT_EQ(SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"x")), 1);
    EXPECT_EQ(SendMessageW(h, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis)), 1);
    EXPECT_EQ(SendMessageW(h, WM_ERASEBKGND, 0, 0), 1);
    EXPECT_EQ(SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, 0)), 1);
    EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, XY(1, 1)), 12345);
    EXPECT_EQ(SendMessageW(h, WM_NOTIFY, 21, reinterpret_cast<LPARAM>(&nm)), 42);
    EXPECT_EQ(SendMessageW(h, WM_VKEYTOITEM, MAKEWPARAM(VK_UP, 0), 0), -2);
    EXPECT_EQ(SendMessageW(h, WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
    DestroyWindow(h);
}

TEST(WindowDispatch, AClassThatOverridesNothingActsLikeDefWindowProc)
{
    Plain p;
    HWND h = MakeWindow(p, WS_OVERLAPPEDWINDOW);
    // Defaults repack their arguments and reach DefWindowProcW with the same meaning.
    RECT rc;
    GetWindowRect(h, &rc);
    const LPARAM inside = XY((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, inside), DefWindowProcW(h, WM_NCHITTEST, 0, inside));
    EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, XY(rc.left + 1, rc.top + 1)),
              DefWindowProcW(h, WM_NCHITTEST, 0, XY(rc.left + 1, rc.top + 1)));
    EXPECT_EQ(SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"カレンダー")), 1);
    wchar_t text[32] = {};
    GetWindowTextW(h, text, 32);
    EXPECT_STREQ(text, L"カレンダー");
    // WM_CREATE default: DefWindowProcW answers 0, so the slot answers false (0) and creation went on.
    EXPECT_TRUE(IsWindow(h));
    // WM_CLOSE default destroys the window, as DefWindowProcW does.
    SendMessageW(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h));
}

namespace {
std::vector<std::pair<UINT, std::pair<WPARAM, LPARAM>>> g_oldProcSaw;
LRESULT CALLBACK OldProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND || msg == WM_NCHITTEST || msg == WM_KEYDOWN || msg == WM_MOVE)
        g_oldProcSaw.push_back({msg, {wp, lp}});
    if (msg == WM_NCHITTEST)
        return HTBOTTOMRIGHT;
    return DefWindowProcW(h, msg, wp, lp);
}
} // namespace

TEST(WindowDispatch, SubclassedDefaultsReachTheReplacedProcedure)
{
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = OldProc;
    wc.hInstance = TheApp()->Instance();
    wc.lpszClassName = L"MosarynOldProcTest";
    RegisterClassExW(&wc);
    HWND h = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(h, nullptr);
    Plain p;
    p.Subclass(h);
    EXPECT_EQ(TheApp()->Windows().Find(h), &p);
    g_oldProcSaw.clear();
    SendMessageW(h, WM_COMMAND, MAKEWPARAM(1041, BN_CLICKED), 0);
    SendMessageW(h, WM_KEYDOWN, VK_RIGHT, MAKELPARAM(1, 0x4D));
    SendMessageW(h, WM_MOVE, 0, XY(-3, 4));
    EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, XY(-10, -20)), HTBOTTOMRIGHT);
    ASSERT_EQ(g_oldProcSaw.size(), 4u);
    EXPECT_EQ(g_oldProcSaw[0].second.first, MAKEWPARAM(1041, BN_CLICKED));
    EXPECT_EQ(g_oldProcSaw[1].second.first, static_cast<WPARAM>(VK_RIGHT));
    EXPECT_EQ(g_oldProcSaw[1].second.second, MAKELPARAM(1, 0x4D));
    EXPECT_EQ(g_oldProcSaw[2].second.second, XY(-3, 4));
    EXPECT_EQ(g_oldProcSaw[3].second.second, XY(-10, -20));
    DestroyWindow(h);
}

TEST(WindowDispatch, MinMaxInfoBeforeCreationTouchesNoObject)
{
    Recorder r;
    HWND h = MakeWindow(r, WS_OVERLAPPEDWINDOW);
    ASSERT_FALSE(r.seen.empty());
    EXPECT_EQ(r.seen.front(), static_cast<UINT>(WM_NCCREATE));
    EXPECT_EQ(r.minMaxBeforeCreate, 0);
    DestroyWindow(h);
}

TEST(WindowDispatch, NoMessageReachesTheObjectOfADestroyedWindow)
{
    Recorder r;
    HWND h = MakeWindow(r);
    const std::size_t before = TheApp()->Windows().Size();
    DestroyWindow(h);
    EXPECT_EQ(TheApp()->Windows().Find(h), nullptr);
    EXPECT_EQ(TheApp()->Windows().Size(), before - 1);
    r.seen.clear();
    r.got.clear();
    // A late message for the old handle (or a reused one) goes to DefWindowProcW, not the object.
    Window::StaticWindowProc(h, WM_MOVE, 0, XY(5, 5));
    EXPECT_TRUE(r.seen.empty());
    EXPECT_TRUE(r.got.empty());
    EXPECT_EQ(r.Handle(), h); // the object keeps its old handle
}
