// Test programs run with a real application object, GDI+ and the common controls.
#include "app/Application.h"

#include "render/Graphics.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);

    const gfx::GdiplusSession gdiplus = gfx::StartGdiplus();

    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    InitCommonControlsEx(&icc);

    static Application app;
    app.SetInstance(GetModuleHandleW(nullptr));
    SetTheApp(&app);

    return RUN_ALL_TESTS();
}
