// Test programs run with a real application object, GDI+ and the common controls.
#include "app/Application.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    // Used by the test of ModuleDirectory for a copy of this program in a deep folder.
    if (argc == 3 && std::strcmp(argv[1], "--print-module-directory") == 0) {
        Application app;
        app.SetInstance(GetModuleHandleW(nullptr));
        std::wstring dir;
        app.ModuleDirectory(dir);
        FILE* f = std::fopen(argv[2], "wb");
        if (f == nullptr)
            return 2;
        std::fwrite(dir.data(), sizeof(wchar_t), dir.size(), f);
        std::fclose(f);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);

    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    InitCommonControlsEx(&icc);

    static Application app;
    app.SetInstance(GetModuleHandleW(nullptr));
    SetTheApp(&app);

    const int result = RUN_ALL_TESTS();
    Gdiplus::GdiplusShutdown(token);
    return result;
}
