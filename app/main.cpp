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
        // "/export <file>", "/import <file>" and "/refresh" run without any window.
        const ExchangeCommand command = ExchangeCommandOfProcess();
        const RefreshRequest refresh = RefreshRequestOfProcess();
        if (refresh == RefreshRequest::Bad) {
            exitCode = 2;
        } else if (refresh == RefreshRequest::Run) {
            std::wstring line;
            exitCode = app->RunRefreshCommand(line);
            PrintLine(line);
        } else if (command.kind != ExchangeKind::None)
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
