// The calendar window in this process with real windows.
#include "calendar/DayRecord.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "render/DayInfoWindow.h"
#include "resource.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/OwnerWindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
int Packed(int column, int row) { return (row << 16) | column; }
std::string Narrow(const wchar_t* s) { return std::string(s, s + std::wcslen(s)); }

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

    // Writes these [Option] lines (a free hot key unless given) and creates the calendar.
    void Start(std::wstring options = {})
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
        ASSERT_TRUE(owner_.CreateOwner());
        calendar_ = std::make_unique<CalendarWindow>(dir_.WithSlash());
        calendar_->SetClock([this] { return today_; });
        calendar_->SetErrorReporter([](UINT) {}); // no message box
        calendar_->SetQuitOnDestroy(false);
        ASSERT_TRUE(calendar_->CreateCalendar(owner_.Handle()));
        PumpMessages(50);
    }
    void Stop()
    {
        if (calendar_ && IsWindow(Hwnd()))
            DestroyWindow(Hwnd());
        if (owner_.Handle() != nullptr) {
            DestroyWindow(owner_.Handle());
            owner_.SetHandle(nullptr);
        }
        PumpMessages(30);
    }

    std::filesystem::path Ini() const { return dir_.Path() / L"qv.ini"; }
    std::wstring IniValue(const wchar_t* key) const
    {
        wchar_t buffer[64];
        GetPrivateProfileStringW(L"Option", key, L"<missing>", buffer, 64, Ini().c_str());
        return buffer;
    }
    HWND Hwnd() const { return calendar_->Handle(); }
    MonthModel& Model() { return calendar_->Model(); }
    CalendarPainter& Painter() { return calendar_->Painter(); }
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessageW(Hwnd(), msg, wParam, lParam); }
    void ExpectShown(int year, int month, const std::string& what)
    {
        EXPECT_EQ(Model().Year() * 100 + Model().Month(), year * 100 + month) << what;
    }
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
                    return Packed(column, row);
        ADD_FAILURE() << "no such cell";
        return 0;
    }
    int ShownDay(int day)
    {
        return FindCell([day](const DayRecord& d) { return d.InShownMonth() && d.day == day; });
    }
    int HolidayOfTheMonth()
    {
        return FindCell([](const DayRecord& d) { return d.InShownMonth() && (d.flags & DAY_HOLIDAY); });
    }
    // Puts the pointer on the cell the way the system reports it: cursor, set-cursor, hit test.
    void PointAt(int packed)
    {
        const POINT p = CellOnScreen(packed);
        SetCursorPos(p.x, p.y);
        Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd()), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
        Send(WM_NCHITTEST, 0, ScreenPoint(p));
        ASSERT_EQ(calendar_->HoverCell(), packed);
    }

    TempDir dir_;
    OwnerWindow owner_;
    std::unique_ptr<CalendarWindow> calendar_;
    std::chrono::year_month_day today_{2026y / 12 / 5};
};

TEST_F(CalendarWindowTest, ClickActsOnTheAreaUnderTheClick)
{
    Start();
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
        ExpectShown(c.year, c.month, "target " + std::to_string(c.target.x));
    }
}

TEST_F(CalendarWindowTest, HoverTimerOpensThePopupOnlyForShownDaysWithInfoUnlessStopped)
{
    Start();
    Activate();
    // April 2026: Showa Day on the 29th; the last row holds 3-6 May, holidays of the next month.
    Model().Show(2026, 4);
    const struct {
        int cell;
        bool opens;
    } cases[] = {
        {FindCell([](const DayRecord& d) { return d.InShownMonth() && !d.HasInfo(); }), false},
        {FindCell([](const DayRecord& d) { return (d.flags & DAY_NEXT_MONTH) && (d.flags & DAY_HOLIDAY); }), false},
        {HolidayOfTheMonth(), true},
    };
    for (const auto& c : cases) {
        PointAt(c.cell);
        Send(WM_TIMER, TIMER_HOVER);
        EXPECT_EQ(calendar_->DayInfo().IsShown(), c.opens) << c.cell;
    }
    EXPECT_EQ(calendar_->DayInfo().DateLine(), L"2026/04/29 (WED)");
}

TEST_F(CalendarWindowTest, DateTimerMovesTodayButNotTheMonth)
{
    const struct {
        std::chrono::year_month_day start, next;
        int oldDay, newDay; // newDay 0: not a day of the shown month
    } cases[] = {{2026y / 12 / 5, 2026y / 12 / 6, 5, 6}, {2026y / 12 / 31, 2027y / 1 / 1, 31, 0}};
    for (const auto& c : cases) {
        today_ = c.start;
        Start();
        today_ = c.next;
        Send(WM_TIMER, TIMER_DATE);
        ExpectShown(2026, 12, "after the date timer");
        const int old = ShownDay(c.oldDay);
        EXPECT_FALSE(Model().Cell(old & 0xFFFF, old >> 16).flags & DAY_TODAY) << c.oldDay;
        const DayRecord* today = Model().FindToday();
        EXPECT_EQ(today != nullptr && today->InShownMonth() ? today->day : 0, c.newDay);
    }
}

TEST_F(CalendarWindowTest, MenusOfTheCalendarTheDaysAndTheTrayIcon)
{
    Start(L"StayTop=Yes\r\n");
    Model().Show(2026, 12);
    const int fifth = ShownDay(5);
    const std::wstring calendar = L"非表示(&H)||今月(&O)||常に表示(&T)*|設定(&E)||エクスポート(&X)...|インポート(&I)...";
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
    Send(WM_TRAY, TRAY_ICON_ID, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(Hwnd())) << "a left click on the icon shows the calendar";
}

TEST_F(CalendarWindowTest, StayTopIsToggledByTheCommandAndSavedAtOnce)
{
    for (const bool initially : {false, true}) {
        const wchar_t* before = initially ? L"Yes" : L"No";
        Start(std::wstring(L"StayTop=") + before + L"\r\n");
        Send(WM_COMMAND, ID_STAY_TOP);
        EXPECT_EQ((GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, !initially);
        EXPECT_EQ(IniValue(L"StayTop"), initially ? L"No" : L"Yes") << "written before the exit";
    }
}

TEST_F(CalendarWindowTest, HotKeyShowsOrHidesWithThePopup)
{
    Start(L"ShowBegin=No\r\n");
    Send(WM_HOTKEY, HOTKEY_ID, 0);
    EXPECT_TRUE(IsWindowVisible(Hwnd())) << "hidden: shown";
    Activate();
    Model().Show(2026, 11);
    const int holiday = HolidayOfTheMonth();
    const DayRecord& day = Model().Cell(holiday & 0xFFFF, holiday >> 16);
    calendar_->DayInfo().ShowDayInfo(300, 300, day, calendar_->LiveSettings().Design, true);
    ASSERT_TRUE(calendar_->DayInfo().IsShown());
    Send(WM_HOTKEY, HOTKEY_ID, 0);
    EXPECT_FALSE(IsWindowVisible(Hwnd())) << "visible, active: hidden";
    EXPECT_FALSE(calendar_->DayInfo().IsShown());
}

TEST_F(CalendarWindowTest, StoredPositionIsUsedOnAScreenAndBroughtIntoTheWorkAreaOffIt)
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    for (const wchar_t* options : {L"PosX=123\r\nPosY=77\r\n", L"PosX=99999999\r\nPosY=100\r\n",
                                   L"PosX=-5000\r\nPosY=-5000\r\n", L"PosX=300\r\nPosY=99999999\r\n"}) {
        Start(options);
        RECT rc;
        GetWindowRect(Hwnd(), &rc);
        // The visible one is used exactly.
        EXPECT_TRUE(std::wcsncmp(options, L"PosX=123", 8) != 0 || (rc.left == 123 && rc.top == 77)) << rc.left;
        EXPECT_TRUE(rc.left >= work.left && rc.top >= work.top && rc.right <= work.right && rc.bottom <= work.bottom)
            << Narrow(options);
    }
}

TEST_F(CalendarWindowTest, StartUpShowsTodaysInfoBesideTheCalendarOrInTheScreenCorner)
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const struct {
        std::chrono::year_month_day today;
        const wchar_t* showBegin;
        LONG right, bottom; // of the popup; 0: no popup
    } cases[] = {{2026y / 11 / 3, L"Yes", 158, 128},
                 {2026y / 11 / 3, L"No", work.right, work.bottom},
                 {2026y / 11 / 4, L"Yes", 0, 0}};
    for (const auto& c : cases) {
        today_ = c.today;
        Start(std::wstring(L"TodayInfo=Yes\r\nPosX=150\r\nPosY=120\r\nShowBegin=") + c.showBegin + L"\r\n");
        ASSERT_EQ(calendar_->DayInfo().IsShown(), c.right != 0) << c.showBegin;
        RECT rc{};
        GetWindowRect(calendar_->DayInfo().Handle(), &rc);
        // Beside the calendar its top-left corner is given; in the corner it is moved onto the work area.
        if (c.right == 158) {
            EXPECT_EQ(rc.left * 10000 + rc.top, 158 * 10000 + 128);
        } else if (c.right != 0) { // the popup with its shadow ends at the work area's far corner
            EXPECT_EQ(rc.right, c.right);
            EXPECT_EQ(rc.bottom, c.bottom);
        }
    }
}

} // namespace
