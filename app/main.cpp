// Entry point: GDI+ around the whole program, one application object.
#include "app/CalendarApp.h"
#include "app/RefreshCommand.h"
#include "render/Graphics.h"

#include <memory>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // Pictures are read through COM (the Windows Imaging Component) on this thread.
    const ComApartment com;
    const gfx::GdiplusSession gdiplus = gfx::StartGdiplus();

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
    return exitCode;
}
