#include "app/ScreenPlacement.h"

#include <algorithm>
#include <cmath>

POINT PlaceInWorkArea(int x, int y, float width, float height, const RECT& work)
{
    double left = x;
    double top = y;
    if (left + width > work.right)
        left = std::floor(work.right - static_cast<double>(width));
    if (top + height > work.bottom)
        top = std::floor(work.bottom - static_cast<double>(height));
    // A popup larger than the work area keeps its top-left corner visible.
    left = std::max(left, static_cast<double>(work.left));
    top = std::max(top, static_cast<double>(work.top));
    return POINT{static_cast<LONG>(left), static_cast<LONG>(top)};
}

RECT WorkAreaAt(int x, int y)
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    HMONITOR monitor = MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONEAREST);
    if (monitor != nullptr && GetMonitorInfoW(monitor, &info))
        return info.rcWork;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}
