#include "app/DesktopCommand.h"

#include "app/Handle.h"
#include "resource.h"

#include <shellapi.h>

#include <memory>
#include <vector>

namespace {
constexpr DWORD kAnswerMs = 10000;
constexpr DWORD kExitMs = 30000;

struct LocalFreer {
    void operator()(void* p) const { LocalFree(p); }
};
} // namespace

DesktopVerb ParseDesktopVerb(std::span<const std::wstring> args)
{
    if (args.size() != 1 || args[0].size() < 2 || (args[0][0] != L'/' && args[0][0] != L'-'))
        return DesktopVerb::None;
    const wchar_t* name = args[0].c_str() + 1;
    if (_wcsicmp(name, L"toggle") == 0)
        return DesktopVerb::Toggle;
    if (_wcsicmp(name, L"exit") == 0)
        return DesktopVerb::Exit;
    return DesktopVerb::None;
}

DesktopVerb DesktopVerbOfProcess()
{
    int count = 0;
    std::unique_ptr<wchar_t*, LocalFreer> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!argv || count < 1)
        return DesktopVerb::None;
    const std::vector<std::wstring> args(argv.get() + 1, argv.get() + count);
    return ParseDesktopVerb(args);
}

bool HandOverToggle(HWND calendar)
{
    DWORD process = 0;
    GetWindowThreadProcessId(calendar, &process);
    // The user asked from the foreground: the calendar may come to the front, as with its hot key.
    AllowSetForegroundWindow(process);
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(calendar, WM_COMMAND, ID_TOGGLE, 0, SMTO_ABORTIFHUNG, kAnswerMs, &result) != 0;
}

bool HandOverExit(HWND calendar)
{
    DWORD id = 0;
    GetWindowThreadProcessId(calendar, &id);
    const UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    if (!PostMessageW(calendar, WM_COMMAND, ID_EXIT, 0))
        return false;
    // qv.ini is written while the window goes; the process ends right after.
    if (process)
        return WaitForSingleObject(process.get(), kExitMs) == WAIT_OBJECT_0;
    for (const ULONGLONG end = GetTickCount64() + kExitMs; IsWindow(calendar); Sleep(50))
        if (GetTickCount64() > end)
            return false;
    return true;
}
