#include "ui/calendar/CalendarWindow.h"

#include "app/Application.h"
#include "app/Handle.h"
#include "resource.h"

CalendarWindow::CalendarWindow() = default;
CalendarWindow::~CalendarWindow() = default;

bool CalendarWindow::CreateCalendar(HWND owner)
{
    const std::wstring className = ResString(IDS_MAIN_CLASS);
    const std::wstring title = ResString(IDS_PRODUCT);
    RegisterWindowClass(className.c_str(), CS_HREDRAW | CS_VREDRAW, nullptr, nullptr,
                        LoadCursorW(nullptr, IDC_ARROW), nullptr);
    return Create(WS_EX_LAYERED, className.c_str(), title.c_str(), WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, 500,
                  300, 200, 200, owner, nullptr);
}

bool CalendarWindow::OnCreate(CREATESTRUCTW*)
{
    Render(false);
    ShowWindow(Handle(), SW_SHOW);
    return true;
}

void CalendarWindow::OnDestroy() { PostQuitMessage(0); }

void CalendarWindow::Render(bool)
{
    // A plain translucent card until the painter draws the month.
    RECT rc;
    GetWindowRect(Handle(), &rc);
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    ScreenDC screen;
    HDC mem = CreateCompatibleDC(screen.Get());
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueGdi<HBITMAP> dib(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (dib && bits != nullptr) {
        auto* px = static_cast<std::uint32_t*>(bits);
        for (int i = 0; i < w * h; ++i)
            px[i] = 0x80808080u; // white at alpha 128, premultiplied
        HGDIOBJ old = SelectObject(mem, dib.get());
        POINT dst{rc.left, rc.top};
        SIZE size{w, h};
        POINT src{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        UpdateLayeredWindow(Handle(), screen.Get(), &dst, &size, mem, &src, 0, &blend, ULW_ALPHA);
        SelectObject(mem, old);
    }
    DeleteDC(mem);
}
