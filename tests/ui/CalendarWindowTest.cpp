// The calendar window in this process with real windows: clicks, timers, menus, the hot key, the
// monitor's DPI, the stored position, and qv.ini written when a change takes effect.
#include "calendar/DayRecord.h"
#include "calendar/MonthModel.h"
#include "calendar/TimeZones.h"
#include "render/CalendarPainter.h"
#include "render/DayInfoWindow.h"
#include "resource.h"
#include "settings/Settings.h"
#include "settings/SettingsSheet.h"
#include "support/TestSupport.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/OwnerWindow.h"
#include "ui/calendar/ReminderService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>
#include <tuple>
#include <utility>

using namespace calendar_window;
using namespace std::chrono_literals;

namespace {

// No other program of the test machine holds Ctrl+Alt+Shift+F11.
constexpr int kFreeHotkey = ((HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT) << 8) | VK_F11;

LPARAM ScreenPoint(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }
POINT Centre(const gfx::RectF& r)
{
    return POINT{static_cast<LONG>(r.x + r.width / 2), static_cast<LONG>(r.y + r.height / 2)};
}

// Each popup menu this thread opens, as its item texts joined by '|': "#data" for the
// owner-drawn title, "*" after a checked item.
std::vector<std::wstring> g_menus;

LRESULT CALLBACK MenuHook(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITMENUPOPUP) {
        const auto menu = reinterpret_cast<HMENU>(call->wParam);
        std::wstring& seen = g_menus.emplace_back();
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            MENUITEMINFOW mii{sizeof(mii), MIIM_FTYPE | MIIM_DATA | MIIM_STATE | MIIM_STRING};
            mii.dwTypeData = text;
            mii.cch = 64;
            GetMenuItemInfoW(menu, i, TRUE, &mii);
            seen += (i ? L"|" : L"") + ((mii.fType & MFT_OWNERDRAW) ? L"#" + std::to_wstring(mii.dwItemData) : text) +
                    ((mii.fState & MFS_CHECKED) ? L"*" : L"");
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// While alive: notes every popup menu this thread opens in g_menus and closes it shortly after.
struct MenuCatcher {
    MenuCatcher() { g_menus.clear(); }
    ~MenuCatcher()
    {
        KillTimer(nullptr, timer);
        UnhookWindowsHookEx(hook);
    }
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &MenuHook, nullptr, GetCurrentThreadId());
    UINT_PTR timer = SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
};

class CalendarWindowTest : public testing::Test {
protected:
    void TearDown() override { Stop(); }

    // Writes these [Option] lines (a free hot key unless given) and creates the calendar;
    // `prepare` sets seams of the new window object before its window is created.
    bool Start(std::wstring options = {}, const std::function<void()>& prepare = {})
    {
        Stop();
        if (options.find(L"Hotkey=") == std::wstring::npos)
            options += L"Hotkey=" + std::to_wstring(kFreeHotkey) + L"\r\n";
        if (options.find(L"TodayInfo=") == std::wstring::npos)
            options += L"TodayInfo=No\r\n";
        const std::wstring text = L"\xFEFF[Option]\r\n" + options;
        const auto* raw = reinterpret_cast<const std::uint8_t*>(text.data());
        WriteBytes(Ini(), std::vector<std::uint8_t>(raw, raw + text.size() * sizeof(wchar_t)));
        SetCursorPos(1270, 1010); // away from the calendar
        EXPECT_TRUE(owner_.CreateOwner());
        calendar_ = std::make_unique<CalendarWindow>(dataDir_.empty() ? dir_.WithSlash() : dataDir_);
        calendar_->SetClock([this] { return today_; });
        calendar_->SetErrorReporter([this](UINT id, const std::wstring& detail) { // no message box
            errors_.push_back(id);
            details_.push_back(detail);
        });
        calendar_->SetQuitOnDestroy(false);
        calendar_->Sheet().SetWriteHook([this](ReplaceStep step) {
            writes_ += step == ReplaceStep::Prepare;
            return !failing_;
        });
        if (prepare)
            prepare();
        const bool created = calendar_->CreateCalendar(owner_.Handle());
        PumpMessages(50);
        return created;
    }
    void Stop()
    {
        if (calendar_ && IsWindow(Hwnd()))
            DestroyWindow(Hwnd());
        DestroyWindow(owner_.Handle());
        owner_.SetHandle(nullptr);
        PumpMessages(30);
    }

    std::filesystem::path Ini() const { return dir_.Path() / L"qv.ini"; }
    std::wstring IniValue(const wchar_t* key) const
    {
        wchar_t buffer[64];
        GetPrivateProfileStringW(L"Option", key, L"<missing>", buffer, 64, Ini().c_str());
        return buffer;
    }
    std::wstring Stored() const { return IniValue(L"StayTop") + L' ' + IniValue(L"PosX") + L',' + IniValue(L"PosY"); }
    HWND Hwnd() const { return calendar_->Handle(); }
    MonthModel& Model() { return calendar_->Model(); }
    CalendarPainter& Painter() { return calendar_->Painter(); }
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessageW(Hwnd(), msg, wParam, lParam); }
    // Takes the foreground and the keyboard focus, as after a click on the calendar.
    void Activate()
    {
        SetForegroundWindow(Hwnd());
        SetActiveWindow(Hwnd());
        SetFocus(Hwnd());
        PumpMessages(100);
        ASSERT_NE(GetFocus(), nullptr);
    }
    POINT ToScreen(POINT p) const
    {
        ClientToScreen(Hwnd(), &p);
        return p;
    }
    POINT CellOnScreen(int packed) { return ToScreen(Centre(Painter().CellRect(packed & 0xFFFF, packed >> 16))); }
    // The first cell, in date order, whose record passes `match`.
    int FindCell(const std::function<bool(const DayRecord&)>& match)
    {
        for (int row = 0; row < MonthModel::ROWS; ++row)
            for (int column = 0; column < MonthModel::COLUMNS; ++column)
                if (match(Model().Cell(column, row)))
                    return (row << 16) | column;
        ADD_FAILURE() << "no such cell";
        return 0;
    }
    int ShownDay(int day)
    {
        return FindCell([day](const DayRecord& d) { return d.InShownMonth() && d.day == day; });
    }

    TempDir dir_;
    OwnerWindow owner_;
    std::unique_ptr<CalendarWindow> calendar_;
    std::chrono::year_month_day today_{2026y / 12 / 5};
    const DayRecord holiday_{.year = 2026, .month = 11, .day = 3, .flags = DAY_HOLIDAY, .holidayName = L"文化の日"};
    std::vector<UINT> errors_;
    std::vector<std::wstring> details_;
    std::wstring dataDir_; // empty: dir_
    int writes_ = 0;
    bool failing_ = false;
};

// Stands in for the shell's notification area: the calendar is closed while it adds its icon.
bool g_closeNext = false;
LRESULT CALLBACK ClosingTray(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COPYDATA && std::exchange(g_closeNext, false)) // told the window the icon belongs to
        SendMessageW(reinterpret_cast<HWND>(wParam), WM_CLOSE, 0, 0);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(CalendarWindowTest, ClickAndHoverActOnTheAreaUnderThePointer)
{
    ASSERT_TRUE(Start());
    Activate();
    const struct {
        const gfx::RectF& target;
        int year, month;
    } cases[] = {{Painter().PrevMonthButton(), 2026, 4},
                 {Painter().PrevYearButton(), 2025, 5},
                 {Painter().NextYearButton(), 2027, 5},
                 {Painter().TitleRect(), 2026, 5}};
    for (const auto& c : cases) {
        Model().Show(2026, 5);
        // The area recorded by the last hit test, the next-month button, is not looked at.
        Send(WM_NCHITTEST, 0, ScreenPoint(ToScreen(Centre(Painter().NextMonthButton()))));
        const POINT at = Centre(c.target);
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        EXPECT_EQ(Model().Year() * 100 + Model().Month(), c.year * 100 + c.month) << c.target.x;
    }
    // Up is the next year and Down the previous one, as the buttons '>>' and '<<'.
    for (const auto& [key, shown] : {std::pair{VK_UP, 202705}, {VK_DOWN, 202505}, {VK_LEFT, 202604}}) {
        Model().Show(2026, 5);
        Send(WM_KEYDOWN, key);
        EXPECT_EQ(Model().Year() * 100 + Model().Month(), shown) << key;
    }
    // The hover timer opens the popup only for shown days with information. April 2026: Showa Day
    // on the 29th; the last row holds 3-6 May, holidays of the next month.
    Model().Show(2026, 4);
    const std::pair<int, bool> rests[] = {
        {FindCell([](const DayRecord& d) { return d.InShownMonth() && !d.HasInfo(); }), false},
        {FindCell([](const DayRecord& d) { return (d.flags & DAY_NEXT_MONTH) && (d.flags & DAY_HOLIDAY); }), false},
        {FindCell([](const DayRecord& d) { return d.InShownMonth() && (d.flags & DAY_HOLIDAY); }), true},
    };
    // The pointer at a point the way the system reports it: cursor, set-cursor, hit test.
    const auto pointAt = [&](POINT p) {
        SetCursorPos(p.x, p.y);
        Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd()), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
        Send(WM_NCHITTEST, 0, ScreenPoint(p));
    };
    for (const auto& [cell, opens] : rests) {
        pointAt(CellOnScreen(cell));
        ASSERT_EQ(calendar_->HoverCell(), cell);
        Send(WM_TIMER, TIMER_HOVER);
        EXPECT_EQ(calendar_->DayInfo().IsShown(), opens) << cell;
    }
    EXPECT_EQ(calendar_->DayInfo().DateLine(), L"2026/04/29 (WED)");
    // Once the pointer has left the days (off the calendar, or onto the title), resting on the same
    // day again opens the popup again.
    const POINT day = CellOnScreen(rests[2].first), title = ToScreen(Centre(Painter().TitleRect()));
    for (const bool offTheCalendar : {true, false}) {
        calendar_->DayInfo().Hide();
        pointAt(offTheCalendar ? POINT{1270, 1010} : title);
        Send(WM_TIMER, TIMER_LEAVE);
        pointAt(day);
        PumpMessages(1500, [&] { return calendar_->DayInfo().IsShown(); });
        EXPECT_TRUE(calendar_->DayInfo().IsShown()) << offTheCalendar;
    }
}

TEST_F(CalendarWindowTest, MissedReminderComesAtStartOnceAndItsBalloonOpensTheDay)
{
    // 09:52 in Tokyo with the lead of 10 minutes: two reminders at 09:50 were missed.
    WriteBytes(dir_.Path() / L"qv.dat", MemoFile({{202612, {{8, L"10:00 歯医者\r\n10:00 電話"}}}}));
    today_ = 2026y / 11 / 20;
    std::vector<std::wstring> balloons;
    const auto prepare = [&] {
        ReminderService& r = calendar_->Reminders();
        r.Scheduler().SetClock([] { return reminders::Millis{std::chrono::sys_days{2026y / 12 / 8} + 52min}; },
                               [] { return tz::WindowsZone(L"Tokyo Standard Time"); });
        r.Notifier().SetSink([&](const NOTIFYICONDATAW& d) {
            balloons.push_back(std::wstring(d.szInfoTitle) + L'|' + d.szInfo);
            return d.uFlags == NIF_INFO && d.hWnd == Hwnd() && d.uID == TRAY_ICON_ID;
        });
    };
    ASSERT_TRUE(Start(L"ShowBegin=No\r\n", prepare));
    EXPECT_EQ(balloons, std::vector<std::wstring>{L"10:00 歯医者|12月8日(火) あと 8 分\nほか 1 件"});
    wchar_t shown[32] = {};
    GetPrivateProfileStringW(L"Reminder", L"LastShown", L"", shown, 32, Ini().c_str());
    EXPECT_STREQ(shown, L"2026-12-08T09:50");
    Send(WM_TRAY, TRAY_ICON_ID, NIN_BALLOONUSERCLICK);
    EXPECT_TRUE(IsWindowVisible(Hwnd()));
    EXPECT_TRUE(calendar_->DayInfo().IsShown());
    EXPECT_EQ(calendar_->DayInfo().DateLine(), L"2026/12/08 (TUE)");
    // Started again with what the first run kept.
    ASSERT_TRUE(Start(L"ShowBegin=No\r\nTodayInfo=No\r\nHotkey=" + std::to_wstring(kFreeHotkey) +
                          L"\r\n[Reminder]\r\nLastShown=" + shown + L"\r\n",
                      prepare));
    EXPECT_EQ(balloons.size(), 1u) << "a restart repeats nothing";
}

TEST_F(CalendarWindowTest, DateTimerMovesTodayButNotTheMonth)
{
    // Today before and after, and its day in the shown month (0: none).
    for (const auto& [start, next, oldDay, newDay] :
         {std::tuple{2026y / 12 / 5, 2026y / 12 / 6, 5, 6}, {2026y / 12 / 31, 2027y / 1 / 1, 31, 0}}) {
        today_ = start;
        ASSERT_TRUE(Start());
        today_ = next;
        Send(WM_TIMER, TIMER_DATE);
        EXPECT_EQ(Model().Year() * 100 + Model().Month(), 202612) << "after the date timer";
        const int old = ShownDay(oldDay);
        EXPECT_FALSE(Model().Cell(old & 0xFFFF, old >> 16).flags & DAY_TODAY) << oldDay;
        const DayRecord* today = Model().FindToday();
        EXPECT_EQ(today != nullptr && today->InShownMonth() ? today->day : 0, newDay);
    }
}

TEST_F(CalendarWindowTest, MenusOfTheCalendarTheDaysAndTheTrayIcon)
{
    ASSERT_TRUE(Start(L"StayTop=Yes\r\n"));
    Model().Show(2026, 12);
    const int fifth = ShownDay(5);
    const std::wstring calendar =
        L"非表示(&H)||今月(&O)||常に表示(&T)*|設定(&E)|今すぐ更新(&U)||エクスポート(&X)...|インポート(&I)...";
    const std::wstring tray = L"常に表示(&T)*||設定(&O)|Mosarynについて(&A)...||終了(&X)";
    const auto right = [&](int cell) { Send(WM_NCRBUTTONUP, HTCAPTION, ScreenPoint(CellOnScreen(cell))); };
    const std::pair<std::function<void()>, std::wstring> cases[] = {
        {[&] { right(FindCell([](const DayRecord& d) { return (d.flags & DAY_PREV_MONTH) != 0; })); }, calendar},
        {[&] { right(FindCell([](const DayRecord& d) { return (d.flags & DAY_NEXT_MONTH) != 0; })); }, calendar},
        {[&] { right(fifth); }, L"#" + std::to_wstring(fifth) + L"|メモの登録(&M)...|記念日の登録(&A)..."},
        {[&] { Send(WM_TRAY, TRAY_ICON_ID, WM_RBUTTONDOWN); }, L"隠す(&H)|" + tray},
        {[&] {
             ShowWindow(Hwnd(), SW_HIDE);
             Send(WM_TRAY, TRAY_ICON_ID, WM_RBUTTONDOWN);
         },
         L"表示(&S)|" + tray},
    };
    for (const auto& [open, texts] : cases) {
        const MenuCatcher catcher;
        open();
        EXPECT_EQ(g_menus, std::vector<std::wstring>{texts});
    }
}

TEST_F(CalendarWindowTest, ExtendedKeyHotKeyIsRegisteredWithoutTheWindowsKeyAndShowsOrHides)
{
    // Alt and the Right arrow of the separate block, as the hot-key control gives it.
    ASSERT_TRUE(Start(L"ShowBegin=No\r\nHotkey=3111\r\n"));
    bool altRightTaken = false, winAltRightFree = false;
    std::thread([&] {
        altRightTaken = !RegisterHotKey(nullptr, 1, MOD_ALT, VK_RIGHT);
        winAltRightFree = RegisterHotKey(nullptr, 2, MOD_ALT | MOD_WIN, VK_RIGHT);
        UnregisterHotKey(nullptr, 1);
        UnregisterHotKey(nullptr, 2);
    }).join();
    EXPECT_TRUE(errors_.empty() && altRightTaken && winAltRightFree);
    EXPECT_EQ(calendar_->LiveSettings().Hotkey, 3111) << "stored as the control shows it";
    // The command line's toggle is the hot key's.
    for (const auto& [msg, id] : {std::pair<UINT, WPARAM>{WM_HOTKEY, HOTKEY_ID}, {WM_COMMAND, ID_TOGGLE}}) {
        Send(msg, id);
        EXPECT_TRUE(IsWindowVisible(Hwnd())) << msg << ": hidden, shown";
        Activate();
        calendar_->DayInfo().ShowDayInfo(300, 300, holiday_, calendar_->LiveSettings().Design, true);
        ASSERT_TRUE(calendar_->DayInfo().IsShown());
        Send(msg, id);
        EXPECT_FALSE(IsWindowVisible(Hwnd())) << msg << ": visible, active, hidden";
        EXPECT_FALSE(calendar_->DayInfo().IsShown());
    }
}

TEST_F(CalendarWindowTest, PositionsOffTheScreenAndTheStartUpPopupOfAHiddenCalendarAreInTheWorkArea)
{
    RECT work, rc{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    auto inside = [&](HWND window) {
        GetWindowRect(window, &rc);
        return rc.left >= work.left && rc.top >= work.top && rc.right <= work.right && rc.bottom <= work.bottom;
    };
    // Moved onto the screen for this run only: the stored place is kept for a screen that may come
    // back, unless the calendar was moved from where it was put.
    for (const auto& [options, moveTo, stored] :
         {std::tuple{L"PosX=99999999\r\nPosY=100\r\n", POINT{}, L"No 99999999,100"},
          {L"PosX=-5000\r\nPosY=-5000\r\n", POINT{}, L"No -5000,-5000"},
          {L"PosX=300\r\nPosY=99999999\r\n", POINT{150, 90}, L"No 150,90"}}) {
        ASSERT_TRUE(Start(options));
        EXPECT_TRUE(inside(Hwnd())) << options;
        if (moveTo.x != 0)
            SetWindowPos(Hwnd(), nullptr, moveTo.x, moveTo.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Stop();
        EXPECT_EQ(Stored(), stored);
    }
    // Today's information at start-up: nothing on a plain day; for a hidden calendar, in the corner.
    for (const auto day : {4d, 3d}) {
        today_ = 2026y / 11 / day;
        ASSERT_TRUE(Start(L"TodayInfo=Yes\r\nShowBegin=No\r\n"));
        EXPECT_EQ(calendar_->DayInfo().IsShown(), day == 3d);
    }
    // With its shadow it ends at the work area's far corner.
    EXPECT_TRUE(inside(calendar_->DayInfo().Handle()) && rc.right == work.right && rc.bottom == work.bottom)
        << rc.right << "," << rc.bottom;
}

TEST_F(CalendarWindowTest, EveryChangeIsWrittenAtOnceAndEachFailedActionReportedOnce)
{
    ASSERT_TRUE(Start(L"StayTop=No\r\nPosX=123\r\nPosY=77\r\n"));
    Send(WM_COMMAND, ID_STAY_TOP);
    EXPECT_TRUE(GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(Stored(), L"Yes 123,77");
    // The end of a drag writes once when the calendar moved, not at all when it did not.
    SetWindowPos(Hwnd(), nullptr, 150, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Send(WM_EXITSIZEMOVE);
    Send(WM_EXITSIZEMOVE);
    EXPECT_EQ(Stored(), L"Yes 150,90");
    EXPECT_EQ(writes_, 2);

    // Apply with both pages changed is one action: one write, one report.
    failing_ = true;
    SettingsSheet& sheet = calendar_->Sheet();
    const HWND window = sheet.OpenSettings(calendar_.get());
    PropSheet_SetCurSel(window, nullptr, 1);
    sheet.General().MarkChanged();
    sheet.DesignItems().MarkChanged();
    SendMessageW(window, WM_COMMAND, 0x3021, reinterpret_cast<LPARAM>(GetDlgItem(window, 0x3021))); // Apply
    EXPECT_EQ(writes_, 3);
    EXPECT_EQ(errors_, std::vector<UINT>{IDS_SETTINGS_SAVE_FAILED});
    Send(WM_COMMAND, ID_STAY_TOP);
    EXPECT_FALSE(GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(errors_.size(), 2u);
    EXPECT_EQ(Stored(), L"Yes 150,90") << "the failed writes left the file";

    // The next write that succeeds stores everything held in memory.
    failing_ = false;
    Stop();
    EXPECT_EQ(Stored(), L"No 150,90");
    EXPECT_EQ(errors_.size(), 2u);
}

// Reported once at start, naming the file or folder and the system's reason; the memo made while
// qv.dat could not be read is written by the first date tick after it can.
TEST_F(CalendarWindowTest, UnreadableFilesAndAnUnwritableFolderAreReportedAtStart)
{
    const std::filesystem::path data = dir_.Path() / L"qv.dat";
    WriteBytes(data, {0, 0, 0, 0});
    WriteBytes(Ini(), {});
    {
        const auto hold = [](const std::filesystem::path& file) {
            return UniqueHandle(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        };
        const UniqueHandle heldData = hold(data), heldIni = hold(Ini());
        ASSERT_TRUE(Start());
        EXPECT_FALSE(Model().SetMemo(today_, L"while held", L""));
    }
    EXPECT_EQ(errors_, (std::vector<UINT>{IDS_INI_UNREADABLE, IDS_DAT_UNREADABLE}));
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NE(details_.at(i).find((i ? data : Ini()).wstring()), std::wstring::npos) << details_.at(i);
        EXPECT_NE(details_.at(i).find(L"Sharing violation"), std::wstring::npos) << details_.at(i);
    }
    Send(WM_TIMER, TIMER_DATE);
    EXPECT_EQ(ReadBytes(data).size(), 4u + 8 + 8 + 2 * 10);
    EXPECT_FALSE(Model().HasPending());

    dataDir_ = (dir_.Path() / L"gone\\").wstring();
    errors_.clear();
    details_.clear();
    ASSERT_TRUE(Start());
    EXPECT_EQ(errors_, std::vector<UINT>{IDS_FOLDER_NOT_WRITABLE});
    EXPECT_NE(details_.at(0).find(dataDir_), std::wstring::npos) << details_.at(0);
}

TEST_F(CalendarWindowTest, ExitBeforeTheWindowIsPlacedKeepsTheSavedPosition)
{
    WNDCLASSW tray{.lpfnWndProc = ClosingTray, .lpszClassName = L"Shell_TrayWnd"};
    RegisterClassW(&tray);
    const HWND fake =
        CreateWindowExW(0, tray.lpszClassName, nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    g_closeNext = true;
    EXPECT_FALSE(Start(L"PosX=123\r\nPosY=77\r\n")) << "closed while it was being created";
    DestroyWindow(fake);
    EXPECT_EQ(Stored(), L"No 123,77");
    EXPECT_EQ(writes_, 1) << "the exit still writes";
    EXPECT_TRUE(errors_.empty()) << "nothing after the exit, such as a hot-key failure";
}

TEST_F(CalendarWindowTest, DpiChangeScalesTheCalendarThePopupAndTheirFonts)
{
    ASSERT_TRUE(Start());
    DayInfoWindow& popup = calendar_->DayInfo();
    RECT now{};
    GetWindowRect(Hwnd(), &now);
    const float w = float(now.right - now.left), h = float(now.bottom - now.top), cell = Painter().CellWidth(),
                title = Painter().TitleRect().height;
    popup.SetDay(holiday_, calendar_->LiveSettings().Design);
    const gfx::RectF content = popup.Content();
    for (const UINT dpi : {144u, 192u, 96u}) {
        const float k = static_cast<float>(dpi) / 96;
        now = {300, 200, 300 + LONG(w * k), 200 + LONG(h * k)}; // the suggested rectangle
        Send(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&now));
        popup.SetDpi(dpi);
        popup.SetDay(holiday_, calendar_->LiveSettings().Design);
        GetWindowRect(Hwnd(), &now);
        EXPECT_EQ(now.left * 1000 + now.top, 300200) << dpi;
        EXPECT_FLOAT_EQ(Painter().Whole().width - 7 * Painter().CellWidth(), 76 * k) << dpi << ": margins exactly";
        // Texts within the rounding of font heights to whole pixels.
        for (const auto& [got, at96] : {std::pair{float(now.right - now.left), w},
                                        {float(now.bottom - now.top), h},
                                        {Painter().CellWidth(), cell},
                                        {Painter().TitleRect().height, title},
                                        {popup.Content().width, content.width},
                                        {popup.Content().height, content.height}})
            EXPECT_LT(std::abs(got / (at96 * k) - 1), 0.07f) << dpi << ": " << got << " against " << at96;
        EXPECT_TRUE(dpi != 96 || (now.right - now.left == int(w) && now.bottom - now.top == int(h))) << "today's size";
    }
}

} // namespace
