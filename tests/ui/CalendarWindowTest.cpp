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
#include <future>
#include <memory>
#include <string>
#include <thread>
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

// A window of another thread, as another program would own it; it may hold a hot key.
struct ForeignWindow {
    explicit ForeignWindow(UINT modifiers = 0, UINT virtualKey = 0)
    {
        std::promise<void> ready;
        thread = std::thread([&] {
            hwnd = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 600, 200, 100,
                                   nullptr, nullptr, nullptr, nullptr);
            holdsHotkey = virtualKey != 0 && RegisterHotKey(hwnd, 1, modifiers, virtualKey);
            ready.set_value();
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0)
                DispatchMessageW(&msg);
            DestroyWindow(hwnd);
        });
        ready.get_future().wait();
    }
    ~ForeignWindow()
    {
        PostMessageW(hwnd, WM_QUIT, 0, 0);
        thread.join();
    }
    std::thread thread;
    HWND hwnd = nullptr;
    bool holdsHotkey = false;
};

struct SeenMenu {
    std::vector<UINT> ids;
    LONG_PTR title = -1; // the owner-drawn title's item data
};
std::vector<SeenMenu> g_menus;

LRESULT CALLBACK MenuHook(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITMENUPOPUP) {
        const auto menu = reinterpret_cast<HMENU>(call->wParam);
        SeenMenu& seen = g_menus.emplace_back();
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
            seen.ids.push_back(GetMenuItemID(menu, i));
        MENUITEMINFOW mii{sizeof(mii)};
        mii.fMask = MIIM_FTYPE | MIIM_DATA;
        if (GetMenuItemInfoW(menu, ID_DAY_TITLE, FALSE, &mii) && (mii.fType & MFT_OWNERDRAW))
            seen.title = static_cast<LONG_PTR>(mii.dwItemData);
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
        const std::wstring text = L"\xFEFF[Option]\r\n" + options + L"TodayInfo=No\r\n";
        const auto* raw = reinterpret_cast<const std::uint8_t*>(text.data());
        WriteBytes(Ini(), std::vector<std::uint8_t>(raw, raw + text.size() * sizeof(wchar_t)));
        SetCursorPos(1270, 1010); // away from the calendar
        ASSERT_TRUE(owner_.CreateOwner());
        calendar_ = std::make_unique<CalendarWindow>(dir_.WithSlash());
        calendar_->SetClock([this] { return today_; });
        calendar_->SetErrorReporter([this](UINT id) { errors_.push_back(id); });
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
    std::vector<UINT> errors_;
};

TEST_F(CalendarWindowTest, ArrowKeysStepMonthAndYearWithinTheYearLimits)
{
    Start();
    const struct {
        UINT key;
        int fromYear, fromMonth, year, month;
    } cases[] = {
        {VK_LEFT, 2026, 1, 2025, 12}, {VK_RIGHT, 2026, 12, 2027, 1}, {VK_UP, 2026, 5, 2027, 5},
        {VK_DOWN, 2026, 5, 2025, 5},  {VK_UP, 2098, 5, 2098, 5},     {VK_UP, 2097, 3, 2098, 3},
        {VK_DOWN, 1981, 5, 1981, 5},  {VK_DOWN, 1982, 7, 1981, 7},   {VK_RIGHT, 2098, 12, 2099, 1},
        {VK_LEFT, 1981, 1, 1980, 12},
    };
    for (const auto& c : cases) {
        Model().Show(c.fromYear, c.fromMonth);
        Send(WM_KEYDOWN, c.key, 1);
        ExpectShown(c.year, c.month, "key " + std::to_string(c.key) + " from " + std::to_string(c.fromYear));
    }
}

TEST_F(CalendarWindowTest, TypedNumbersJumpToMonths)
{
    Start();
    // Digits sent back to back fall inside one 200 ms typing window; the pump lets it close.
    const struct {
        const wchar_t* typed;
        int year, month;
    } cases[] = {{L"12", 2030, 12}, {L"0", 2026, 12}, {L"13", 2030, 5}, {L"35", 2030, 5}, {L"1", 2030, 1}};
    for (const auto& c : cases) {
        Model().Show(2030, 5);
        for (const wchar_t* d = c.typed; *d != 0; ++d)
            Send(WM_CHAR, *d, 1);
        PumpMessages(500);
        ExpectShown(c.year, c.month, Narrow(c.typed));
    }
    Send(WM_CHAR, L'2', 1); // after the pause: a number of its own
    PumpMessages(500);
    ExpectShown(2030, 2, "1, pause, 2");
}

TEST_F(CalendarWindowTest, ClickActsOnTheHoverAreaOfTheLastHitTest)
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
        Send(WM_NCHITTEST, 0, ScreenPoint(ToScreen(Centre(c.target))));
        // The click's own position, on the next-month button, is not looked at.
        const POINT onButton = Centre(Painter().NextMonthButton());
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(onButton.x, onButton.y));
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

    // The running timer opens it by itself unless the window moves or is right-clicked.
    const POINT title = ToScreen(Centre(Painter().TitleRect()));
    for (const UINT then : {0u, UINT(WM_MOVE), UINT(WM_NCRBUTTONUP)}) {
        calendar_->DayInfo().Hide();
        Send(WM_NCHITTEST, 0, ScreenPoint(title)); // away first, so the timer starts afresh
        Send(WM_MOUSEMOVE, 0, 0);
        PointAt(HolidayOfTheMonth());
        const MenuCatcher catcher;
        if (then != 0)
            Send(then, HTCAPTION, ScreenPoint(title));
        PumpMessages(1300);
        EXPECT_EQ(calendar_->DayInfo().IsShown(), then == 0) << "after message " << then;
    }
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

TEST_F(CalendarWindowTest, RightClickOpensTheDayMenuOnlyOnDaysOfTheMonth)
{
    Start();
    Model().Show(2026, 12);
    const int fifth = ShownDay(5);
    const std::vector<UINT> calendarMenu{ID_HIDE, 0, ID_THIS_MONTH, 0, ID_STAY_TOP, ID_SETTINGS};
    const std::vector<UINT> dayMenu{ID_DAY_TITLE, ID_MEMO, ID_MEMORIAL};
    const struct {
        int cell;
        const std::vector<UINT>& menu;
    } cases[] = {{FindCell([](const DayRecord& d) { return (d.flags & DAY_PREV_MONTH) != 0; }), calendarMenu},
                 {FindCell([](const DayRecord& d) { return (d.flags & DAY_NEXT_MONTH) != 0; }), calendarMenu},
                 {fifth, dayMenu}};
    for (const auto& c : cases) {
        const MenuCatcher catcher;
        Send(WM_NCRBUTTONUP, HTCAPTION, ScreenPoint(CellOnScreen(c.cell)));
        ASSERT_EQ(g_menus.size(), 1u) << c.cell;
        EXPECT_EQ(g_menus[0].ids, c.menu) << c.cell;
        EXPECT_EQ(g_menus[0].title, &c.menu == &dayMenu ? fifth : -1) << c.cell;
    }
}

TEST_F(CalendarWindowTest, DayMenuTitleIsTwentyPixelsHighAndDrawnForItsCell)
{
    Start();
    Model().Show(2026, 12);
    MEASUREITEMSTRUCT title{ODT_MENU, 0, ID_DAY_TITLE, 0, 7, 0};
    Send(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&title));
    EXPECT_EQ(title.itemHeight, 20u);

    auto render = [](const std::function<void(HDC, RECT&)>& draw) {
        DibSurface surface;
        EXPECT_TRUE(surface.Create(160, 20));
        RECT rc{0, 0, 160, 20};
        draw(surface.Dc(), rc);
        GdiFlush();
        return std::vector<std::uint32_t>(surface.Bits(), surface.Bits() + 160 * 20);
    };
    // The grey band and the centred text, drawn here. Row 4, column 1 is the 28th (halves swapped: the 10th).
    for (const auto& [cell, text] : {std::pair{Packed(6, 0), L"< 2026/12/05 >"}, {Packed(1, 4), L"< 2026/12/28 >"}}) {
        const auto drawn = render([&](HDC dc, RECT& rc) {
            DRAWITEMSTRUCT item{ODT_MENU, 0, ID_DAY_TITLE, ODA_DRAWENTIRE, 0, nullptr, dc, rc, ULONG_PTR(cell)};
            Send(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
        });
        const auto expected = render([&](HDC dc, RECT& rc) {
            SetBkColor(dc, RGB(230, 230, 230));
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
            DrawTextW(dc, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        });
        EXPECT_TRUE(drawn == expected) << "title text for cell " << cell;
    }
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

TEST_F(CalendarWindowTest, HotKeyShowsRaisesOrHides)
{
    Start(L"ShowBegin=No\r\n");
    Send(WM_HOTKEY, HOTKEY_ID, 0);
    EXPECT_TRUE(IsWindowVisible(Hwnd())) << "hidden: shown";
    {
        ForeignWindow other;
        SetForegroundWindow(other.hwnd);
        PumpMessages(300, [] { return GetFocus() == nullptr; });
        ASSERT_EQ(GetFocus(), nullptr);
        Send(WM_HOTKEY, HOTKEY_ID, 0);
        PumpMessages(300, [&] { return GetForegroundWindow() == Hwnd(); });
        EXPECT_EQ(GetForegroundWindow(), Hwnd()) << "visible, inactive: raised";
        EXPECT_TRUE(IsWindowVisible(Hwnd()));
    }
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

TEST_F(CalendarWindowTest, TakenHotKeyIsReportedOncePerAttemptAndKept)
{
    const int held = ((HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT) << 8) | VK_F9;
    ForeignWindow holder(MOD_CONTROL | MOD_ALT | MOD_SHIFT, VK_F9);
    ASSERT_TRUE(holder.holdsHotkey);
    Start(L"Hotkey=" + std::to_wstring(held) + L"\r\n");
    EXPECT_EQ(errors_, std::vector<UINT>{IDS_HOTKEY_FAILED});
    calendar_->ApplyHotKey();
    EXPECT_EQ(errors_, (std::vector<UINT>{IDS_HOTKEY_FAILED, IDS_HOTKEY_FAILED}));
    EXPECT_EQ(calendar_->LiveSettings().Hotkey, held);
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

} // namespace
