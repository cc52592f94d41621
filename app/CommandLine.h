// Export and import of the day data, from the command line, from a second
// copy of the program (WM_COPYDATA) or from the calendar menu.
#pragma once
#include "app/Win.h"
#include "calendar/DayDataExchange.h"

#include <span>
#include <string>

class MonthModel;

enum class ExchangeKind { None, Export, Import, Bad };

struct ExchangeCommand {
    ExchangeKind kind = ExchangeKind::None;
    std::wstring path;
};

// The arguments after the program name: none, or "/export <file>" or "/import <file>".
ExchangeCommand ParseExchangeArguments(std::span<const std::wstring> args);
// The process's own command line.
ExchangeCommand ExchangeCommandOfProcess();

// Runs the command against the model's data file; an import reloads the shown month.
exchange::Outcome RunExchange(MonthModel& model, ExchangeKind kind, const std::wstring& path);
// 0 done, 1 refused or failed with nothing changed, 2 bad arguments.
int ExchangeExitCode(const exchange::Outcome& outcome);

// WM_COPYDATA between two copies: dwData names the command, the data is the full path.
// The receiver answers the exit code plus one, so that 0 means "not handled".
constexpr ULONG_PTR COPYDATA_EXPORT = 0x4D535801;
constexpr ULONG_PTR COPYDATA_IMPORT = 0x4D534901;
LRESULT ReceiveExchange(MonthModel& model, const COPYDATASTRUCT* data);
int HandOverExchange(HWND calendar, ExchangeKind kind, const std::wstring& path);
