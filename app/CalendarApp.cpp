#include "app/CalendarApp.h"

#include "resource.h"
#include "settings/LogonStartup.h"

namespace {
// One running copy per logon session; the window search alone races when two start at once.
constexpr wchar_t kInstanceMutex[] = L"Local\\Mosaryn.Calendar.Instance";
// Held by a command while it runs alone, so that such commands run one after another.
constexpr wchar_t kAloneMutex[] = L"Local\\Mosaryn.Command.Alone";
constexpr DWORD kWaitForOtherMs = 10000;

constexpr DWORD kExitMs = 30000;

bool Owned(DWORD wait) { return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED; }

// "/exit": the calendar writes qv.ini while its window goes; the command is done once its
// process has ended.
CommandResult HandOverAndAwaitEnd(HWND calendar, const ParsedCommand& command)
{
    DWORD id = 0;
    GetWindowThreadProcessId(calendar, &id);
    const UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    CommandResult result = HandOverCommand(calendar, command);
    if (result.exitCode != EXIT_DONE)
        return result;
    const bool ended = process ? WaitForSingleObject(process.get(), kExitMs) == WAIT_OBJECT_0 : !IsWindow(calendar);
    return ended ? result : CommandResult{EXIT_REFUSED, ResString(IDS_NO_ANSWER)};
}
} // namespace

HWND CalendarApp::ClaimInstance(const std::wstring& className, const std::wstring& title, bool claim, bool& timedOut)
{
    timedOut = false;
    if (HWND other = FindWindowW(className.c_str(), title.c_str()))
        return other;
    instanceMutex_.reset(CreateMutexW(nullptr, FALSE, kInstanceMutex));
    if (!instanceMutex_)
        return nullptr;
    DWORD wait = WaitForSingleObject(instanceMutex_.get(), 0);
    // Another copy is starting: wait for its window (or for it to give up the mutex).
    const ULONGLONG deadline = GetTickCount64() + kWaitForOtherMs;
    while (wait == WAIT_TIMEOUT) {
        if (HWND other = FindWindowW(className.c_str(), title.c_str()))
            return other;
        if (GetTickCount64() > deadline) {
            timedOut = true;
            return nullptr;
        }
        wait = WaitForSingleObject(instanceMutex_.get(), 100);
    }
    if (!claim) {
        if (Owned(wait))
            ReleaseMutex(instanceMutex_.get());
        instanceMutex_.reset();
    }
    return nullptr;
}

bool CalendarApp::InitInstance()
{
    try {
        std::wstring className;
        std::wstring title;
        LoadResString(IDS_MAIN_CLASS, className);
        LoadResString(IDS_PRODUCT, title);

        bool timedOut = false;
        if (HWND other = ClaimInstance(className, title, true, timedOut)) {
            ShowWindow(other, SW_SHOW);
            SetForegroundWindow(other);
            return false;
        }
        if (timedOut)
            return false;

        // A start-at-logon entry left pointing at the folder the program was moved from.
        LogonStartup().FollowExecutable();

        INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
        if (!InitCommonControlsEx(&icc))
            return false;
        if (!owner_.CreateOwner() || !calendar_.CreateCalendar(owner_.Handle()))
            return false;
        if (showAtStart_) {
            ShowWindow(calendar_.Handle(), SW_SHOW);
            SetForegroundWindow(calendar_.Handle());
        }
        return true;
    } catch (const qv_error& error) {
        std::wstring caption;
        LoadResString(IDS_PRODUCT, caption);
        MessageBoxW(nullptr, error.message().c_str(), caption.c_str(), MB_ICONERROR);
        return false;
    }
}

int CalendarApp::RunCommand(const ParsedCommand& command)
{
    // "/toggle" with no calendar running: this copy becomes the calendar, shown. A calendar
    // that starts meanwhile is shown and raised by InitInstance, which is the toggle's work too.
    if (!command.bad && command.verb != nullptr && command.verb->startsCalendar &&
        FindWindowW(ResString(IDS_MAIN_CLASS).c_str(), ResString(IDS_PRODUCT).c_str()) == nullptr) {
        showAtStart_ = true;
        return InitInstance() ? Run() : EXIT_DONE;
    }
    const CommandResult result = Execute(command);
    PrintLine(result.line);
    return result.exitCode;
}

CommandResult CalendarApp::Execute(const ParsedCommand& command)
{
    if (command.bad || command.verb == nullptr)
        return {EXIT_BAD_ARGUMENTS, UsageLine(command)};
    const Verb& verb = *command.verb;
    const std::wstring className = ResString(IDS_MAIN_CLASS);
    const std::wstring title = ResString(IDS_PRODUCT);
    for (;;) {
        // A running calendar does the work on its own month, or its next save would undo an import.
        bool timedOut = false;
        if (HWND calendar = verb.handed ? ClaimInstance(className, title, false, timedOut) : nullptr)
            return verb.awaitsEnd ? HandOverAndAwaitEnd(calendar, command) : HandOverCommand(calendar, command);
        if (timedOut)
            return {EXIT_REFUSED, ResString(IDS_CMD_CALENDAR_STARTING)};
        if (verb.alone == nullptr)
            return {EXIT_REFUSED, ResString(IDS_CMD_NEEDS_CALENDAR)};
        // Commands that run alone take turns. A calendar may start meanwhile: it starts at
        // once, and reads the day data again when the command is done.
        UniqueHandle turn(CreateMutexW(nullptr, FALSE, kAloneMutex));
        const bool owned = turn && Owned(WaitForSingleObject(turn.get(), INFINITE));
        if (verb.handed != nullptr && FindWindowW(className.c_str(), title.c_str()) != nullptr) {
            if (owned)
                ReleaseMutex(turn.get());
            continue; // it takes this command
        }
        CommandResult result = verb.alone(command.args);
        if (owned)
            ReleaseMutex(turn.get());
        if (HWND started = FindWindowW(className.c_str(), title.c_str()))
            PostMessageW(started, WM_DAY_DATA_CHANGED, 0, 0);
        return result;
    }
}

int CalendarApp::Run()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // The modeless settings sheet gets its keyboard interface (Tab, arrows, Enter, Esc).
        HWND sheet = calendar_.SettingsSheetWindow();
        if (sheet != nullptr && IsWindow(sheet) && IsChild(sheet, msg.hwnd) && IsDialogMessageW(sheet, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
