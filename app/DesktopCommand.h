// "/toggle" and "/exit": the desktop's way to reach the calendar from outside (a key bound in
// the desktop, the Linux launcher, an uninstaller). Both act on the running calendar.
#pragma once
#include "app/Win.h"

#include <span>
#include <string>

enum class DesktopVerb { None, Toggle, Exit };

// The arguments after the program name: exactly "/toggle" or "/exit" (or with '-'), else None.
DesktopVerb ParseDesktopVerb(std::span<const std::wstring> args);
// The process's own command line.
DesktopVerb DesktopVerbOfProcess();

// Asks the calendar window to toggle as its hot key does; false when it did not answer.
bool HandOverToggle(HWND calendar);
// Asks the calendar to exit and waits until its process has ended; false when it did not.
bool HandOverExit(HWND calendar);
