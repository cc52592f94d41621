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
//   probe tray <class> modify|delete      Shell_NotifyIconW on icon 103 of the window: prints ok or fail
//   probe broadcast <message name>        posts the registered message to every top-level window
//   probe front <ms>                      a window of this process takes the foreground for a while
#include "app/Win.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace {
std::wstring ClassOf(HWND h)
{
    wchar_t cls[256] = {};
    if (h != nullptr)
        GetClassNameW(h, cls, 256);
    return cls;
}

std::wstring TextOf(HWND h)
{
    wchar_t text[512] = {};
    GetWindowTextW(h, text, 512);
    return text;
}

// Top-level windows of a class, at most 64.
std::vector<HWND> FindAll(const wchar_t* cls)
{
    std::pair<std::wstring, std::vector<HWND>> f{cls, {}};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* f = reinterpret_cast<std::pair<std::wstring, std::vector<HWND>>*>(lp);
            if (f->first == ClassOf(h) && f->second.size() < 64)
                f->second.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.second;
}

void Utf8(const std::wstring& w)
{
    char buf[1024];
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, buf, sizeof(buf), nullptr, nullptr);
    std::fputs(n > 0 ? buf : "", stdout);
}

long long Num(const wchar_t* s) { return std::wcstoll(s, nullptr, 0); }

// One line per descendant: the text alone, or (`full`) id, rect, visibility, class and text.
void PrintChildren(HWND parent, bool full)
{
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM full) -> BOOL {
            if (full) {
                RECT rc;
                GetWindowRect(child, &rc);
                std::printf("id=%d left=%ld top=%ld width=%ld height=%ld visible=%d class=", GetDlgCtrlID(child),
                            rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, IsWindowVisible(child) ? 1 : 0);
                Utf8(ClassOf(child));
                std::printf(" title=");
            }
            Utf8(TextOf(child));
            std::printf("\n");
            return TRUE;
        },
        full ? 1 : 0);
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring cmd = argc >= 3 ? argv[1] : L"";
    if (cmd == L"list") {
        for (HWND h : FindAll(argv[2])) {
            RECT rc;
            GetWindowRect(h, &rc);
            std::printf("hwnd=%lld style=0x%08lx exstyle=0x%08lx visible=%d left=%ld top=%ld width=%ld height=%ld "
                        "owner=",
                        static_cast<long long>(reinterpret_cast<INT_PTR>(h)),
                        static_cast<unsigned long>(GetWindowLongW(h, GWL_STYLE)),
                        static_cast<unsigned long>(GetWindowLongW(h, GWL_EXSTYLE)), IsWindowVisible(h) ? 1 : 0, rc.left,
                        rc.top, rc.right - rc.left, rc.bottom - rc.top);
            Utf8(ClassOf(GetWindow(h, GW_OWNER)));
            std::printf(" title=");
            Utf8(TextOf(h));
            std::printf("\n");
        }
        return 0;
    }
    if (cmd == L"hotkey-hold" && argc >= 5) {
        const bool ok = RegisterHotKey(nullptr, 1, static_cast<UINT>(Num(argv[3])), static_cast<UINT>(Num(argv[2])));
        std::printf(ok ? "held\n" : "busy\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(Num(argv[4])));
        return ok ? 0 : 1;
    }
    if (cmd == L"broadcast")
        return PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(argv[2]), 0, 0) ? 0 : 1;
    if (cmd == L"front") {
        SetForegroundWindow(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"probe", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40,
                                            nullptr, nullptr, nullptr, nullptr));
        for (const ULONGLONG end = GetTickCount64() + Num(argv[2]); GetTickCount64() < end; Sleep(10))
            for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
                DispatchMessageW(&msg);
        return 0;
    }
    if (cmd == L"tray" && argc >= 4) {
        NOTIFYICONDATAW icon{};
        icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
        icon.hWnd = FindWindowW(argv[2], nullptr);
        icon.uID = 103;
        const bool ok = Shell_NotifyIconW(std::wstring(argv[3]) == L"delete" ? NIM_DELETE : NIM_MODIFY, &icon);
        std::printf(ok ? "ok\n" : "fail\n");
        return 0;
    }
    const bool message = cmd == L"send" || cmd == L"post", children = cmd == L"texts" || cmd == L"children";
    if (!(message || children || cmd == L"show" || cmd == L"hide" || cmd == L"foreground") || (message && argc < 6))
        return 2;
    const std::vector<HWND> all = FindAll(argv[2]);
    HWND h = cmd == L"children" && argc >= 4 ? FindWindowW(argv[2], argv[3]) : all.empty() ? nullptr : all.front();
    if (h == nullptr)
        return 1;
    if (cmd == L"foreground")
        SetForegroundWindow(h);
    else if (cmd == L"show" || cmd == L"hide")
        ShowWindow(h, cmd == L"show" ? SW_SHOW : SW_HIDE);
    else if (children)
        PrintChildren(h, cmd == L"children");
    else {
        const auto msg = static_cast<UINT>(Num(argv[3]));
        const auto wp = static_cast<WPARAM>(Num(argv[4]));
        const auto lp = static_cast<LPARAM>(Num(argv[5]));
        if (cmd == L"post")
            return PostMessageW(h, msg, wp, lp) ? 0 : 1;
        std::printf("%lld\n", static_cast<long long>(SendMessageW(h, msg, wp, lp)));
    }
    return 0;
}
