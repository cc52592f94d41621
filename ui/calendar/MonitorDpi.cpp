#include "ui/calendar/MonitorDpi.h"

#include "app/Dpi.h"
#include "render/CalendarPainter.h"

bool MonitorDpi::Use(UINT dpi)
{
    if (dpi == 0 || dpi == painter_.Dpi())
        return false;
    painter_.SetDpi(dpi);
    painter_.Layout();
    return true;
}

void MonitorDpi::LayoutFor(POINT position)
{
    if (!Use(DpiAt(position)))
        painter_.Layout();
}

bool MonitorDpi::FollowWindow(HWND window) { return Use(WindowDpi(window)); }

bool MonitorDpi::OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (!Use(LOWORD(wParam)))
        return false;
    if (const auto* suggested = reinterpret_cast<const RECT*>(lParam)) {
        const PixelSize size = painter_.GetSize();
        SetWindowPos(window, nullptr, suggested->left, suggested->top, size.width, size.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
}
