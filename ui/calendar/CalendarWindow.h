// The calendar window: a borderless layered popup that shows one month.
#pragma once
#include "ui/framework/Window.h"

class CalendarWindow : public Window {
public:
    CalendarWindow();
    ~CalendarWindow() override;

    // Registers "QVMainWnd" and creates the window owned by `owner`.
    bool CreateCalendar(HWND owner);
    // The settings sheet's window while it is open, else null.
    HWND SettingsSheetWindow() const { return nullptr; }

protected:
    bool OnCreate(CREATESTRUCTW* create) override;
    void OnDestroy() override;

private:
    void Render(bool relayout);
};
