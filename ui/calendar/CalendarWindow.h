// The calendar window: a borderless layered popup that shows one month, turns
// the user's gestures into commands, and carries the tray icon and hot key.
#pragma once
#include "app/Handle.h"
#include "calendar/FeedShelf.h"
#include "calendar/Subscriptions.h"
#include "settings/SettingsHost.h"
#include "ui/framework/Window.h"

#include <chrono>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CalendarPainter;
class CalendarFrame;
class DayInfoWindow;
class ExchangeJobs;
class MemoDialog;
class MemorialDialog;
class MonthModel;
class ReminderService;
class RefreshSchedule;
class SettingsSheet;
struct DayInfoEvent;
struct DayRecord;
struct MonthDots;
class TrayIcon;
class MonitorDpi;
struct Settings;

namespace calendar_window {
constexpr UINT_PTR TIMER_LEAVE = 101;
constexpr UINT_PTR TIMER_HOVER = 102;
constexpr UINT_PTR TIMER_TYPING = 108;
constexpr UINT_PTR TIMER_DATE = 109;
constexpr UINT_PTR TIMER_REMINDER = 113;
// A pause after a month change: the month's event lines are made then, for the popups.
constexpr UINT_PTR TIMER_EVENTS = 110;
constexpr UINT TRAY_ICON_ID = 103;
constexpr UINT WM_TRAY = WM_APP + 100;
constexpr int HOTKEY_ID = 107;

// Hot-key control flags (HOTKEYF_*) to RegisterHotKey modifiers (MOD_*); HOTKEYF_EXT adds none.
UINT HotkeyModifiers(UINT controlFlags);
// The notification-area tip: cut to 63 characters so it always fits the field.
std::wstring TrayTip(const std::wstring& text);
// The text of the day menu's title item.
std::wstring DayMenuTitle(int year, int month, int day);

// A loaded menu resource and its first popup.
struct PopupMenu {
    UniqueMenu menu;
    HMENU popup = nullptr;
};
PopupMenu BuildTrayMenu(bool calendarVisible, bool stayTop);
PopupMenu BuildCalendarMenu(bool stayTop);
PopupMenu BuildDayMenu(int packedCell);
} // namespace calendar_window

class CalendarWindow : public Window, public SettingsHost {
public:
    // `dataDirectory` holds qv.ini and qv.dat (with trailing backslash); empty = the executable's.
    explicit CalendarWindow(std::wstring dataDirectory = {});
    ~CalendarWindow() override;

    // Registers "QVMainWnd" and creates the window owned by `owner`.
    bool CreateCalendar(HWND owner);
    // The settings sheet's window while it is open, else null.
    HWND SettingsSheetWindow() const;

    // SettingsHost
    HWND HostWindow() const override { return Handle(); }
    void Render(bool relayout) override;
    void ApplyHotKey() override;
    void ApplyReminders() override;
    void ReportError(UINT stringId) override;
    void ReportError(UINT stringId, const std::wstring& detail) override;
    // Writes qv.ini now, with the window's position once it has been placed;
    // a failure is reported.
    void StoreSettings() override;
    void SubscriptionsChanged(std::span<const std::wstring> refreshUrls) override;

    void SetTrayIcon(bool add);

    // The same with the copy already read where it was fetched, so the window parses nothing.
    void FeedRefreshed(std::wstring_view url, std::shared_ptr<const FeedCalendar> feed);
    const FeedShelf& Feeds() const { return *feeds_; }
    // The events of a day of the shown month, all-day ones first, then by start.
    std::vector<DayInfoEvent> EventLines(const DayRecord& day) const;

    // Test seams: the clock behind today's mark and the date timer, and how errors are shown.
    void SetClock(std::function<std::chrono::year_month_day()> today);
    void SetErrorReporter(std::function<void(UINT stringId)> report);
    void SetErrorReporter(std::function<void(UINT stringId, const std::wstring& detail)> report);
    // Whether WM_DESTROY ends the message loop (the program) or only the window (tests).
    void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

    MonthModel& Model() { return *model_; }
    CalendarPainter& Painter() { return *painter_; }
    SettingsSheet& Sheet() { return *sheet_; }
    Settings& LiveSettings();
    DayInfoWindow& DayInfo() { return *dayInfo_; }
    ReminderService& Reminders() { return *reminders_; }
    int HoverCell() const { return hoverCell_; }
    // Imports and exports, off the window's thread; made on first use.
    ExchangeJobs& Exchange();

    // Shows a hidden calendar, raises one that is not active, hides an active one: the hot key's
    // and the command line's ("/toggle") one way.
    void ToggleCalendar();
    RefreshSchedule& Refreshes() { return *refresh_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnActivate(UINT state, HWND other, bool minimized) override;
    void OnChar(WPARAM character, LPARAM keyData) override;
    void OnCommand(UINT code, UINT id, HWND control) override;
    bool OnCreate(CREATESTRUCTW* create) override;
    void OnDestroy() override;
    void OnDrawItem(DRAWITEMSTRUCT* item) override;
    void OnHotKey(int id, UINT modifiers, UINT virtualKey) override;
    void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) override;
    void OnLButtonDown(UINT keys, int x, int y) override;
    void OnMeasureItem(UINT id, MEASUREITEMSTRUCT* item) override;
    void OnMouseMove(UINT keys, int x, int y) override;
    void OnMove(int x, int y) override;
    LRESULT OnNcHitTest(int x, int y) override;
    void OnNcRButtonDown(UINT hitTest, int x, int y) override;
    void OnNcRButtonUp(UINT hitTest, int x, int y) override;
    bool OnQueryEndSession() override;
    bool OnSetCursor(HWND window, UINT hitTest, UINT mouseMsg) override;
    void OnTimer(UINT_PTR id, LPARAM lParam) override;

private:
    void OnTrayMessage(UINT iconId, UINT mouseMsg);
    // No day is being rested on: the next rest on any day, the last one included, starts anew.
    void ForgetHoverCell();
    // A click on a reminder balloon: the calendar comes up with the popup of the reminder's day.
    void ShowReminderDay();
    void ShowCalendarMenu(int x, int y);
    void ShowDayMenu(int x, int y);
    void ShowTrayMenu();
    void EditMemo();
    void EditMemorial();
    // The open memo or memorial dialog gets its day's entry as the model now shows it.
    void RefreshDayDialogs();
    // Once at start: a folder the program cannot write, a qv.ini or qv.dat it cannot read.
    void ReportFileProblems(bool settingsRead);
    void ShowAbout();
    void PlaceWindow();
    // The window's position into PosX/PosY once it has been placed; true when that changed them.
    bool NotePosition();
    // Writes the live settings to qv.ini as they are, reporting a failure.
    void WriteSettings();
    int TodayKey() const;
    DayRecord* CellOf(int packed);
    // Lays the calendar out for the monitor's new DPI and moves it to the suggested place.
    // Which days of the shown month have events and the painter's dots, once per month and feed change.
    void UpdateMonthEvents();
    bool HasEvents(const DayRecord& day) const;
    // A day with a holiday, memo, memorial day or events of a shown subscription.
    bool ShowsInfo(const DayRecord& day) const;
    void ShowDayInfoAt(int x, int y, const DayRecord& day, bool pinned);
    std::wstring DataDirectory() const;
    // A kept copy of an online calendar changed, or the subscriptions did:
    // the calendar shows their events anew.
    void OnFeedsChanged();

    std::wstring dataDirectory_;
    bool pointerInside_ = false;
    int hoverArea_ = 0;
    std::unique_ptr<SettingsSheet> sheet_;
    std::unique_ptr<MonthModel> model_;
    std::unique_ptr<CalendarPainter> painter_;
    std::unique_ptr<CalendarFrame> frame_; // the window image kept between renders
    int menuCell_ = -1;
    int hoverCell_ = -1;
    int lastDigit_ = 0;
    int typedNumber_ = 0;
    int knownDate_ = 0;
    std::unique_ptr<DayInfoWindow> dayInfo_;
    std::unique_ptr<ReminderService> reminders_;
    std::unique_ptr<FeedShelf> feeds_;
    std::unique_ptr<MonthDots> dots_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<MonitorDpi> dpi_;
    std::vector<std::uint64_t> busyDays_;            // day of the month - 1: bit s for source s
    std::vector<std::vector<DayEvent>> monthEvents_; // day of the month - 1; empty until made
    int eventsYear_ = 0, eventsMonth_ = 0;
    unsigned eventsGeneration_ = 0;
    std::unique_ptr<RefreshSchedule> refresh_;
    int lastArea_ = 1; // AREA_NONE: the area last seen by WM_NCHITTEST
    POINT placedAt_{};
    bool positionMoved_ = false; // the saved position lay on no monitor and was moved
    bool placed_ = false;        // the window stands where PlaceWindow put it, or was moved since
    bool quitOnDestroy_ = true;
    std::function<std::chrono::year_month_day()> clock_;
    std::function<void(UINT, const std::wstring&)> reportError_;
    MemoDialog* openMemo_ = nullptr; // while its modal loop runs
    MemorialDialog* openMemorial_ = nullptr;
    bool closing_ = false;
    std::unique_ptr<ExchangeJobs> exchange_; // last: its work ends before the model goes
};
