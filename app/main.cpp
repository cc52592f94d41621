// Entry point: GDI+ around the whole program, one application object.
#include "app/CalendarApp.h"
#include "app/RefreshCommand.h"

#include <gdiplus.h>

#include <memory>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // Pictures are read through COM (the Windows Imaging Component) on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);

    int exitCode = 0;
    {
        auto app = std::make_unique<CalendarApp>();
        SetTheApp(app.get());
        app->SetInstance(instance);
        // A verb ("/export <file>", "/import <file>", ...) runs in the running calendar or without any window.
        const ParsedCommand command = CommandOfProcess();
        if (command.verb != nullptr || command.bad)
            exitCode = app->RunCommand(command);
        else if (app->InitInstance())
            exitCode = app->Run();
        app->ExitInstance();
    }

    Gdiplus::GdiplusShutdown(token);
    if (SUCCEEDED(com))
        CoUninitialize();
    return exitCode;
}
