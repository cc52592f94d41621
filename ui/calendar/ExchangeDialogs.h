// The calendar menu's export and import: a file dialog, the work, and a message with the result.
#pragma once
#include "app/Win.h"
#include "calendar/DayDataExchange.h"

#include <string>

class MonthModel;

// The message shown after an import or export.
std::wstring ExchangeMessage(bool import, const exchange::Outcome& outcome);

void ExportWithDialog(HWND owner, MonthModel& model);
// True when the day data changed, so the calendar must be drawn again.
bool ImportWithDialog(HWND owner, MonthModel& model);
