// `Mosaryn.exe /agenda <first> <last> <file>` on the command line.
#pragma once
#include <optional>
#include <span>
#include <string>

// The agenda's exit code when the arguments (after the program name) start with
// "/agenda", with the line that tells the result; null for any other command line.
std::optional<int> RunAgendaCommand(std::span<const std::wstring> args, std::wstring& line);
// The same for the process's own command line.
std::optional<int> RunAgendaCommandOfProcess(std::wstring& line);
