// The day-information popup: layout against texts measured here with the same fonts,
// wrapping, pictures, placement on the monitor, the holiday colour and the hide rules.
#include "RenderTestSupport.h"
#include "app/Application.h"
#include "calendar/DayRecord.h"
#include "render/DayInfoWindow.h"

using gfx::RectF;

namespace {

const std::wstring kSixteenA(16, L'\x3042');

gfx::Font TitleFont(const DesignSettings& s)
{
    return gfx::Font(s.Dayinfo.TitleFont.Name, s.Dayinfo.TitleFont.Size, s.Dayinfo.TitleFont.Style);
}

// A real popup owned by a plain top-level window; the owner takes the popup with it.
class DayInfo : public testing::Test {
protected:
    void SetUp() override
    {
        owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, TheApp()->Instance(),
                                nullptr);
        ASSERT_NE(owner, nullptr);
        ASSERT_TRUE(info.CreateDayInfo(owner));
    }
    void TearDown() override
    {
        DestroyWindow(owner);
        PumpMessages(0);
    }

    HWND owner = nullptr;
    DayInfoWindow info;
    DesignSettings settings;
};

} // namespace

TEST_F(DayInfo, DateLineAndAHolidayOnlyDayOnOneLine)
{
    info.SetDay({.year = 2024, .month = 1, .day = 7, .flags = DAY_MEMO, .weekday = 0, .memo = L"x"}, settings);
    EXPECT_EQ(info.DateLine(), L"2024/01/07 (SUN)");

    const DayRecord day{
        .year = 2024, .month = 1, .day = 8, .flags = DAY_HOLIDAY, .weekday = 1, .holidayName = L"成人の日"};
    info.ShowDayInfo(100, 100, day, settings, false);
    const RectF t = Measure(L"2024/01/08 (MON)", TitleFont(settings), {5, 5});
    const RectF h = Measure(L"成人の日", TitleFont(settings), {t.width + 5, 5});
    ASSERT_GT(h.width, 10);
    ExpectRect(info.Content(), RectF{0, 0, t.width + h.width + 10, t.height + 10}, "content");
    ExpectRect(info.TitleRect(), RectF{5, 5, t.width + h.width, t.height}, "title");
    ExpectRect(info.MemorialRect(), RectF{}, "memorial");
    ExpectRect(info.MemoRect(), RectF{}, "memo");
}

TEST_F(DayInfo, MemorialNameAndMemoWrapAtSixteenOfTheirOwnFont)
{
    settings.Dayinfo.MemoFont.Size = 14; // a reference width different from the title font's
    const gfx::Font title = TitleFont(settings), memo(settings.Dayinfo.MemoFont.Name, 14, 0);
    const RectF t = Measure(L"2024/05/03 (FRI)", title, {5, 5});
    const float titleRef = Measure(kSixteenA, title, {5, 5}).width, memoRef = Measure(kSixteenA, memo, {5, 5}).width;
    const float titleLine = Measure(L"\x3042", title, {5, 5}).height,
                memoLine = Measure(L"\x3042", memo, {5, 5}).height;
    ASSERT_GT(memoRef, titleRef + 20);
    const struct {
        const char* label;
        std::wstring memorial, memo;
        float width, memorialWidth, memoWidth;
        int memorialLines, memoLines;
    } cases[] = {
        {"short memorial", L"命日", L"", t.width + 10, Measure(L"命日", title, {5, t.height + 5}).width, 0, 1, 0},
        {"long memo", L"", std::wstring(40, L'\x3042'), memoRef + 10, 0, memoRef, 0, 3},
        {"both", std::wstring(20, L'\x3042'), std::wstring(20, L'\x3042'), memoRef + 10, titleRef, memoRef, 2, 2},
    };
    for (const auto& c : cases) {
        info.SetDay({.year = 2024, .month = 5, .day = 3, .weekday = 5, .memo = c.memo, .memorialName = c.memorial},
                    settings);
        const RectF &m = info.MemorialRect(), &n = info.MemoRect();
        EXPECT_NEAR(info.Content().width, c.width, 0.01) << c.label;
        float bottom = t.height + 5; // the memorial name follows the date line at once
        if (c.memorialLines) {
            ExpectRect(m, RectF{5, bottom, c.memorialWidth, m.height}, c.label);
            EXPECT_NEAR(m.height / titleLine, c.memorialLines, 0.3) << c.label;
            bottom += m.height;
        }
        if (c.memoLines) {
            ExpectRect(n, RectF{5, bottom + 5, c.memoWidth, n.height}, c.label);
            EXPECT_NEAR(n.height / memoLine, c.memoLines, 0.3) << c.label;
            bottom += n.height + 5;
        }
        EXPECT_NEAR(info.Content().height, bottom + 5, 0.01) << c.label;
    }
}

TEST_F(DayInfo, PicturesFitIntoFiftyAndPushTheTextsRight)
{
    TempDir dir;
    DayRecord day{.year = 2024, .month = 3, .day = 10, .memo = L"花を買う", .memorialName = L"おじいちゃんの誕生日"};
    info.SetDay(day, settings);
    const RectF bare = info.Content(), title = info.TitleRect(), memorial = info.MemorialRect(), memo = info.MemoRect();
    const struct {
        const wchar_t* file;
        int width, height;
        float pw, ph;
    } cases[] = {{L"wide.png", 200, 100, 50, 25}, {L"tall.png", 60, 120, 25, 50}};
    for (const auto& c : cases) {
        SavePicture(dir.Path() / c.file, c.width, c.height, [](int, int) { return 0xFF2080C0u; });
        day.memorialPicture = (dir.Path() / c.file).wstring();
        info.SetDay(day, settings);
        const float shift = c.pw + 5;
        ExpectRect(info.PictureRect(), RectF{5, 5, c.pw, c.ph}, "picture");
        EXPECT_NEAR(info.TitleRect().x, title.x + shift, 0.01);
        EXPECT_NEAR(info.MemorialRect().x, memorial.x + shift, 0.01);
        EXPECT_NEAR(info.MemoRect().x, memo.x + shift, 0.01);
        EXPECT_NEAR(info.MemoRect().y, memo.y, 0.01);
        EXPECT_NEAR(info.Content().width, bare.width + shift, 0.01);
        EXPECT_NEAR(info.Content().height, std::max(bare.height - 5, c.ph + 5) + 5, 0.01);
    }
}

TEST_F(DayInfo, CornerRequestsMoveBackInsideTheMonitor)
{
    const DayRecord day{.year = 2024, .month = 11, .day = 3, .holidayName = L"文化の日", .memo = L"展覧会"};
    const RECT work = WorkAreaAt(10, 10);
    info.ShowDayInfo(work.right - 1, work.bottom - 1, day, settings, false);
    RECT placed{};
    GetWindowRect(info.Handle(), &placed);
    const float right = float(placed.left) + info.Content().width, bottom = float(placed.top) + info.Content().height;
    EXPECT_LE(right, work.right);
    EXPECT_GT(right, work.right - 1);
    EXPECT_LE(bottom, work.bottom);
    EXPECT_GT(bottom, work.bottom - 1);
}

TEST_F(DayInfo, HolidayNameIsInTheHolidayColour)
{
    settings.Dayinfo.TitleFont.Size = 20;
    settings.Dayinfo.TitleFont.Color = 0xFF000000;
    settings.Dayinfo.DayinfoHolidayColor = 0xFFFF0000;
    const DayRecord day{.year = 2024, .month = 1, .day = 8, .weekday = 1, .holidayName = L"成人の日", .memo = L"memo"};
    info.SetDay(day, settings);
    DibSurface surface;
    ASSERT_TRUE(surface.Create(info.ImageSize().cx, info.ImageSize().cy));
    info.PaintDayInfo(surface.Dc());
    GdiFlush();
    // The holiday name is in the holiday colour; the date line before it is not.
    const RectF t = Measure(info.DateLine(), TitleFont(settings), {info.TitleRect().x, info.TitleRect().y});
    auto count = [&](float from, float to, std::uint32_t colour) {
        int n = 0;
        for (int y = int(t.y); y < int(t.Bottom()); ++y)
            for (int x = int(from); x < int(to); ++x)
                n += surface.Pixel(x, y) == colour ? 1 : 0;
        return n;
    };
    const float end = info.TitleRect().Right();
    EXPECT_GT(count(t.Right(), end, 0xFFFF0000), 20);
    EXPECT_EQ(count(t.Right(), end, 0xFF000000), 0);
    EXPECT_EQ(count(t.x, t.Right() - 2, 0xFFFF0000), 0);
    EXPECT_GT(count(t.x, t.Right() - 2, 0xFF000000), 20);
}

TEST_F(DayInfo, DeactivationHidesUnlessPinnedAndAnyKeyOrClickHides)
{
    const DayRecord day{.year = 2024, .month = 2, .day = 11, .holidayName = L"建国記念の日"};
    for (const bool pinned : {false, true}) {
        info.ShowDayInfo(200, 200, day, settings, pinned);
        ASSERT_TRUE(info.IsShown());
        SendMessageW(info.Handle(), WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(owner));
        EXPECT_TRUE(info.IsShown());
        SendMessageW(info.Handle(), WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(owner));
        EXPECT_EQ(info.IsShown(), pinned) << "pinned " << pinned;
    }
    const struct {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    } events[] = {{WM_KEYDOWN, 'A', 0x001E0001}, {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(30, 12)}};
    for (const auto& e : events)
        for (const bool pinned : {false, true}) {
            info.ShowDayInfo(300, 300, day, settings, pinned);
            ASSERT_TRUE(info.IsShown());
            SendMessageW(info.Handle(), e.msg, e.wp, e.lp);
            EXPECT_FALSE(info.IsShown()) << e.msg << " " << e.wp << " pinned " << pinned;
        }
    // A mouse move leaves it alone.
    info.ShowDayInfo(300, 300, day, settings, true);
    SendMessageW(info.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(info.IsShown());
}

// The popup stays on the monitor of the point it is shown at, wherever that monitor lies.
TEST(DayInfoPlacement, StaysInsideTheWorkAreaOfThePointsMonitor)
{
    const RECT second{-1920, -200, 0, 880}; // a monitor left of and above the primary one
    const struct {
        int x, y;
        POINT placed;
    } cases[] = {{-300, 700, {-300, 680}}, {-1919, -199, {-1919, -199}}, {-10, -190, {-100, -190}}};
    for (const auto& c : cases) {
        const POINT p = PlaceInWorkArea(c.x, c.y, 100, 200, second);
        EXPECT_EQ(p.x, c.placed.x) << c.x << "," << c.y;
        EXPECT_EQ(p.y, c.placed.y) << c.x << "," << c.y;
    }
}

// A title line wider than sixteen "あ" of the memo font is not cut by a wrapped memo.
TEST_F(DayInfo, WrappedTextNeverNarrowsTheTitleLine)
{
    DayRecord day{1959, 4, 10, DAY_HOLIDAY, 5, L"皇太子明仁親王の結婚の儀"};
    day.memo = std::wstring(60, L'x');
    info.ShowDayInfo(100, 100, day, settings, false);
    const gfx::Font title = TitleFont(settings);
    const RectF t = Measure(info.DateLine(), title, {5, 5});
    const RectF h = Measure(day.holidayName, title, {t.width + 5, 5});
    EXPECT_GE(info.Content().width + 0.01, t.width + h.width + 10);
    EXPECT_LE(info.MemoRect().width, info.Content().width - 10 + 0.01);
}
