// The command line: verbs such as "/import <file>", each ending with an exit code and one
// line in Japanese for the console. A verb runs in the running calendar when there is one
// (handed over with WM_COPYDATA; the reply comes back the same way once the work is done),
// else alone in this process.
#pragma once
#include "app/Application.h"
#include "app/Win.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

class CalendarWindow;

constexpr int EXIT_DONE = 0;
constexpr int EXIT_REFUSED = 1; // refused, or failed with nothing changed
constexpr int EXIT_BAD_ARGUMENTS = 2;

struct CommandResult {
    int exitCode = EXIT_REFUSED;
    std::wstring line; // what was done, or why not
};
using Reply = std::function<void(CommandResult)>;
using Arguments = std::vector<std::wstring>;

// One entry of the verb table; another verb is one more entry in Verbs().
struct Verb {
    const wchar_t* name; // after '/' or '-', in any letter case
    int arguments;       // exactly this many
    unsigned files;      // bit n: argument n is a file, made full against the caller's folder
    UINT usage;          // string: "Mosaryn.exe /verb ..."
    // Alone in this process when no calendar runs; null when the verb needs one.
    CommandResult (*alone)(const Arguments& args);
    // In the running calendar, on its thread; calls `reply` once, at once or later. Null: the
    // verb always runs alone.
    void (*handed)(CalendarWindow& calendar, const Arguments& args, Reply reply);
    // Without a running calendar this process becomes the calendar, shown (instead of `alone`).
    bool startsCalendar = false;
    // After the reply the caller waits until the calendar's process has ended.
    bool awaitsEnd = false;
};
std::span<const Verb> Verbs();

struct ParsedCommand {
    const Verb* verb = nullptr; // null and not bad: no command, the calendar starts
    bool bad = false;           // bad arguments (the verb, when known, names its usage)
    Arguments args;
};
// The arguments after the program name.
ParsedCommand ParseCommandLine(std::span<const std::wstring> args);
// The process's own command line, with file arguments made full in this process's folder.
ParsedCommand CommandOfProcess();
// The line for bad arguments: the usage of the verb, or of every verb.
std::wstring UsageLine(const ParsedCommand& command);

// One line for whoever started the program: to standard output when there is one (UTF-8
// unless it is a console), else to the parent's console (none: nothing).
void PrintLine(const std::wstring& line);

// Hands the command to the calendar window and waits for its reply while the calendar
// exists and answers; the line says why when it gives up.
CommandResult HandOverCommand(HWND calendar, const ParsedCommand& command);
// The calendar's side of a WM_COPYDATA: TRUE when the command was taken (its reply follows).
LRESULT ReceiveCommand(CalendarWindow& calendar, const COPYDATASTRUCT* data);

// Posted to the calendar window by a command that ran alone: read the day data again.
constexpr UINT WM_DAY_DATA_CHANGED = WM_APP + 121;
