#include "app/CommandLine.h"

#include "app/TextCodec.h"
#include "app/Handle.h"
#include "calendar/ICalendar.h"
#include "resource.h"
#include "app/AgendaCommand.h"
#include "app/DesktopCommand.h"
#include "app/RefreshCommand.h"
#include "app/ReminderCommand.h"
#include "ui/calendar/ExchangeDialogs.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {
constexpr std::size_t kMaxPathChars = 32768;
// WM_COPYDATA between the two copies: a command (reply window, verb, arguments) and its reply
// (exit code, line), each a run of NUL-terminated wide strings.
constexpr ULONG_PTR kCommandData = 0x4D534302;
constexpr ULONG_PTR kReplyData = 0x4D535202;
constexpr wchar_t kReplyClass[] = L"MosarynCommandReply";
constexpr DWORD kHandOverTimeoutMs = 30000;
constexpr ULONGLONG kHungGiveUpMs = 60000;

const Verb kVerbs[] = {
    {L"export", 1, 0b1, IDS_USAGE_EXPORT, ExportAlone, ExportInCalendar},
    {L"import", 1, 0b1, IDS_USAGE_IMPORT, ImportAlone, ImportInCalendar},
    {L"toggle", 0, 0, IDS_USAGE_TOGGLE, nullptr, ToggleInCalendar, true},
    {L"exit", 0, 0, IDS_USAGE_EXIT, ExitAlone, ExitInCalendar, false, true},
    {L"refresh", 0, 0, IDS_USAGE_REFRESH, RefreshAlone, RefreshInCalendar},
    {L"agenda", 3, 0b100, IDS_AGENDA_USAGE, AgendaAlone, nullptr},
    {L"reminders", 3, 0b100, IDS_REMINDERS_USAGE, RemindersAlone, nullptr},
};

const Verb* FindVerb(const wchar_t* name)
{
    const auto verb =
        std::find_if(std::begin(kVerbs), std::end(kVerbs), [&](const Verb& v) { return _wcsicmp(name, v.name) == 0; });
    return verb == std::end(kVerbs) ? nullptr : &*verb;
}

std::wstring Joined(std::span<const std::wstring> parts)
{
    std::wstring out;
    for (const std::wstring& part : parts)
        out.append(part).push_back(L'\0');
    return out;
}

// The NUL-terminated strings of a WM_COPYDATA; empty when it is not one of ours.
std::vector<std::wstring> Strings(const COPYDATASTRUCT* data, ULONG_PTR kind)
{
    std::vector<std::wstring> out;
    if (data == nullptr || data->dwData != kind || data->lpData == nullptr || data->cbData % sizeof(wchar_t) != 0 ||
        data->cbData / sizeof(wchar_t) > 8 * kMaxPathChars)
        return out;
    const std::wstring_view all(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    for (std::size_t pos = 0; pos < all.size();) {
        const std::size_t end = std::min(all.find(L'\0', pos), all.size());
        out.emplace_back(all.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

bool SendStrings(HWND to, ULONG_PTR kind, const std::wstring& joined, DWORD timeoutMs, DWORD_PTR& answer)
{
    COPYDATASTRUCT data{kind, static_cast<DWORD>(joined.size() * sizeof(wchar_t)), const_cast<wchar_t*>(joined.data())};
    return SendMessageTimeoutW(to, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, timeoutMs,
                               &answer) != 0;
}

// The caller's message-only window that the calendar's reply comes to.
class ReplyWindow {
public:
    ReplyWindow()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kReplyClass;
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, kReplyClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        if (hwnd_ != nullptr)
            SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ReplyWindow()
    {
        if (hwnd_ != nullptr)
            DestroyWindow(hwnd_);
    }
    ReplyWindow(const ReplyWindow&) = delete;
    ReplyWindow& operator=(const ReplyWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    const std::optional<CommandResult>& Result() const { return result_; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<ReplyWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg != WM_COPYDATA || self == nullptr)
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        const std::vector<std::wstring> reply = Strings(reinterpret_cast<const COPYDATASTRUCT*>(lParam), kReplyData);
        if (reply.size() < 2 || reply[0].size() != 1 || reply[0][0] < L'0' || reply[0][0] > L'2')
            return FALSE;
        self->result_ = CommandResult{reply[0][0] - L'0', reply[1]};
        return TRUE;
    }

    HWND hwnd_ = nullptr;
    std::optional<CommandResult> result_;
};

// The caller's reply window named in a command, when it is one.
HWND ReplyWindowOf(const std::wstring& text)
{
    const auto hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::wcstoull(text.c_str(), nullptr, 16)));
    wchar_t name[64] = {};
    if (hwnd == nullptr || !IsWindow(hwnd) || GetClassNameW(hwnd, name, 64) == 0 || std::wcscmp(name, kReplyClass) != 0)
        return nullptr;
    return hwnd;
}

void WriteToConsole(HANDLE console, const std::wstring& text)
{
    DWORD written = 0;
    WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
} // namespace

std::span<const Verb> Verbs() { return kVerbs; }

ParsedCommand ParseCommandLine(std::span<const std::wstring> args)
{
    ParsedCommand command;
    if (args.empty())
        return command;
    command.bad = true;
    const bool isSwitch = args[0].size() > 1 && (args[0][0] == L'/' || args[0][0] == L'-');
    const Verb* verb = isSwitch ? FindVerb(args[0].c_str() + 1) : nullptr;
    if (verb == nullptr)
        return command;
    command.verb = verb;
    command.args.assign(args.begin() + 1, args.end());
    command.bad = static_cast<int>(command.args.size()) != verb->arguments ||
                  std::any_of(command.args.begin(), command.args.end(), [](const auto& a) { return a.empty(); });
    return command;
}

ParsedCommand CommandOfProcess()
{
    int count = 0;
    const UniqueLocal<wchar_t**> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!argv)
        return {};
    const std::vector<std::wstring> args(argv.get() + (count > 0 ? 1 : 0), argv.get() + std::max(count, 0));
    ParsedCommand command = ParseCommandLine(args);
    if (command.bad || command.verb == nullptr)
        return command;
    // The running calendar has a folder of its own: it is handed full paths.
    for (std::size_t i = 0; i < command.args.size(); ++i) {
        if ((command.verb->files & (1u << i)) == 0)
            continue;
        std::wstring& path = command.args[i];
        std::vector<wchar_t> full(kMaxPathChars);
        const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0 || n >= full.size())
            command.bad = true;
        else
            path.assign(full.data(), n);
    }
    return command;
}

std::wstring UsageLine(const ParsedCommand& command)
{
    std::wstring usage;
    for (const Verb& verb : kVerbs)
        if (command.verb == nullptr || command.verb == &verb)
            usage += (usage.empty() ? L"" : L" / ") + ResString(verb.usage);
    return ResFormat(IDS_CMD_BAD_ARGUMENTS, usage.c_str());
}

void PrintLine(const std::wstring& line)
{
    if (line.empty())
        return;
    const std::wstring text = line + L"\r\n";
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const DWORD type = out == nullptr || out == INVALID_HANDLE_VALUE ? FILE_TYPE_UNKNOWN : GetFileType(out);
    DWORD mode = 0;
    if (type == FILE_TYPE_CHAR && GetConsoleMode(out, &mode)) {
        WriteToConsole(out, text);
    } else if (type != FILE_TYPE_UNKNOWN) { // a file, a pipe, or a device such as NUL
        const std::string utf8 = ToUtf8(text);
        DWORD written = 0;
        WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    } else if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        // A windows program started from cmd.exe: its prompt is back already, so the line
        // starts on a line of its own.
        const UniqueFile console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        if (console)
            WriteToConsole(console.get(), L"\r\n" + text);
        FreeConsole();
    }
}

CommandResult HandOverCommand(HWND calendar, const ParsedCommand& command)
{
    ReplyWindow reply;
    if (reply.Handle() == nullptr || command.verb == nullptr)
        return {EXIT_REFUSED, ResString(IDS_CMD_NOT_TAKEN)};
    wchar_t replyTo[32];
    std::swprintf(replyTo, 32, L"%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(reply.Handle())));
    std::vector<std::wstring> parts{replyTo, command.verb->name};
    parts.insert(parts.end(), command.args.begin(), command.args.end());
    // The user asked from the foreground: the calendar may come to the front, as with its hot key.
    DWORD process = 0;
    GetWindowThreadProcessId(calendar, &process);
    AllowSetForegroundWindow(process);
    DWORD_PTR taken = 0;
    if (!SendStrings(calendar, kCommandData, Joined(parts), kHandOverTimeoutMs, taken) || taken != TRUE)
        return {EXIT_REFUSED, ResString(IDS_CMD_NOT_TAKEN)};
    // The work may take long (a queued import waits its turn): wait while the calendar answers.
    ULONGLONG lastAnswer = GetTickCount64(), lastCheck = 0;
    while (!reply.Result()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_ALLINPUT);
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&msg);
        if (reply.Result())
            break;
        if (!IsWindow(calendar))
            return {EXIT_REFUSED, ResString(IDS_CMD_CALENDAR_ENDED)};
        const ULONGLONG now = GetTickCount64();
        if (now - lastCheck < 1000)
            continue;
        lastCheck = now;
        DWORD_PTR ignored = 0;
        if (SendMessageTimeoutW(calendar, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored))
            lastAnswer = GetTickCount64();
        else if (GetTickCount64() - lastAnswer > kHungGiveUpMs)
            return {EXIT_REFUSED, ResFormat(IDS_CMD_CALENDAR_HUNG, static_cast<int>(kHungGiveUpMs / 1000))};
    }
    return *reply.Result();
}

LRESULT ReceiveCommand(CalendarWindow& calendar, const COPYDATASTRUCT* data)
{
    const std::vector<std::wstring> parts = Strings(data, kCommandData);
    if (parts.size() < 2)
        return FALSE;
    HWND caller = ReplyWindowOf(parts[0]);
    const Verb* verb = FindVerb(parts[1].c_str());
    if (caller == nullptr || verb == nullptr || verb->handed == nullptr ||
        static_cast<int>(parts.size()) - 2 != verb->arguments ||
        std::any_of(parts.begin() + 2, parts.end(),
                    [](const auto& a) { return a.empty() || a.size() > kMaxPathChars; }))
        return FALSE;
    verb->handed(calendar, Arguments(parts.begin() + 2, parts.end()), [caller](CommandResult result) {
        const std::wstring code(1, static_cast<wchar_t>(L'0' + std::clamp(result.exitCode, 0, 2)));
        DWORD_PTR ignored = 0;
        if (IsWindow(caller))
            SendStrings(caller, kReplyData, Joined(std::vector<std::wstring>{code, result.line}), 10000, ignored);
    });
    return TRUE;
}
