// A small Windows tool for the end-to-end tests: reports and pokes the running
// program's windows from inside the same Wine session.
//   probe list <class>                    one line per top-level window of the class
//   probe hide <class>                    hides the first such window
//   probe send|post <class> <msg> <wp> <lp>
//   probe hotkey-hold <vk> <mods> <ms>    holds a global hot key for a while
//   probe children <class> [title]        every descendant: id, class, screen rect, visible, text
//   probe tray <class> modify|delete      Shell_NotifyIconW on icon 103 of the window: prints ok or fail
//   probe broadcast <message name>        posts the registered message to every top-level window
//   probe front <ms>                      a window of this process takes the foreground for a while
//   probe focus                           id and class of the control with the keyboard focus
#include "app/Win.h"

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
std::wstring ClassOf(HWND h)
{
    wchar_t cls[256] = {};
    if (h != nullptr)
        GetClassNameW(h, cls, 256);
    return cls;
}

void Utf8(HWND h, bool className)
{
    wchar_t text[512] = {};
    if (className)
        GetClassNameW(h, text, 512);
    else
        GetWindowTextW(h, text, 512);
    char buf[1536];
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buf, sizeof(buf), nullptr, nullptr);
    std::fputs(n > 0 ? buf : "", stdout);
}

// One line per window: id, screen rectangle, visibility, styles, owner's and own class, then its text.
BOOL CALLBACK Print(HWND h, LPARAM)
{
    RECT rc;
    GetWindowRect(h, &rc);
    std::printf("id=%d left=%ld top=%ld width=%ld height=%ld visible=%d style=0x%08lx exstyle=0x%08lx owner=",
                GetDlgCtrlID(h), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, IsWindowVisible(h) ? 1 : 0,
                static_cast<unsigned long>(GetWindowLongW(h, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongW(h, GWL_EXSTYLE)));
    Utf8(GetWindow(h, GW_OWNER), true);
    std::printf(" class=");
    Utf8(h, true);
    std::printf(" title=");
    Utf8(h, false);
    std::printf("\n");
    return TRUE;
}

std::vector<HWND> FindAll(const wchar_t* cls)
{
    std::pair<std::wstring, std::vector<HWND>> f{cls, {}};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* f = reinterpret_cast<std::pair<std::wstring, std::vector<HWND>>*>(lp);
            if (f->first == ClassOf(h))
                f->second.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.second;
}

long long Num(const wchar_t* s) { return std::wcstoll(s, nullptr, 0); }
} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring cmd = argc >= 2 ? argv[1] : L"";
    if (cmd == L"list" && argc >= 3) {
        for (HWND h : FindAll(argv[2]))
            Print(h, 0);
        return 0;
    }
    if (cmd == L"hotkey-hold" && argc >= 5) {
        const bool ok = RegisterHotKey(nullptr, 1, static_cast<UINT>(Num(argv[3])), static_cast<UINT>(Num(argv[2])));
        Sleep(static_cast<DWORD>(Num(argv[4])));
        return ok ? 0 : 1;
    }
    if (cmd == L"tray" && argc >= 4) {
        NOTIFYICONDATAW icon{NOTIFYICONDATAW_V1_SIZE, FindWindowW(argv[2], nullptr), 103};
        const bool ok = Shell_NotifyIconW(std::wstring(argv[3]) == L"delete" ? NIM_DELETE : NIM_MODIFY, &icon);
        std::printf(ok ? "ok\n" : "fail\n");
        return 0;
    }
    if (cmd == L"broadcast" && argc >= 3)
        return PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(argv[2]), 0, 0) ? 0 : 1;
    if (cmd == L"front" && argc >= 3) {
        SetForegroundWindow(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"probe", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40,
                                            nullptr, nullptr, nullptr, nullptr));
        for (const ULONGLONG end = GetTickCount64() + Num(argv[2]); GetTickCount64() < end; Sleep(10))
            for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
                DispatchMessageW(&msg);
        return 0;
    }
    if (cmd == L"focus") {
        GUITHREADINFO info{sizeof(info)};
        GetGUIThreadInfo(GetWindowThreadProcessId(GetForegroundWindow(), nullptr), &info);
        std::printf("id=%d class=", GetDlgCtrlID(info.hwndFocus));
        Utf8(info.hwndFocus, true);
        std::printf("\n");
        return 0;
    }
    const std::vector<HWND> all = argc >= 3 ? FindAll(argv[2]) : std::vector<HWND>{};
    HWND h = cmd == L"children" && argc >= 4 ? FindWindowW(argv[2], argv[3]) : all.empty() ? nullptr : all.front();
    if (h == nullptr)
        return 1;
    if (cmd == L"hide")
        return ShowWindow(h, SW_HIDE), 0;
    if (cmd == L"children")
        return EnumChildWindows(h, Print, 0), 0;
    if ((cmd != L"send" && cmd != L"post") || argc < 6)
        return 2;
    const auto msg = static_cast<UINT>(Num(argv[3]));
    const auto wp = static_cast<WPARAM>(Num(argv[4]));
    const auto lp = static_cast<LPARAM>(Num(argv[5]));
    if (cmd == L"post")
        return PostMessageW(h, msg, wp, lp) ? 0 : 1;
    std::printf("%lld\n", static_cast<long long>(SendMessageW(h, msg, wp, lp)));
    return 0;
}
