#include "app/Dpi.h"

#include "app/Handle.h"

namespace {

// Both functions are looked up at run time: systems before Windows 10 1607 (GetDpiForWindow)
// and 8.1 (GetDpiForMonitor) lack them, and the program still runs there at the system DPI.
template <typename Function> Function Lookup(const wchar_t* module, const char* name, bool load)
{
    HMODULE handle = GetModuleHandleW(module);
    if (handle == nullptr && load)
        handle = LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return handle != nullptr ? reinterpret_cast<Function>(GetProcAddress(handle, name)) : nullptr;
}

UINT Sane(UINT dpi) { return dpi >= 48 && dpi <= 960 ? dpi : SystemDpi(); }

} // namespace

UINT SystemDpi()
{
    static const UINT dpi = [] {
        const ScreenDC screen;
        const int value = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
        return value >= 48 && value <= 960 ? static_cast<UINT>(value) : kBaseDpi;
    }();
    return dpi;
}

UINT WindowDpi(HWND window)
{
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = Lookup<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow", false);
    if (getDpi == nullptr || window == nullptr)
        return SystemDpi();
    return Sane(getDpi(window));
}

UINT DpiAt(POINT point)
{
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto getDpi = Lookup<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor", true);
    HMONITOR monitor = MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
    UINT x = 0;
    UINT y = 0;
    constexpr int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI, without pulling in shellscalingapi.h
    if (getDpi == nullptr || monitor == nullptr || FAILED(getDpi(monitor, kEffectiveDpi, &x, &y)))
        return SystemDpi();
    return Sane(y);
}
