// `Mosaryn.exe /agenda <first> <last> <file>` on the command line.
#pragma once
#include "app/CommandLine.h"

// The verb, run without any window and without fetching.
CommandResult AgendaAlone(const Arguments& args);
