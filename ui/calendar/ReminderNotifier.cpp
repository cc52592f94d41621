#include "ui/calendar/ReminderNotifier.h"

#include "app/Application.h"
#include "resource.h"

#include <algorithm>

using namespace std::chrono;

namespace {
// How long until the start, or how long since.
std::wstring HowSoon(minutes left)
{
    if (left < minutes{0})
        return ResFormat(IDS_REMINDER_STARTED, static_cast<int>(-left.count()));
    if (left == minutes{0})
        return ResString(IDS_REMINDER_NOW);
    const int h = static_cast<int>(left.count() / 60);
    const int m = static_cast<int>(left.count() % 60);
    if (h == 0)
        return ResFormat(IDS_REMINDER_IN_MINUTES, m);
    return m == 0 ? ResFormat(IDS_REMINDER_IN_HOURS, h) : ResFormat(IDS_REMINDER_IN_HOURS_MINUTES, h, m);
}

template <std::size_t N> void CopyCut(const std::wstring& text, wchar_t (&field)[N])
{
    const std::size_t n = std::min(text.size(), N - 1);
    std::copy_n(text.begin(), n, field);
    field[n] = L'\0';
}
} // namespace

BalloonText ComposeBalloon(std::span<const reminders::Reminder> due, reminders::Millis now)
{
    BalloonText balloon;
    if (due.empty())
        return balloon;
    const reminders::Appointment& first = due.front().appointment;
    const local_days day = floor<days>(first.start);
    const hh_mm_ss time{floor<minutes>(first.start - day)};
    wchar_t clock[16];
    std::swprintf(clock, 16, L"%d:%02d", static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()));
    balloon.title = first.text.empty() ? std::wstring(clock) : clock + (L" " + first.text);

    const year_month_day date{day};
    const std::wstring weekdays = ResString(IDS_REMINDER_WEEKDAYS);
    const unsigned wd = weekday{day}.c_encoding(); // 0 = Sunday
    const std::wstring dayName = wd < weekdays.size() ? weekdays.substr(wd, 1) : std::wstring();
    balloon.body = ResFormat(IDS_REMINDER_DAY, static_cast<int>(static_cast<unsigned>(date.month())),
                             static_cast<int>(static_cast<unsigned>(date.day())), dayName.c_str()) +
                   L" " + HowSoon(round<minutes>(due.front().start - now));
    if (!first.kind.empty())
        balloon.body += L"\n" + first.kind;
    if (due.size() > 1)
        balloon.body += L"\n" + ResFormat(IDS_REMINDER_MORE, static_cast<int>(due.size() - 1));
    return balloon;
}

ReminderNotifier::ReminderNotifier()
    : sink_([](const NOTIFYICONDATAW& data) {
          return Shell_NotifyIconW(NIM_MODIFY, const_cast<NOTIFYICONDATAW*>(&data)) != FALSE;
      })
{
}

bool ReminderNotifier::Show(HWND window, UINT iconId, const BalloonText& text, year_month_day day)
{
    if (!icon_ && TheApp() != nullptr)
        icon_.reset(
            static_cast<HICON>(LoadImageW(TheApp()->Instance(), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)));
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = iconId;
    data.uFlags = NIF_INFO;
    CopyCut(text.title, data.szInfoTitle);
    CopyCut(text.body, data.szInfo);
    // The system decides about the sound; the balloon carries the program's icon.
    data.dwInfoFlags = icon_ ? NIIF_USER | NIIF_LARGE_ICON : NIIF_INFO;
    data.hBalloonIcon = icon_.get();
    if (!sink_(data))
        return false;
    day_ = day;
    return true;
}
