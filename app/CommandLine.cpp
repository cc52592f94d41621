#include "app/ExchangeCommand.h"

#include "calendar/MonthModel.h"

#include <shellapi.h>

#include <memory>
#include <vector>

namespace {
constexpr DWORD kHandOverTimeoutMs = 120000;
constexpr std::size_t kMaxPathChars = 32768;

bool SameSwitch(const std::wstring& arg, const wchar_t* name)
{
    return arg.size() > 1 && (arg[0] == L'/' || arg[0] == L'-') && _wcsicmp(arg.c_str() + 1, name) == 0;
}

struct LocalFreer {
    void operator()(void* p) const { LocalFree(p); }
};
} // namespace

ExchangeCommand ParseExchangeArguments(std::span<const std::wstring> args)
{
    if (args.empty())
        return {};
    if (args.size() != 2 || args[1].empty())
        return {ExchangeKind::Bad, {}};
    if (SameSwitch(args[0], L"export"))
        return {ExchangeKind::Export, args[1]};
    if (SameSwitch(args[0], L"import"))
        return {ExchangeKind::Import, args[1]};
    return {ExchangeKind::Bad, {}};
}

ExchangeCommand ExchangeCommandOfProcess()
{
    int count = 0;
    std::unique_ptr<wchar_t*, LocalFreer> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!argv)
        return {};
    std::vector<std::wstring> args(argv.get() + (count > 0 ? 1 : 0), argv.get() + std::max(count, 0));
    ExchangeCommand command = ParseExchangeArguments(args);
    if (command.kind == ExchangeKind::Export || command.kind == ExchangeKind::Import) {
        // The running calendar has its own current directory: hand it a full path.
        std::vector<wchar_t> full(kMaxPathChars);
        const DWORD n = GetFullPathNameW(command.path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0 || n >= full.size())
            return {ExchangeKind::Bad, {}};
        command.path.assign(full.data(), n);
    }
    return command;
}

exchange::Outcome RunExchange(MonthModel& model, ExchangeKind kind, const std::wstring& path)
{
    if (kind == ExchangeKind::Export)
        return exchange::ExportDayData(model.DataFilePath(), path);
    if (kind != ExchangeKind::Import)
        return {};
    exchange::Outcome outcome = exchange::ImportDayData(model.DataFilePath(), model.TempFilePath(), path);
    // The shown month is read again, so that its next save does not write stale entries over the import.
    if (outcome.status == exchange::Status::Done)
        model.Rebuild();
    return outcome;
}

int ExchangeExitCode(const exchange::Outcome& outcome) { return outcome.status == exchange::Status::Done ? 0 : 1; }

LRESULT ReceiveExchange(MonthModel& model, const COPYDATASTRUCT* data)
{
    if (data == nullptr || data->lpData == nullptr || data->cbData == 0 || data->cbData % sizeof(wchar_t) != 0 ||
        data->cbData / sizeof(wchar_t) > kMaxPathChars)
        return 0;
    const ExchangeKind kind = data->dwData == COPYDATA_EXPORT   ? ExchangeKind::Export
                              : data->dwData == COPYDATA_IMPORT ? ExchangeKind::Import
                                                                : ExchangeKind::None;
    if (kind == ExchangeKind::None)
        return 0;
    std::wstring path(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    path.erase(path.find(L'\0') == std::wstring::npos ? path.size() : path.find(L'\0'));
    if (path.empty())
        return 3; // bad arguments
    return ExchangeExitCode(RunExchange(model, kind, path)) + 1;
}

int HandOverExchange(HWND calendar, ExchangeKind kind, const std::wstring& path)
{
    COPYDATASTRUCT data{};
    data.dwData = kind == ExchangeKind::Export ? COPYDATA_EXPORT : COPYDATA_IMPORT;
    data.cbData = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(path.c_str());
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(calendar, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                             kHandOverTimeoutMs, &result))
        return 1;
    return result >= 1 && result <= 3 ? static_cast<int>(result) - 1 : 1;
}
