// "/reminders <first> <last> <file>": the reminders that would fire on those
// days, written without any window for the user's scripts.
#pragma once
#include "app/CommandLine.h"
#include "calendar/Reminders.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// One line per reminder, tab-separated: when it fires, the appointment's start
// (both "YYYY-MM-DD HH:MM", local), the kind ("メモ" or the online calendar's
// name) and the text. UTF-8 without a mark, CRLF.
std::string ReminderLines(std::span<const reminders::Reminder> list, const tz::TimeZone& zone);

// Days as YYYY-MM-DD from `first` to `last` into `path`, from qv.ini, qv.dat
// (and the kept online calendars) in `dataDirectory` (empty: the program's
// folder). 0 written, 1 nothing could be read or written, 2 bad arguments;
// `line` says what happened.
int RunReminders(const std::wstring& first, const std::wstring& last, const std::wstring& path, std::wstring& line,
                 const std::wstring& dataDirectory = {});

// The verb "/reminders <first> <last> <file>", run without any window.
CommandResult RemindersAlone(const Arguments& args);
