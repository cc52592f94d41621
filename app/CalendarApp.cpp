#include "app/CalendarApp.h"

#include "app/RefreshCommand.h"
#include "calendar/MonthModel.h"
#include "resource.h"
#include "settings/LogonStartup.h"

namespace {
// One running copy per logon session; the window search alone races when two start at once.
constexpr wchar_t kInstanceMutex[] = L"Local\\Mosaryn.Calendar.Instance";
constexpr DWORD kWaitForOtherMs = 10000;
} // namespace

HWND CalendarApp::ClaimInstance(const std::wstring& className, const std::wstring& title, bool& timedOut)
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
        if (HWND other = ClaimInstance(className, title, timedOut)) {
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
        if (!owner_.CreateOwner())
            return false;
        return calendar_.CreateCalendar(owner_.Handle());
    } catch (const qv_error& error) {
        std::wstring caption;
        LoadResString(IDS_PRODUCT, caption);
        MessageBoxW(nullptr, error.message().c_str(), caption.c_str(), MB_ICONERROR);
        return false;
    }
}

int CalendarApp::RunCommand(const ExchangeCommand& command)
{
    if (command.kind != ExchangeKind::Export && command.kind != ExchangeKind::Import)
        return 2;
    const std::wstring className = ResString(IDS_MAIN_CLASS);
    const std::wstring title = ResString(IDS_PRODUCT);
    // A running calendar does the work on its own month, or its next save would undo the import.
    // Holding the instance mutex keeps a calendar from starting half-way through.
    bool timedOut = false;
    if (HWND other = ClaimInstance(className, title, timedOut))
        return HandOverExchange(other, command.kind, command.path);
    if (timedOut)
        return 1;
    MonthModel model;
    return ExchangeExitCode(RunExchange(model, command.kind, command.path));
}

int CalendarApp::RunRefreshCommand(std::wstring& line)
{
    bool timedOut = false;
    if (HWND other = ClaimInstance(ResString(IDS_MAIN_CLASS), ResString(IDS_PRODUCT), timedOut))
        return HandOverRefresh(other, line);
    if (timedOut)
        return 1;
    return RunRefresh(line);
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
