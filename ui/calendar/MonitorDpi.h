// Keeps the calendar's layout at the DPI of the monitor it stands on: before it is
// placed, once it is, and when it is dragged to another monitor or the scale changes.
#pragma once
#include "app/Win.h"

class CalendarPainter;

class MonitorDpi {
public:
    explicit MonitorDpi(CalendarPainter& painter) : painter_(painter) {}

    // Lays out for the monitor nearest to where the window is about to go.
    void LayoutFor(POINT position);
    // After placing: true when the window's monitor has another DPI (laid out again; place it again).
    bool FollowWindow(HWND window);
    // WM_DPICHANGED: true when the layout changed; the window then takes the suggested
    // place at its own size for the new DPI (the hand-over adds the shadow).
    bool OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam);

private:
    bool Use(UINT dpi);

    CalendarPainter& painter_;
};
