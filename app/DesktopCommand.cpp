#include "app/DesktopCommand.h"

#include "resource.h"
#include "ui/calendar/CalendarWindow.h"

void ToggleInCalendar(CalendarWindow& calendar, const Arguments&, Reply reply)
{
    calendar.ToggleCalendar();
    reply({EXIT_DONE, ResString(IDS_TOGGLE_DONE)});
}

void ExitInCalendar(CalendarWindow& calendar, const Arguments&, Reply reply)
{
    reply({EXIT_DONE, ResString(IDS_EXIT_DONE)});
    // Posted: the reply's WM_COPYDATA must be answered before the window goes.
    PostMessageW(calendar.Handle(), WM_COMMAND, ID_EXIT, 0);
}

CommandResult ExitAlone(const Arguments&) { return {EXIT_DONE, ResString(IDS_NOT_RUNNING)}; }
