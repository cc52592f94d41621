// The window framework: unpacking of wParam/lParam, return conventions, defaults, lifetime.
#include "app/Application.h"
#include "ui/framework/Window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records what each overridden handler received.
struct Recorder : Window {
    std::vector<long long> got;

    LRESULT Put(std::initializer_list<long long> values, LRESULT result = 0)
    {
        got.assign(values);
        return result;
    }

    void OnActivate(UINT state, HWND other, bool minimized) override { Put({state, LONG_PTR(other), minimized}); }
    void OnCommand(UINT code, UINT id, HWND control) override { Put({code, id, LONG_PTR(control)}); }
    void OnHotKey(int id, UINT mods, UINT vk) override { Put({id, mods, vk}); }
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override { Put({vk, repeat, flags}); }
    void OnHScroll(UINT request, UINT pos, HWND bar) override { Put({request, pos, LONG_PTR(bar)}); }
    void OnMove(int x, int y) override { Put({x, y}); }
    LRESULT OnNcHitTest(int x, int y) override { return Put({x, y}, 12345); }
    void OnNcLButtonDown(UINT hit, int x, int y) override { Put({hit, x, y}); }
    void OnNcRButtonUp(UINT hit, int x, int y) override { Put({hit, x, y}); }
    void OnMouseMove(UINT keys, int x, int y) override { Put({keys, x, y}); }
    void OnInitMenuPopup(HMENU menu, UINT index, bool windowMenu) override { Put({LONG_PTR(menu), index, windowMenu}); }
    bool OnSetCursor(HWND, UINT hit, UINT mouseMsg) override { return Put({hit, mouseMsg}, 1) != 0; }
    LRESULT OnVKeyToItem(UINT vk, HWND, int caret) override { return Put({vk, caret}, -2); }
    void OnDrawItem(DRAWITEMSTRUCT*) override {}
    void OnSetText(const wchar_t*) override {}
    bool OnEraseBkgnd(HDC) override { return true; }
    LRESULT OnNotify(WPARAM id, NMHDR*) override { return static_cast<LRESULT>(id) * 2; }
    LRESULT OnMouseActivate(HWND, UINT, UINT) override { return MA_NOACTIVATE; }
};

HWND MakeWindow(Recorder& w)
{
    static const bool registered =
        RegisterWindowClass(L"MosarynDispatchTest", 0, nullptr, nullptr, nullptr, nullptr) != 0;
    EXPECT_TRUE(registered &&
                w.Create(0, L"MosarynDispatchTest", L"test", WS_POPUP, 10, 10, 100, 80, nullptr, nullptr));
    return w.Handle();
}

LPARAM XY(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

} // namespace

TEST(WindowDispatch, UnpacksArgumentsFromTheRightHalvesAndReturnsTheHandlersAnswer)
{
    Recorder r;
    HWND h = MakeWindow(r);
    const LPARAM other = 0x1234;
    DRAWITEMSTRUCT dis{};
    NMHDR nm{};
    constexpr LRESULT any = -99; // result not looked at
    const struct {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        std::vector<long long> expected;
        LRESULT result;
    } cases[] = {
        {WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), other, {WA_CLICKACTIVE, other, 1}, any},
        {WM_COMMAND, MAKEWPARAM(40002, 7), other, {7, 40002, other}, any},
        {WM_HOTKEY, 107, MAKELPARAM(MOD_ALT, 'C'), {107, MOD_ALT, 'C'}, any},
        {WM_KEYDOWN, VK_LEFT, MAKELPARAM(3, 0x4B), {VK_LEFT, 3, 0x4B}, any},
        {WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 42), other, {TB_THUMBTRACK, 42, other}, any},
        {WM_MOVE, 0, XY(-20, -7), {-20, -7}, any},
        {WM_NCHITTEST, 0, XY(-1600, 300), {-1600, 300}, 12345},
        {WM_NCLBUTTONDOWN, HTCAPTION, XY(-5, -6), {HTCAPTION, -5, -6}, any},
        {WM_NCRBUTTONUP, HTCAPTION, XY(1900, -40), {HTCAPTION, 1900, -40}, any},
        {WM_MOUSEMOVE, MK_LBUTTON, XY(33, 44), {MK_LBUTTON, 33, 44}, any},
        {WM_INITMENUPOPUP, WPARAM(other), MAKELPARAM(2, 1), {other, 2, 1}, any},
        {WM_SETCURSOR, WPARAM(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), {HTCLIENT, WM_MOUSEMOVE}, 1},
        {WM_VKEYTOITEM, MAKEWPARAM(VK_DOWN, WORD(-1)), 0, {VK_DOWN, -1}, -2}, // signed caret
        {WM_SETTEXT, 0, LPARAM(L"x"), {}, 1},
        {WM_DRAWITEM, 0, LPARAM(&dis), {}, 1},
        {WM_ERASEBKGND, 0, 0, {}, 1},
        {WM_NOTIFY, 21, LPARAM(&nm), {}, 42},
        {WM_MOUSEACTIVATE, 0, 0, {}, MA_NOACTIVATE},
    };
    for (const auto& c : cases) {
        r.got.clear();
        const LRESULT result = SendMessageW(h, c.msg, c.wp, c.lp);
        EXPECT_EQ(r.got, c.expected) << "message " << c.msg;
        EXPECT_TRUE(c.result == any || result == c.result) << "message " << c.msg << " answered " << result;
    }
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
    r.got.clear();
    // A late message for the old handle (or a reused one) goes to DefWindowProcW, not the object.
    Window::StaticWindowProc(h, WM_MOVE, 0, XY(5, 5));
    EXPECT_TRUE(r.got.empty());
    EXPECT_EQ(r.Handle(), h); // the object keeps its old handle
}
