// "/refresh": every shown online calendar fetched once, by the running
// calendar or, without one, in this process without a window.
#pragma once
#include "app/Win.h"

#include <string>

// WM_COPYDATA from a second copy: the data is the handle (8 bytes) of the
// window that waits for the answer; the receiver answers 1 when it took the
// request up.
constexpr ULONG_PTR COPYDATA_REFRESH = 0x4D535201;
// Posted to that window when the round ends: wParam the subscriptions that
// failed, lParam all that were refreshed.
UINT RefreshReplyMessage();

// The one-line result, and the exit code: 0 when every shown subscription
// was refreshed, 1 when any failed.
std::wstring RefreshLine(int total, int failed);
inline int RefreshExitCode(int failed) { return failed == 0 ? 0 : 1; }

// "/refresh" alone asks for a refresh; anything after it is a bad argument.
enum class RefreshRequest { None, Run, Bad };
RefreshRequest RefreshRequestOfProcess();
// The result line to a standard output that a caller redirected, in UTF-8.
void PrintLine(const std::wstring& line);

// Refreshes the subscriptions of qv.ini in the program's folder here; qv.ini
// and qv.dat are only read.
int RunRefresh(std::wstring& line);
// Hands the refresh to the running calendar and waits for its round to end.
int HandOverRefresh(HWND calendar, std::wstring& line);
