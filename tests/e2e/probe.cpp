// A small Windows tool for the end-to-end tests: reports and pokes the running
// program's windows from inside the same Wine session.
//   probe list <class>                    one line per top-level window of the class
//   probe show|hide <class>               ShowWindow on the first such window
//   probe send <class> <msg> <wp> <lp>    SendMessageW, prints the result
//   probe post <class> <msg> <wp> <lp>    PostMessageW
//   probe foreground <class>              SetForegroundWindow
//   probe hotkey-hold <vk> <mods> <ms>    holds a global hot key for a while (prints "held" or "busy")
//   probe texts <class>                   the texts of the first such window's children, one a line
//   probe children <class> [title]        every descendant: id, class, screen rect, visible, text
#include "app/Win.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Finder {
    std::wstring cls;
    HWND found[64];
    int count = 0;
};

BOOL CALLBACK Collect(HWND h, LPARAM lp)
{
    auto* f = reinterpret_cast<Finder*>(lp);
    wchar_t cls[256];
    GetClassNameW(h, cls, 256);
    if (f->cls == cls && f->count < 64)
        f->found[f->count++] = h;
    return TRUE;
}

Finder FindAll(const wchar_t* cls)
{
    Finder f;
    f.cls = cls;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&f));
    return f;
}

HWND First(const wchar_t* cls)
{
    Finder f = FindAll(cls);
    return f.count > 0 ? f.found[0] : nullptr;
}

void Utf8(const std::wstring& w)
{
    char buf[1024];
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, buf, sizeof(buf), nullptr, nullptr);
    std::fputs(n > 0 ? buf : "", stdout);
}

long long Num(const wchar_t* s) { return std::wcstoll(s, nullptr, 0); }

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    const std::wstring cmd = argv[1];
    if (cmd == L"list" && argc >= 3) {
        Finder f = FindAll(argv[2]);
        for (int i = 0; i < f.count; ++i) {
            HWND h = f.found[i];
            wchar_t title[256] = {};
            GetWindowTextW(h, title, 256);
            HWND owner = GetWindow(h, GW_OWNER);
            wchar_t ownerCls[256] = {};
            if (owner != nullptr)
                GetClassNameW(owner, ownerCls, 256);
            RECT rc;
            GetWindowRect(h, &rc);
            std::printf("hwnd=%lld style=0x%08lx exstyle=0x%08lx visible=%d left=%ld top=%ld width=%ld height=%ld "
                        "owner=",
                        static_cast<long long>(reinterpret_cast<INT_PTR>(h)),
                        static_cast<unsigned long>(GetWindowLongW(h, GWL_STYLE)),
                        static_cast<unsigned long>(GetWindowLongW(h, GWL_EXSTYLE)), IsWindowVisible(h) ? 1 : 0, rc.left,
                        rc.top, rc.right - rc.left, rc.bottom - rc.top);
            Utf8(ownerCls);
            std::printf(" title=");
            Utf8(title);
            std::printf("\n");
        }
        return 0;
    }
    if ((cmd == L"show" || cmd == L"hide" || cmd == L"foreground") && argc >= 3) {
        HWND h = First(argv[2]);
        if (h == nullptr)
            return 1;
        if (cmd == L"foreground")
            SetForegroundWindow(h);
        else
            ShowWindow(h, cmd == L"show" ? SW_SHOW : SW_HIDE);
        return 0;
    }
    if ((cmd == L"send" || cmd == L"post") && argc >= 6) {
        HWND h = First(argv[2]);
        if (h == nullptr)
            return 1;
        const UINT msg = static_cast<UINT>(Num(argv[3]));
        const WPARAM wp = static_cast<WPARAM>(Num(argv[4]));
        const LPARAM lp = static_cast<LPARAM>(Num(argv[5]));
        if (cmd == L"post")
            return PostMessageW(h, msg, wp, lp) ? 0 : 1;
        std::printf("%lld\n", static_cast<long long>(SendMessageW(h, msg, wp, lp)));
        return 0;
    }
    if (cmd == L"texts" && argc >= 3) {
        HWND h = First(argv[2]);
        if (h == nullptr)
            return 1;
        EnumChildWindows(
            h,
            [](HWND child, LPARAM) -> BOOL {
                wchar_t text[512] = {};
                GetWindowTextW(child, text, 512);
                Utf8(text);
                std::printf("\n");
                return TRUE;
            },
            0);
        return 0;
    }
    if (cmd == L"children" && argc >= 3) {
        HWND h = argc >= 4 ? FindWindowW(argv[2], argv[3]) : First(argv[2]);
        if (h == nullptr)
            return 1;
        EnumChildWindows(
            h,
            [](HWND child, LPARAM) -> BOOL {
                wchar_t text[512] = {};
                wchar_t cls[128] = {};
                GetWindowTextW(child, text, 512);
                GetClassNameW(child, cls, 128);
                RECT rc;
                GetWindowRect(child, &rc);
                std::printf("id=%d left=%ld top=%ld width=%ld height=%ld visible=%d class=", GetDlgCtrlID(child),
                            rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, IsWindowVisible(child) ? 1 : 0);
                Utf8(cls);
                std::printf(" title=");
                Utf8(text);
                std::printf("\n");
                return TRUE;
            },
            0);
        return 0;
    }
    if (cmd == L"hotkey-hold" && argc >= 5) {
        const bool ok = RegisterHotKey(nullptr, 1, static_cast<UINT>(Num(argv[3])), static_cast<UINT>(Num(argv[2])));
        std::printf(ok ? "held\n" : "busy\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(Num(argv[4])));
        return ok ? 0 : 1;
    }
    return 2;
}
