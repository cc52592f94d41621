#include "app/RefreshCommand.h"

#include "app/Application.h"
#include "calendar/FeedRefresher.h"
#include "calendar/HttpFetch.h"
#include "calendar/Subscriptions.h"
#include "resource.h"
#include "settings/IniFile.h"

#include <shellapi.h>

#include <cwchar>
#include <memory>
#include <vector>

namespace {
constexpr DWORD kHandOverTimeoutMs = 10000;
constexpr DWORD kCheckEveryMs = 1000;

struct WindowDestroyer {
    void operator()(HWND h) const
    {
        if (h != nullptr)
            DestroyWindow(h);
    }
};

struct LocalFreer {
    void operator()(void* p) const { LocalFree(p); }
};
} // namespace

RefreshRequest RefreshRequestOfProcess()
{
    int count = 0;
    const std::unique_ptr<wchar_t*, LocalFreer> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!argv || count < 2)
        return RefreshRequest::None;
    const wchar_t* verb = argv.get()[1];
    if ((verb[0] != L'/' && verb[0] != L'-') || _wcsicmp(verb + 1, L"refresh") != 0)
        return RefreshRequest::None;
    return count == 2 ? RefreshRequest::Run : RefreshRequest::Bad;
}

void PrintLine(const std::wstring& line)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return;
    const std::wstring text = line + L"\r\n";
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::vector<char> bytes(static_cast<std::size_t>(size > 0 ? size : 0));
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

UINT RefreshReplyMessage() { return RegisterWindowMessageW(L"Mosaryn.RefreshDone"); }

std::wstring RefreshLine(int total, int failed)
{
    wchar_t text[256];
    if (failed == 0)
        std::swprintf(text, 256, ResString(IDS_REFRESH_DONE).c_str(), total);
    else
        std::swprintf(text, 256, ResString(IDS_REFRESH_FAILED).c_str(), total, failed);
    return text;
}

int RunRefresh(std::wstring& line)
{
    std::wstring directory;
    TheApp()->ModuleDirectory(directory);
    SubscriptionList subscriptions;
    subscriptions.Load(IniFile(directory + ResString(IDS_INI_FILE)));
    const FeedStore store(directory);
    HttpFetch fetch;
    int total = 0;
    int failed = 0;
    for (const Subscription& s : subscriptions.items) {
        if (!s.shown)
            continue;
        ++total;
        const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
        FetchedFeed fetched = FetchFeed(store, s.url, fetch, now);
        KeepFeed(store, s.url, fetched);
        failed += fetched.state.outcome == FeedOutcome::Ok ? 0 : 1;
    }
    line = RefreshLine(total, failed);
    return RefreshExitCode(failed);
}

int HandOverRefresh(HWND calendar, std::wstring& line)
{
    line = ResString(IDS_REFRESH_NO_ANSWER);
    // A window of this process that only receives the answer.
    const std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer> answer(
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    if (!answer)
        return 1;
    const std::uint64_t handle = reinterpret_cast<std::uintptr_t>(answer.get());
    COPYDATASTRUCT data{COPYDATA_REFRESH, sizeof(handle), const_cast<std::uint64_t*>(&handle)};
    DWORD_PTR accepted = 0;
    if (!SendMessageTimeoutW(calendar, WM_COPYDATA, reinterpret_cast<WPARAM>(answer.get()),
                             reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kHandOverTimeoutMs, &accepted) ||
        accepted != 1)
        return 1;
    const UINT reply = RefreshReplyMessage();
    // The round may wait behind another and take a minute per subscription; it ends unless the calendar does.
    while (IsWindow(calendar)) {
        MSG msg;
        while (PeekMessageW(&msg, answer.get(), 0, 0, PM_REMOVE)) {
            if (msg.message == reply) {
                const int failed = static_cast<int>(msg.wParam);
                line = RefreshLine(static_cast<int>(msg.lParam), failed);
                return RefreshExitCode(failed);
            }
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kCheckEveryMs, QS_ALLINPUT);
    }
    return 1;
}
