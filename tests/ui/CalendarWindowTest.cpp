// The calendar window in this process with real windows: keys, typed months, buttons by
// hover area, the hover and date timers, menus, always-on-top, the hot key, the tray icon's
// messages and where the window is placed.
#include "calendar/DayRecord.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/DayInfoWindow.h"
#include "resource.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/OwnerWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace calendar_window;
using namespace std::chrono_literals;

namespace {

// A key the tests own: no other program of the test machine holds Ctrl+Alt+Shift+F11.
constexpr int kFreeHotkey = ((HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT) << 8) | VK_F11;

std::wstring IniText(const std::wstring& options) { return L"[Option]\r\n" + options; }

void WriteIni(const std::filesystem::path& file, const std::wstring& text)
{
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    for (wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    WriteBytes(file, bytes);
}

std::wstring IniValue(const std::filesystem::path& file, const wchar_t* key)
{
    wchar_t buffer[256];
    GetPrivateProfileStringW(L"Option", key, L"<missing>", buffer, 256, file.c_str());
    return buffer;
}

LPARAM ScreenPoint(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

POINT Centre(const gfx::RectF& r)
{
    return POINT{static_cast<LONG>(r.x + r.width / 2), static_cast<LONG>(r.y + r.height / 2)};
}

int Packed(int column, int row) { return (row << 16) | column; }

// A top-level window on a thread of its own, so that activating it leaves this
// thread without focus; it may hold a hot key the way another program would.
class ForeignWindow {
public:
    explicit ForeignWindow(UINT modifiers = 0, UINT virtualKey = 0)
    {
        std::promise<void> ready;
        thread_ = std::thread([&] {
            threadId_ = GetCurrentThreadId();
            hwnd_ = CreateWindowExW(0, L"STATIC", L"other program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 600, 200,
                                    100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
            if (virtualKey != 0)
                holdsHotkey_ = RegisterHotKey(hwnd_, 1, modifiers, virtualKey) != FALSE;
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before the quit is posted
            ready.set_value();
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (msg.message == WM_APP)
                    UnregisterHotKey(hwnd_, 1);
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            DestroyWindow(hwnd_);
        });
        ready.get_future().wait();
    }
    ~ForeignWindow()
    {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    ForeignWindow(const ForeignWindow&) = delete;
    ForeignWindow& operator=(const ForeignWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    bool HoldsHotkey() const { return holdsHotkey_; }
    void ReleaseHotkey()
    {
        PostThreadMessageW(threadId_, WM_APP, 0, 0);
        PumpMessages(200);
    }

private:
    std::thread thread_;
    DWORD threadId_ = 0;
    HWND hwnd_ = nullptr;
    bool holdsHotkey_ = false;
};

// While alive: notes the items of every popup menu this thread opens and closes each
// menu shortly after it appears, so that TrackPopupMenu returns.
class MenuCatcher {
public:
    MenuCatcher()
    {
        current_ = this;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &MenuCatcher::Hook, nullptr, GetCurrentThreadId());
        timer_ = SetTimer(nullptr, 0, 150, &MenuCatcher::Close);
    }
    ~MenuCatcher()
    {
        KillTimer(nullptr, timer_);
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    MenuCatcher(const MenuCatcher&) = delete;
    MenuCatcher& operator=(const MenuCatcher&) = delete;

    struct Seen {
        std::vector<UINT> ids;
        bool stayTopChecked = false;
        bool titleOwnerDrawn = false;
        ULONG_PTR titleData = 0;
    };
    const std::vector<Seen>& Menus() const { return menus_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && current_ != nullptr && call->message == WM_INITMENUPOPUP) {
            const auto menu = reinterpret_cast<HMENU>(call->wParam);
            Seen seen;
            for (int i = 0; i < GetMenuItemCount(menu); ++i)
                seen.ids.push_back(GetMenuItemID(menu, i));
            seen.stayTopChecked = (GetMenuState(menu, ID_STAY_TOP, MF_BYCOMMAND) & MF_CHECKED) != 0;
            MENUITEMINFOW mii{sizeof(mii)};
            mii.fMask = MIIM_FTYPE | MIIM_DATA;
            if (GetMenuItemInfoW(menu, ID_DAY_TITLE, FALSE, &mii)) {
                seen.titleOwnerDrawn = (mii.fType & MFT_OWNERDRAW) != 0;
                seen.titleData = mii.dwItemData;
            }
            current_->menus_.push_back(seen);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static void CALLBACK Close(HWND, UINT, UINT_PTR, DWORD)
    {
        EndMenu();
        // Belt and braces: a menu window that is still up gets an Escape.
        if (HWND menu = FindWindowW(L"#32768", nullptr); menu != nullptr && IsWindowVisible(menu))
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    }

    static inline MenuCatcher* current_ = nullptr;
    HHOOK hook_ = nullptr;
    UINT_PTR timer_ = 0;
    std::vector<Seen> menus_;
};

class CalendarWindowTest : public testing::Test {
protected:
    void TearDown() override
    {
        Close();
        if (owner_.Handle() != nullptr)
            DestroyWindow(owner_.Handle());
        PumpMessages(30);
    }

    // Writes qv.ini with these [Option] lines (plus a free hot key and no popup at start
    // unless they say otherwise) and creates the calendar under the test clock.
    void Start(const std::wstring& options = {})
    {
        std::wstring lines = options;
        if (options.find(L"Hotkey=") == std::wstring::npos)
            lines += L"Hotkey=" + std::to_wstring(kFreeHotkey) + L"\r\n";
        if (options.find(L"TodayInfo=") == std::wstring::npos)
            lines += L"TodayInfo=No\r\n";
        WriteIni(Ini(), IniText(lines));
        // The cursor rests away from the calendar unless a test puts it there.
        SetCursorPos(1270, 1010);
        ASSERT_TRUE(owner_.CreateOwner());
        calendar_ = std::make_unique<CalendarWindow>(dir_.WithSlash());
        calendar_->SetClock([this] { return today_; });
        calendar_->SetErrorReporter([this](UINT id) { errors_.push_back(id); });
        calendar_->SetQuitOnDestroy(false);
        ASSERT_TRUE(calendar_->CreateCalendar(owner_.Handle()));
        PumpMessages(50);
    }

    // Destroys the calendar window, which writes qv.ini.
    void Close()
    {
        if (calendar_ && IsWindow(Hwnd()))
            DestroyWindow(Hwnd());
    }

    std::filesystem::path Ini() const { return dir_.Path() / L"qv.ini"; }
    HWND Hwnd() const { return calendar_->Handle(); }
    MonthModel& Model() { return calendar_->Model(); }
    CalendarPainter& Painter() { return calendar_->Painter(); }

    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessageW(Hwnd(), msg, wParam, lParam); }

    void ExpectShown(int year, int month, const char* what)
    {
        EXPECT_EQ(Model().Year(), year) << what;
        EXPECT_EQ(Model().Month(), month) << what;
    }

    // The calendar takes the foreground and the keyboard focus, as after a click on it.
    void Activate()
    {
        SetForegroundWindow(Hwnd());
        SetActiveWindow(Hwnd());
        SetFocus(Hwnd());
        PumpMessages(100);
        ASSERT_NE(GetFocus(), nullptr);
    }

    POINT ToScreen(POINT client) const
    {
        ClientToScreen(Hwnd(), &client);
        return client;
    }
    POINT CellScreenCentre(int column, int row) const
    {
        return ToScreen(Centre(calendar_->Painter().CellRect(column, row)));
    }

    // The first cell, in date order, whose record passes `match`; -1 when none.
    template <class Match> int FindCell(Match match)
    {
        for (int row = 0; row < MonthModel::ROWS; ++row)
            for (int column = 0; column < MonthModel::COLUMNS; ++column)
                if (match(Model().Cell(column, row)))
                    return Packed(column, row);
        return -1;
    }

    // Puts the pointer on the cell the way the system reports it: cursor, set-cursor, hit test.
    void PointAt(int packed)
    {
        const POINT p = CellScreenCentre(packed & 0xFFFF, packed >> 16);
        SetCursorPos(p.x, p.y);
        Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd()), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
        EXPECT_EQ(Send(WM_NCHITTEST, 0, ScreenPoint(p)), HTCAPTION);
        EXPECT_EQ(calendar_->HoverCell(), packed);
    }

    TempDir dir_;
    OwnerWindow owner_;
    std::unique_ptr<CalendarWindow> calendar_;
    std::chrono::year_month_day today_{2026y / 12 / 5};
    std::vector<UINT> errors_;
};

// ---- keys and typed months ------------------------------------------------------------

TEST_F(CalendarWindowTest, ArrowKeysStepMonthAndYear)
{
    Start();
    ExpectShown(2026, 12, "start: this month");
    const struct {
        UINT key;
        int fromYear, fromMonth, year, month;
    } cases[] = {
        {VK_LEFT, 2026, 5, 2026, 4},  {VK_RIGHT, 2026, 5, 2026, 6},  {VK_UP, 2026, 5, 2027, 5},
        {VK_DOWN, 2026, 5, 2025, 5},  {VK_LEFT, 2026, 1, 2025, 12},  {VK_RIGHT, 2026, 12, 2027, 1},
        {VK_UP, 2098, 5, 2098, 5},    {VK_RIGHT, 2098, 12, 2099, 1}, {VK_UP, 2097, 3, 2098, 3},
        {VK_DOWN, 1981, 5, 1981, 5},  {VK_LEFT, 1981, 1, 1980, 12},  {VK_DOWN, 1982, 7, 1981, 7},
        {VK_SPACE, 2026, 5, 2026, 5}, {VK_HOME, 2026, 5, 2026, 5},
    };
    for (const auto& c : cases) {
        Model().Show(c.fromYear, c.fromMonth);
        Send(WM_KEYDOWN, c.key, 1);
        const std::string what =
            "key " + std::to_string(c.key) + " from " + std::to_string(c.fromYear) + "/" + std::to_string(c.fromMonth);
        ExpectShown(c.year, c.month, what.c_str());
    }
}

TEST_F(CalendarWindowTest, TypedNumbersJumpToMonths)
{
    Start();
    // Digits sent back to back fall inside one 200 ms typing window; the pump lets it close.
    auto type = [&](const wchar_t* digits) {
        for (const wchar_t* d = digits; *d != 0; ++d)
            Send(WM_CHAR, *d, 1);
        PumpMessages(500);
    };
    const struct {
        const wchar_t* typed;
        int year, month;
    } cases[] = {
        {L"12", 2030, 12}, {L"7", 2030, 7},  {L"09", 2030, 9}, {L"10", 2030, 10},
        {L"0", 2026, 12},                                                        // this month by the clock
        {L"13", 2030, 5},  {L"35", 2030, 5}, {L"x", 2030, 5},  {L"1x", 2030, 1}, // other characters are ignored
    };
    for (const auto& c : cases) {
        Model().Show(2030, 5);
        type(c.typed);
        const std::string what(c.typed, c.typed + std::wcslen(c.typed));
        ExpectShown(c.year, c.month, what.c_str());
    }

    // With a pause that lets the typing timer fire, "1" and "2" are two months.
    Model().Show(2030, 5);
    type(L"1");
    ExpectShown(2030, 1, "1, pause");
    type(L"2");
    ExpectShown(2030, 2, "then 2");

    // An ignored number still ends the typing: the next digit starts afresh.
    Model().Show(2030, 5);
    type(L"35");
    type(L"4");
    ExpectShown(2030, 4, "35, pause, 4");
}

// ---- buttons by hover area ------------------------------------------------------------

TEST_F(CalendarWindowTest, ClickActsOnTheHoverAreaOfTheLastHitTest)
{
    Start();
    Activate();
    const struct {
        const char* what;
        const gfx::RectF& button;
        int area, year, month;
    } cases[] = {
        {"prev month", Painter().PrevMonthButton(), AREA_PREV_MONTH, 2026, 4},
        {"prev year", Painter().PrevYearButton(), AREA_PREV_YEAR, 2025, 5},
        {"next month", Painter().NextMonthButton(), AREA_NEXT_MONTH, 2026, 6},
        {"next year", Painter().NextYearButton(), AREA_NEXT_YEAR, 2027, 5},
    };
    for (const auto& c : cases) {
        Model().Show(2026, 5);
        // Buttons answer client area so that their clicks arrive as client messages.
        EXPECT_EQ(Send(WM_NCHITTEST, 0, ScreenPoint(ToScreen(Centre(c.button)))), HTCLIENT) << c.what;
        EXPECT_EQ(calendar_->HoverArea(), c.area) << c.what;
        // The click's own position is not looked at.
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        ExpectShown(c.year, c.month, c.what);
    }

    // Over the title the hit test says caption, and a click, even one whose coordinates
    // lie on a button, changes nothing.
    Model().Show(2026, 5);
    EXPECT_EQ(Send(WM_NCHITTEST, 0, ScreenPoint(ToScreen(Centre(Painter().TitleRect())))), HTCAPTION);
    EXPECT_EQ(calendar_->HoverArea(), AREA_TITLE);
    const POINT onButton = Centre(Painter().NextMonthButton());
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(onButton.x, onButton.y));
    ExpectShown(2026, 5, "click with the title as hover area");
}

TEST_F(CalendarWindowTest, WithoutFocusHitTestKeepsTheOldHoverArea)
{
    Start();
    Activate();
    Model().Show(2026, 5);
    Send(WM_NCHITTEST, 0, ScreenPoint(ToScreen(Centre(Painter().NextYearButton()))));
    ASSERT_EQ(calendar_->HoverArea(), AREA_NEXT_YEAR);

    ForeignWindow other;
    SetForegroundWindow(other.Handle());
    PumpMessages(200, [] { return GetFocus() == nullptr; });
    ASSERT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(Send(WM_NCHITTEST, 0, ScreenPoint(ToScreen(Centre(Painter().PrevMonthButton())))), HTCLIENT);
    EXPECT_EQ(calendar_->HoverArea(), AREA_NEXT_YEAR);
    // The click acts on the area recorded while the calendar had the focus.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 0);
    ExpectShown(2027, 5, "click without focus");
}

// ---- hover timer and the popup --------------------------------------------------------

TEST_F(CalendarWindowTest, HoverTimerOpensThePopupOnlyForShownDaysWithInfo)
{
    Start();
    Activate();
    // April 2026: Showa Day on the 29th; the grid's last row holds 3-6 May, holidays of May.
    Model().Show(2026, 4);
    const int holiday = FindCell([](const DayRecord& d) { return d.InShownMonth() && (d.flags & DAY_HOLIDAY); });
    const int plain = FindCell([](const DayRecord& d) { return d.InShownMonth() && !d.HasInfo(); });
    const int nextMonthHoliday =
        FindCell([](const DayRecord& d) { return (d.flags & DAY_NEXT_MONTH) && (d.flags & DAY_HOLIDAY); });
    ASSERT_NE(holiday, -1);
    ASSERT_NE(plain, -1);
    ASSERT_NE(nextMonthHoliday, -1);
    ASSERT_EQ(Model().Cell(holiday & 0xFFFF, holiday >> 16).day, 29);

    const struct {
        const char* what;
        int cell;
        bool opens;
    } cases[] = {
        {"plain day", plain, false},
        {"holiday of the next month", nextMonthHoliday, false},
        {"holiday of the month", holiday, true},
    };
    for (const auto& c : cases) {
        PointAt(c.cell);
        ASSERT_TRUE(calendar_->PointerInside()) << c.what;
        Send(WM_TIMER, TIMER_HOVER);
        EXPECT_EQ(calendar_->DayInfo().IsShown(), c.opens) << c.what;
    }
    EXPECT_EQ(calendar_->DayInfo().DateLine(), L"2026/04/29 (WED)");
    // Opened by hovering, it goes away by itself.
    EXPECT_TRUE(calendar_->DayInfo().AutoHide());
}

TEST_F(CalendarWindowTest, HoverTimerNeedsThePointerStillOnTheCell)
{
    Start();
    Activate();
    Model().Show(2026, 4);
    const int holiday = FindCell([](const DayRecord& d) { return d.InShownMonth() && (d.flags & DAY_HOLIDAY); });
    ASSERT_NE(holiday, -1);
    PointAt(holiday);
    // The pointer moved on to the next cell without a hit test yet.
    const POINT next = CellScreenCentre(((holiday & 0xFFFF) + 1) % 7, holiday >> 16);
    SetCursorPos(next.x, next.y);
    Send(WM_TIMER, TIMER_HOVER);
    EXPECT_FALSE(calendar_->DayInfo().IsShown());
}

TEST_F(CalendarWindowTest, MoveAndRightClickStopTheHoverTimer)
{
    Start();
    Activate();
    Model().Show(2026, 4);
    const int holiday = FindCell([](const DayRecord& d) { return d.InShownMonth() && (d.flags & DAY_HOLIDAY); });
    ASSERT_NE(holiday, -1);
    const POINT title = ToScreen(Centre(Painter().TitleRect()));

    enum class Then { Nothing, Move, RightClick };
    const struct {
        const char* what;
        Then then;
        bool opens;
    } cases[] = {
        {"left alone", Then::Nothing, true},
        {"window moved", Then::Move, false},
        {"right click", Then::RightClick, false},
    };
    for (const auto& c : cases) {
        calendar_->DayInfo().Hide();
        // Away from the cell first, so that pointing at it starts the timer afresh.
        Send(WM_NCHITTEST, 0, ScreenPoint(title));
        Send(WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
        PointAt(holiday);
        if (c.then == Then::Move) {
            RECT rc;
            GetWindowRect(Hwnd(), &rc);
            Send(WM_MOVE, 0, MAKELPARAM(rc.left, rc.top));
        } else if (c.then == Then::RightClick) {
            MenuCatcher catcher;
            Send(WM_NCRBUTTONUP, HTCAPTION, ScreenPoint(title));
            EXPECT_EQ(catcher.Menus().size(), 1u) << c.what;
        }
        PumpMessages(1300);
        EXPECT_EQ(calendar_->DayInfo().IsShown(), c.opens) << c.what;
    }
}

// ---- date timer ------------------------------------------------------------------------

TEST_F(CalendarWindowTest, DateTimerMovesTodayButNotTheMonth)
{
    const struct {
        const char* what;
        std::chrono::year_month_day start, next;
        int oldDay, newDay; // newDay 0: not a day of the shown month
    } cases[] = {
        {"next day", 2026y / 12 / 5, 2026y / 12 / 6, 5, 6},
        {"new year", 2026y / 12 / 31, 2027y / 1 / 1, 31, 0},
    };
    for (const auto& c : cases) {
        today_ = c.start;
        Start();
        ExpectShown(2026, 12, c.what);
        ASSERT_NE(Model().FindToday(), nullptr);
        ASSERT_EQ(Model().FindToday()->day, c.oldDay);

        Send(WM_TIMER, TIMER_DATE); // same day: nothing moves
        EXPECT_EQ(Model().FindToday()->day, c.oldDay) << c.what;

        today_ = c.next;
        Send(WM_TIMER, TIMER_DATE);
        ExpectShown(2026, 12, c.what);
        const int oldCell = FindCell([&](const DayRecord& d) { return d.InShownMonth() && d.day == c.oldDay; });
        EXPECT_FALSE(Model().Cell(oldCell & 0xFFFF, oldCell >> 16).flags & DAY_TODAY) << c.what;
        if (c.newDay != 0) {
            ASSERT_NE(Model().FindToday(), nullptr);
            EXPECT_EQ(Model().FindToday()->day, c.newDay) << c.what;
            EXPECT_TRUE(Model().FindToday()->InShownMonth()) << c.what;
        }
        Close();
        DestroyWindow(owner_.Handle());
        owner_.SetHandle(nullptr);
    }
}

// ---- menus -------------------------------------------------------------------------------

TEST_F(CalendarWindowTest, RightClickOpensTheDayMenuOnlyOnDaysOfTheMonth)
{
    Start();
    Model().Show(2026, 12);
    // December 2026 starts on a Tuesday: cells (0,0) and (1,0) are 29 and 30 November.
    const int prevMonthCell = Packed(1, 0);
    ASSERT_TRUE(Model().Cell(1, 0).flags & DAY_PREV_MONTH);
    const int fifth = FindCell([](const DayRecord& d) { return d.InShownMonth() && d.day == 5; });
    const int nextMonthCell = FindCell([](const DayRecord& d) { return (d.flags & DAY_NEXT_MONTH) != 0; });
    ASSERT_NE(fifth, -1);
    ASSERT_NE(nextMonthCell, -1);

    const std::vector<UINT> calendarMenu{ID_HIDE, 0, ID_THIS_MONTH, 0, ID_STAY_TOP, ID_SETTINGS};
    const std::vector<UINT> dayMenu{ID_DAY_TITLE, ID_MEMO, ID_MEMORIAL};
    const struct {
        const char* what;
        POINT at;
        int menuCell;
        const std::vector<UINT>& menu;
    } cases[] = {
        {"previous month", CellScreenCentre(1, 0), prevMonthCell, calendarMenu},
        {"next month", CellScreenCentre(nextMonthCell & 0xFFFF, nextMonthCell >> 16), nextMonthCell, calendarMenu},
        {"title", ToScreen(Centre(Painter().TitleRect())), -1, calendarMenu},
        {"day of the month", CellScreenCentre(fifth & 0xFFFF, fifth >> 16), fifth, dayMenu},
    };
    for (const auto& c : cases) {
        MenuCatcher catcher;
        Send(WM_NCRBUTTONUP, HTCAPTION, ScreenPoint(c.at));
        EXPECT_EQ(calendar_->MenuCell(), c.menuCell) << c.what;
        ASSERT_EQ(catcher.Menus().size(), 1u) << c.what;
        const auto& seen = catcher.Menus()[0];
        EXPECT_EQ(seen.ids, c.menu) << c.what;
        if (&c.menu == &dayMenu) {
            EXPECT_TRUE(seen.titleOwnerDrawn);
            EXPECT_EQ(seen.titleData, static_cast<ULONG_PTR>(fifth));
        }
    }
}

TEST_F(CalendarWindowTest, DayMenuTitleIsMeasuredAndDrawnForItsCell)
{
    Start();
    Model().Show(2026, 12);

    MEASUREITEMSTRUCT title{ODT_MENU, 0, ID_DAY_TITLE, 0, 7, 0};
    Send(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&title));
    EXPECT_EQ(title.itemHeight, 20u);
    MEASUREITEMSTRUCT memo{ODT_MENU, 0, ID_MEMO, 0, 7, 0};
    Send(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&memo));
    EXPECT_EQ(memo.itemHeight, 7u);

    constexpr int W = 160, H = 20;
    struct Surface {
        HDC dc = CreateCompatibleDC(nullptr);
        std::uint32_t* bits = nullptr;
        HBITMAP bitmap = nullptr;
        HGDIOBJ old = nullptr;
        Surface()
        {
            BITMAPINFO bi{};
            bi.bmiHeader = {sizeof(BITMAPINFOHEADER), W, -H, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            void* p = nullptr;
            bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
            bits = static_cast<std::uint32_t*>(p);
            old = SelectObject(dc, bitmap);
            std::memset(bits, 0, W * H * 4);
        }
        ~Surface()
        {
            SelectObject(dc, old);
            DeleteObject(bitmap);
            DeleteDC(dc);
        }
        std::vector<std::uint32_t> Pixels() const { return {bits, bits + W * H}; }
    };
    // What the title must look like: the grey band and the centred text, drawn here.
    auto reference = [](const std::wstring& text) {
        Surface s;
        RECT rc{0, 0, W, H};
        SetBkColor(s.dc, RGB(230, 230, 230));
        ExtTextOutW(s.dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
        DrawTextW(s.dc, text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        return s.Pixels();
    };

    const struct {
        int cell;
        const wchar_t* text;
    } cases[] = {
        {Packed(6, 0), L"< 2026/12/05 >"},
        {Packed(1, 4), L"< 2026/12/28 >"}, // row 4, column 1: halves swapped would be the 10th
        {Packed(0, 0), L"< 2026/11/29 >"},
    };
    for (const auto& c : cases) {
        Surface s;
        DRAWITEMSTRUCT item{
            ODT_MENU, 0, ID_DAY_TITLE, ODA_DRAWENTIRE, 0, nullptr, s.dc, {0, 0, W, H}, static_cast<ULONG_PTR>(c.cell)};
        Send(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(s.bits[0] & 0xFFFFFF, 0xE6E6E6u) << "top left";
        EXPECT_EQ(s.bits[W * H - 1] & 0xFFFFFF, 0xE6E6E6u) << "bottom right";
        EXPECT_TRUE(s.Pixels() == reference(c.text)) << "title text for cell " << c.cell;
        EXPECT_FALSE(s.Pixels() == reference(L"< 2026/12/10 >"));
    }

    // Other items are not drawn.
    Surface s;
    DRAWITEMSTRUCT other{ODT_MENU, 0, ID_MEMO, ODA_DRAWENTIRE, 0, nullptr, s.dc, {0, 0, W, H}, 0};
    Send(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(s.bits[0], 0u);
}

TEST_F(CalendarWindowTest, TrayIconMessages)
{
    Start(L"StayTop=Yes\r\n");
    const struct {
        bool visible;
        UINT offered, removed;
    } cases[] = {{true, ID_HIDE, ID_SHOW}, {false, ID_SHOW, ID_HIDE}};
    for (const auto& c : cases) {
        ShowWindow(Hwnd(), c.visible ? SW_SHOW : SW_HIDE);
        MenuCatcher catcher;
        EXPECT_EQ(Send(WM_TRAY, TRAY_ICON_ID, WM_RBUTTONDOWN), 0);
        ASSERT_EQ(catcher.Menus().size(), 1u);
        const auto& ids = catcher.Menus()[0].ids;
        EXPECT_NE(std::find(ids.begin(), ids.end(), c.offered), ids.end()) << c.visible;
        EXPECT_EQ(std::find(ids.begin(), ids.end(), c.removed), ids.end()) << c.visible;
        EXPECT_TRUE(catcher.Menus()[0].stayTopChecked);
    }

    // Left click shows a hidden calendar; another icon id or mouse message does nothing.
    ShowWindow(Hwnd(), SW_HIDE);
    Send(WM_TRAY, TRAY_ICON_ID + 1, WM_LBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(Hwnd()));
    Send(WM_TRAY, TRAY_ICON_ID, WM_MOUSEMOVE);
    Send(WM_TRAY, TRAY_ICON_ID, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(Hwnd()));
    Send(WM_TRAY, TRAY_ICON_ID, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(Hwnd()));

    // On a visible calendar it brings it to the foreground.
    ForeignWindow other;
    SetForegroundWindow(other.Handle());
    PumpMessages(200, [&] { return GetForegroundWindow() == other.Handle(); });
    ASSERT_EQ(GetForegroundWindow(), other.Handle());
    Send(WM_TRAY, TRAY_ICON_ID, WM_LBUTTONDOWN);
    PumpMessages(200, [&] { return GetForegroundWindow() == Hwnd(); });
    EXPECT_EQ(GetForegroundWindow(), Hwnd());
    EXPECT_TRUE(IsWindowVisible(Hwnd()));
}

// ---- always on top ---------------------------------------------------------------------

TEST_F(CalendarWindowTest, StayTopToggleSetsTheWindowAndIsSavedAtExit)
{
    auto topmost = [&] { return (GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    const struct {
        bool initially;
        int toggles;
        const wchar_t* saved;
    } cases[] = {
        {false, 1, L"Yes"},
        {false, 2, L"No"},
        {true, 1, L"No"},
        {true, 0, L"Yes"},
    };
    for (const auto& c : cases) {
        Start(std::wstring(L"StayTop=") + (c.initially ? L"Yes" : L"No") + L"\r\n");
        EXPECT_EQ(topmost(), c.initially);
        bool expected = c.initially;
        for (int i = 0; i < c.toggles; ++i) {
            Send(WM_COMMAND, ID_STAY_TOP);
            expected = !expected;
            EXPECT_EQ(topmost(), expected) << "toggle " << i;
            EXPECT_EQ(calendar_->LiveSettings().StayTop, expected);
        }
        // Nothing is written before the exit.
        EXPECT_EQ(IniValue(Ini(), L"StayTop"), c.initially ? L"Yes" : L"No");
        Close();
        EXPECT_EQ(IniValue(Ini(), L"StayTop"), c.saved) << c.initially << " x" << c.toggles;
        DestroyWindow(owner_.Handle());
        owner_.SetHandle(nullptr);
    }
}

// ---- hot key -------------------------------------------------------------------------------

TEST_F(CalendarWindowTest, HotKeyShowsRaisesOrHides)
{
    Start(L"ShowBegin=No\r\n");
    ASSERT_TRUE(errors_.empty());

    // Hidden: shown.
    Send(WM_HOTKEY, HOTKEY_ID, 0);
    EXPECT_TRUE(IsWindowVisible(Hwnd()));

    // Visible, another program active: brought to the foreground, not hidden.
    {
        ForeignWindow other;
        SetForegroundWindow(other.Handle());
        PumpMessages(300, [] { return GetFocus() == nullptr; });
        ASSERT_EQ(GetFocus(), nullptr);
        Send(WM_HOTKEY, HOTKEY_ID, 0);
        PumpMessages(300, [&] { return GetForegroundWindow() == Hwnd(); });
        EXPECT_EQ(GetForegroundWindow(), Hwnd());
        EXPECT_TRUE(IsWindowVisible(Hwnd()));
    }

    // Visible and active, with the popup open: both go.
    Activate();
    Model().Show(2026, 11);
    const int holiday = FindCell([](const DayRecord& d) { return d.InShownMonth() && (d.flags & DAY_HOLIDAY); });
    ASSERT_NE(holiday, -1);
    calendar_->DayInfo().ShowDayInfo(300, 300, Model().Cell(holiday & 0xFFFF, holiday >> 16),
                                     calendar_->LiveSettings().Design, true);
    ASSERT_TRUE(calendar_->DayInfo().IsShown());
    ASSERT_NE(GetFocus(), nullptr);
    Send(WM_HOTKEY, HOTKEY_ID, 0);
    EXPECT_FALSE(calendar_->DayInfo().IsShown());
    EXPECT_FALSE(IsWindowVisible(Hwnd()));
}

TEST_F(CalendarWindowTest, HotKeyHeldElsewhereIsReportedOncePerAttempt)
{
    const UINT heldMods = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
    const int heldSetting = ((HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT) << 8) | VK_F9;
    ForeignWindow holder(heldMods, VK_F9);
    ASSERT_TRUE(holder.HoldsHotkey());

    Start(L"Hotkey=" + std::to_wstring(heldSetting) + L"\r\n");
    EXPECT_EQ(errors_, std::vector<UINT>{IDS_HOTKEY_FAILED});
    calendar_->ApplyHotKey();
    EXPECT_EQ(errors_, (std::vector<UINT>{IDS_HOTKEY_FAILED, IDS_HOTKEY_FAILED}));
    EXPECT_EQ(calendar_->LiveSettings().Hotkey, heldSetting);

    // Once the other program lets go, the next attempt registers without a word.
    holder.ReleaseHotkey();
    calendar_->ApplyHotKey();
    EXPECT_EQ(errors_.size(), 2u);
    // ... and the calendar now holds it: another program cannot take it back.
    ForeignWindow latecomer(heldMods, VK_F9);
    EXPECT_FALSE(latecomer.HoldsHotkey());
}

TEST_F(CalendarWindowTest, FailedHotKeyLeavesTheOldOneReleased)
{
    const UINT freeMods = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
    ForeignWindow holder(MOD_CONTROL | MOD_ALT | MOD_SHIFT, VK_F8);
    ASSERT_TRUE(holder.HoldsHotkey());
    Start(); // the free key is registered
    ASSERT_TRUE(errors_.empty());
    ForeignWindow probeWhileHeld(freeMods, VK_F11);
    EXPECT_FALSE(probeWhileHeld.HoldsHotkey());

    calendar_->LiveSettings().Hotkey = ((HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT) << 8) | VK_F8;
    calendar_->ApplyHotKey();
    EXPECT_EQ(errors_, std::vector<UINT>{IDS_HOTKEY_FAILED});
    ForeignWindow probeAfter(freeMods, VK_F11);
    EXPECT_TRUE(probeAfter.HoldsHotkey());
}

TEST_F(CalendarWindowTest, ExtendedKeyFlagRegistersWithTheWindowsKey)
{
    // Up arrow of the separate block with Ctrl, as the hot-key control reports it.
    Start(L"Hotkey=" + std::to_wstring(((HOTKEYF_EXT | HOTKEYF_CONTROL) << 8) | VK_UP) + L"\r\n");
    ASSERT_TRUE(errors_.empty());
    ForeignWindow withWin(MOD_WIN | MOD_CONTROL, VK_UP);
    EXPECT_FALSE(withWin.HoldsHotkey());
    ForeignWindow withoutWin(MOD_CONTROL, VK_UP);
    EXPECT_TRUE(withoutWin.HoldsHotkey());
}

// ---- start-up ------------------------------------------------------------------------------

TEST_F(CalendarWindowTest, TodaysPopupAtStartOnlyForADayWithInfo)
{
    const struct {
        const char* what;
        std::chrono::year_month_day today;
        const wchar_t* options;
        bool popup, calendarVisible;
    } cases[] = {
        {"holiday, hidden calendar", 2026y / 11 / 3, L"ShowBegin=No\r\nTodayInfo=Yes\r\n", true, false},
        {"holiday, shown calendar", 2026y / 11 / 3, L"ShowBegin=Yes\r\nTodayInfo=Yes\r\nPosX=300\r\nPosY=200\r\n", true,
         true},
        {"holiday, option off", 2026y / 11 / 3, L"ShowBegin=No\r\nTodayInfo=No\r\n", false, false},
        {"ordinary day", 2026y / 12 / 8, L"ShowBegin=No\r\nTodayInfo=Yes\r\n", false, false},
    };
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    for (const auto& c : cases) {
        today_ = c.today;
        Start(c.options);
        EXPECT_EQ(calendar_->DayInfo().IsShown(), c.popup) << c.what;
        EXPECT_EQ(IsWindowVisible(Hwnd()) != FALSE, c.calendarVisible) << c.what;
        if (c.popup) {
            EXPECT_EQ(calendar_->DayInfo().DateLine(), L"2026/11/03 (TUE)") << c.what;
            // Pinned: it stays until the user dismisses it.
            EXPECT_FALSE(calendar_->DayInfo().AutoHide()) << c.what;
            RECT rc;
            GetWindowRect(calendar_->DayInfo().Handle(), &rc);
            if (c.calendarVisible) {
                EXPECT_EQ(rc.left, 308) << c.what;
                EXPECT_EQ(rc.top, 208) << c.what;
            } else {
                // Asked for beyond the lower right corner, kept inside the screen there
                // (only the soft shadow may reach past the edge).
                const auto shadow = static_cast<LONG>(DayInfoWindow::kShadow);
                EXPECT_LE(rc.right - shadow, work.right) << c.what;
                EXPECT_LE(rc.bottom - shadow, work.bottom) << c.what;
                EXPECT_GT(rc.left, (work.left + work.right) / 2) << c.what;
                EXPECT_GT(rc.top, (work.top + work.bottom) / 2) << c.what;
            }
        }
        Close();
        DestroyWindow(owner_.Handle());
        owner_.SetHandle(nullptr);
    }
}

// ---- placement ------------------------------------------------------------------------------

TEST_F(CalendarWindowTest, StoredPositionIsUsedWhenItIsOnAScreen)
{
    Start(L"PosX=123\r\nPosY=77\r\n");
    RECT rc;
    GetWindowRect(Hwnd(), &rc);
    EXPECT_EQ(rc.left, 123);
    EXPECT_EQ(rc.top, 77);
    const PixelSize size = Painter().GetSize();
    EXPECT_EQ(rc.right - rc.left, size.width);
    EXPECT_EQ(rc.bottom - rc.top, size.height);
    SetWindowPos(Hwnd(), nullptr, 140, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Close();
    EXPECT_EQ(IniValue(Ini(), L"PosX"), L"140");
    EXPECT_EQ(IniValue(Ini(), L"PosY"), L"90");
}

TEST_F(CalendarWindowTest, PositionOffEveryScreenIsBroughtIntoTheWorkArea)
{
    const struct {
        const wchar_t* options;
    } cases[] = {
        {L"PosX=99999999\r\nPosY=100\r\n"},
        {L"PosX=-5000\r\nPosY=-5000\r\n"},
        {L"PosX=300\r\nPosY=99999999\r\n"},
    };
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    for (const auto& c : cases) {
        Start(c.options);
        RECT rc;
        GetWindowRect(Hwnd(), &rc);
        const std::string what(c.options, c.options + std::wcslen(c.options));
        EXPECT_GE(rc.left, work.left) << what;
        EXPECT_GE(rc.top, work.top) << what;
        EXPECT_LE(rc.right, work.right) << what;
        EXPECT_LE(rc.bottom, work.bottom) << what;
        EXPECT_EQ(rc.right - rc.left, Painter().GetSize().width) << what;
        Close();
        DestroyWindow(owner_.Handle());
        owner_.SetHandle(nullptr);
    }
}

} // namespace
