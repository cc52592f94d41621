#include "app/AgendaCommand.h"

#include "app/Application.h"
#include "calendar/Agenda.h"
#include "res/resource.h"

#include <shellapi.h>

#include <memory>
#include <vector>

std::optional<int> RunAgendaCommand(std::span<const std::wstring> args, std::wstring& line)
{
    if (args.empty() || args[0].size() != 7 || (args[0][0] != L'/' && args[0][0] != L'-') ||
        _wcsicmp(args[0].c_str() + 1, L"agenda") != 0)
        return std::nullopt;
    if (args.size() != 4) {
        line = ResString(IDS_AGENDA_USAGE);
        return 2;
    }
    return RunAgenda(args[1], args[2], args[3], line);
}

std::optional<int> RunAgendaCommandOfProcess(std::wstring& line)
{
    int count = 0;
    const std::unique_ptr<wchar_t*, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &count),
                                                               &LocalFree);
    if (!argv || count < 2)
        return std::nullopt;
    const std::vector<std::wstring> args(argv.get() + 1, argv.get() + count);
    return RunAgendaCommand(args, line);
}
