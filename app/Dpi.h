// Dots per inch of the screens the program's windows stand on. 96 is 100 %: every size of the
// program is given in pixels at 96 and scaled by Dpi / 96 elsewhere.
#pragma once
#include "app/Win.h"

inline constexpr UINT kBaseDpi = 96;

// The DPI of the primary screen when the user logged on; device contexts measure in it.
UINT SystemDpi();
// The DPI of the monitor the window stands on (GetDpiForWindow where present, else SystemDpi).
UINT WindowDpi(HWND window);
// The DPI of the monitor nearest to the point (GetDpiForMonitor where present, else SystemDpi).
UINT DpiAt(POINT point);

inline float DpiScale(UINT dpi) { return static_cast<float>(dpi) / static_cast<float>(kBaseDpi); }
