// The day-information popup: layout against texts measured here with the same fonts,
// wrapping, pictures, placement on the monitor, the holiday colour and the hide rules.
#include "RenderTestSupport.h"
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
        owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
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
    info.ShowDayInfo(100, 100, {2024, 1, 8, DAY_HOLIDAY, 1, L"成人の日"}, settings, false);
    const RectF t = Measure(L"2024/01/08 (MON)", TitleFont(settings), {5, 5});
    const RectF h = Measure(L"成人の日", TitleFont(settings), {t.width + 5, 5});
    ASSERT_GT(h.width, 10);
    ExpectRect(info.Content(), RectF{0, 0, t.width + h.width + 10, t.height + 10}, "content");
    ExpectRect(info.TitleRect(), RectF{5, 5, t.width + h.width, t.height}, "title");
}

TEST_F(DayInfo, MemorialNameAndMemoWrapAtSixteenOfTheirOwnFont)
{
    settings.Dayinfo.MemoFont.Size = 14; // a reference width different from the title font's
    const gfx::Font title = TitleFont(settings), memo(settings.Dayinfo.MemoFont.Name, 14, 0);
    const RectF titleA = Measure(kSixteenA, title, {5, 5}), memoA = Measure(kSixteenA, memo, {5, 5});
    ASSERT_GT(memoA.width, titleA.width + 20);
    info.SetDay({2024, 5, 3, 0, 5, nullptr, std::wstring(40, L'\x3042'), std::wstring(20, L'\x3042')}, settings);
    // 20 wrap into two lines of the title font, 40 into three of the memo font.
    const RectF &m = info.MemorialRect(), &n = info.MemoRect();
    ExpectRect(m, RectF{5, info.TitleRect().Bottom(), titleA.width, m.height}, "memorial");
    ExpectRect(n, RectF{5, m.Bottom() + 5, memoA.width, n.height}, "memo");
    EXPECT_NEAR(m.height / titleA.height, 2, 0.3);
    EXPECT_NEAR(n.height / memoA.height, 3, 0.3);
    ExpectRect(info.Content(), RectF{0, 0, memoA.width + 10, n.Bottom() + 5}, "content");
}

TEST_F(DayInfo, PicturesFitIntoFiftyAndPushTheTextsRight)
{
    TempDir dir;
    DayRecord day{.year = 2024, .month = 3, .day = 10, .memo = L"花を買う", .memorialName = L"おじいちゃんの誕生日"};
    info.SetDay(day, settings);
    const RectF bare = info.Content(), title = info.TitleRect(), memorial = info.MemorialRect(), memo = info.MemoRect();
    for (const auto& [w, h] : {std::pair{200, 100}, {60, 120}}) {
        SavePicture(dir.Path() / L"p.png", w, h, [](int, int) { return 0xFF2080C0u; });
        day.memorialPicture = (dir.Path() / L"p.png").wstring();
        info.SetDay(day, settings);
        const float pw = w > h ? 50 : 25, ph = w > h ? 25 : 50, shift = pw + 5;
        ExpectRect(info.PictureRect(), RectF{5, 5, pw, ph}, "picture");
        for (const auto& [now, before] :
             {std::pair{info.TitleRect(), title}, {info.MemorialRect(), memorial}, {info.MemoRect(), memo}})
            ExpectRect(now, RectF{before.x + shift, before.y, before.width, before.height}, "text");
        ExpectRect(info.Content(), RectF{0, 0, bare.width + shift, std::max(bare.height - 5, ph + 5) + 5}, "content");
    }
}

TEST_F(DayInfo, CornerRequestsMoveBackInsideTheMonitor)
{
    const DayRecord day{.year = 2024, .month = 11, .day = 3, .holidayName = L"文化の日", .memo = L"展覧会"};
    const RECT work = WorkAreaAt(10, 10);
    info.ShowDayInfo(work.right - 1, work.bottom - 1, day, settings, false);
    RECT placed{};
    GetWindowRect(info.Handle(), &placed);
    // Moved just far enough: the far edges of the shadow end at those of the work area.
    EXPECT_EQ(placed.right, work.right);
    EXPECT_EQ(placed.bottom, work.bottom);
}

TEST_F(DayInfo, HolidayNameIsInTheHolidayColour)
{
    settings.Dayinfo.TitleFont = {0xFF000000, L"MS UI Gothic", 20, 0};
    settings.Dayinfo.DayinfoHolidayColor = 0xFFFF0000;
    info.SetDay({.year = 2024, .month = 1, .day = 8, .weekday = 1, .holidayName = L"成人の日", .memo = L"memo"},
                settings);
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
                n += surface.Pixel(x, y) == colour;
        return n;
    };
    const float end = info.TitleRect().Right();
    EXPECT_GT(count(t.Right(), end, 0xFFFF0000), 20);
    EXPECT_EQ(count(t.Right(), end, 0xFF000000), 0);
    EXPECT_EQ(count(t.x, t.Right() - 2, 0xFFFF0000), 0);
}

TEST_F(DayInfo, DeactivationHidesUnlessPinnedAndAnyKeyOrClickHides)
{
    const DayRecord day{.year = 2024, .month = 2, .day = 11, .holidayName = L"建国記念の日"};
    auto show = [&](bool pinned, UINT msg, WPARAM wp, LPARAM lp) {
        info.ShowDayInfo(300, 300, day, settings, pinned);
        EXPECT_TRUE(info.IsShown());
        SendMessageW(info.Handle(), msg, wp, lp);
        return info.IsShown();
    };
    const LPARAM other = reinterpret_cast<LPARAM>(owner);
    for (const bool pinned : {false, true}) {
        EXPECT_TRUE(show(pinned, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), other));
        EXPECT_EQ(show(pinned, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), other), pinned);
        EXPECT_FALSE(show(pinned, WM_KEYDOWN, 'A', 0x001E0001)) << pinned;
        EXPECT_FALSE(show(pinned, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(30, 12))) << pinned;
        EXPECT_TRUE(show(pinned, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5))) << pinned;
    }
}

// The popup stays on the monitor of the point it is shown at, wherever that monitor lies.
TEST(DayInfoPlacement, StaysInsideTheWorkAreaOfThePointsMonitor)
{
    const RECT second{-1920, -200, 0, 880}; // a monitor left of and above the primary one
    // Requested x, y; placed x, y of a 100 x 200 popup.
    const int cases[][4] = {{-300, 700, -300, 680}, {-1919, -199, -1919, -199}, {-10, -190, -100, -190}};
    for (const auto& [x, y, px, py] : cases) {
        const POINT p = PlaceInWorkArea(x, y, 100, 200, second);
        EXPECT_EQ(p.x * 10000 + p.y, px * 10000 + py) << x << "," << y;
    }
}

// A title line wider than sixteen "あ" of the memo font is not cut by a wrapped memo.
TEST_F(DayInfo, WrappedTextNeverNarrowsTheTitleLine)
{
    const wchar_t* name = L"皇太子明仁親王の結婚の儀";
    info.ShowDayInfo(100, 100, {1959, 4, 10, DAY_HOLIDAY, 5, name, std::wstring(60, L'x')}, settings, false);
    const gfx::Font title = TitleFont(settings);
    const RectF t = Measure(info.DateLine(), title, {5, 5});
    const RectF h = Measure(name, title, {t.width + 5, 5});
    EXPECT_GE(info.Content().width + 0.01, t.width + h.width + 10);
    EXPECT_LE(info.MemoRect().width, info.Content().width - 10 + 0.01);
}
