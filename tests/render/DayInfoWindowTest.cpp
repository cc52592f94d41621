// The day-information popup: layout against texts measured here with the same fonts, wrapping,
// line breaks and emoji, pictures, placement on the monitor, the holiday colour and the hide rules.
#include "RenderTestSupport.h"
#include "calendar/DayRecord.h"
#include "render/DayInfoWindow.h"

using gfx::RectF;

namespace {

gfx::Font FontOf(const FontSetting& f) { return gfx::Font(f.Name, f.Size, f.Style); }

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

TEST_F(DayInfo, TextsWrapAtSixteenOfTheirOwnFontAndPicturesFitIntoFiftyPushingThemRight)
{
    settings.Dayinfo.MemoFont.Size = 14; // a reference width different from the title font's
    const std::wstring a16(16, L'\x3042');
    const RectF titleA = Measure(a16, FontOf(settings.Dayinfo.TitleFont), {5, 5});
    const RectF memoA = Measure(a16, gfx::Font(settings.Dayinfo.MemoFont.Name, 14, 0), {5, 5});
    ASSERT_GT(memoA.width, titleA.width + 20);
    info.SetDay({2024, 5, 3, 0, 5, nullptr, std::wstring(40, L'\x3042'), std::wstring(20, L'\x3042')}, settings);
    // 20 wrap into two lines of the title font, 40 into three of the memo font.
    const RectF &m = info.MemorialRect(), &n = info.MemoRect();
    ExpectRect(m, RectF{5, info.TitleRect().Bottom(), titleA.width, m.height}, "memorial");
    ExpectRect(n, RectF{5, m.Bottom() + 5, memoA.width, n.height}, "memo");
    EXPECT_NEAR(m.height / titleA.height, 2, 0.3);
    EXPECT_NEAR(n.height / memoA.height, 3, 0.3);
    ExpectRect(info.Content(), RectF{0, 0, memoA.width + 10, n.Bottom() + 5}, "content");

    // Pictures fit into 50 x 50 and push the texts right.
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

TEST_F(DayInfo, HolidayNameInItsColourAndMemoLineBreaksWithTheLastLineKept)
{
    settings.Dayinfo.TitleFont = {0xFF000000, L"MS UI Gothic", 20, 0};
    settings.Dayinfo.DayinfoHolidayColor = 0xFFFF0000;
    DayRecord day{.year = 2026, .month = 11, .day = 3, .flags = DAY_HOLIDAY, .holidayName = L"文化の日"};
    DibSurface surface;
    auto paint = [&](const wchar_t* memo) {
        day.memo = memo;
        info.SetDay(day, settings);
        EXPECT_TRUE(surface.Create(info.ImageSize().cx, info.ImageSize().cy));
        info.PaintDayInfo(surface.Dc());
        GdiFlush();
        return std::vector<std::uint32_t>(surface.Bits(), surface.Bits() + surface.Width() * surface.Height());
    };
    EXPECT_TRUE(paint(L"first\r\nsecond\r\nlast") == paint(L"first\nsecond\nlast")) << "a CR is drawn as nothing";
    for (const wchar_t* memo :
         {L"first \xD83D\xDE00 smile\r\nsecond\r\nlast line", L"一行目\r\n\xD83D\xDE00二行目\r\n最後"}) {
        paint(memo);
        const RectF box = info.MemoRect();
        int textBelow = 0, lastLineInk = 0;
        for (int y = int(info.Content().height); y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x)
                textBelow += (surface.Pixel(x, y) >> 24) > 125; // more than the shadow: text that did not fit
        for (int y = int(box.Bottom() - box.height / 4); y < int(box.Bottom()); ++y)
            for (int x = int(box.x); x < int(box.Right()); ++x)
                lastLineInk += (surface.Pixel(x, y) & 0xFF) < 100;
        EXPECT_TRUE(textBelow == 0 && lastLineInk > 10 && box.Bottom() <= info.Content().height)
            << textBelow << " " << lastLineInk << " memo " << int(memo[0]);
    }
    // The holiday name is in the holiday colour; the date line before it is not.
    const RectF t =
        Measure(info.DateLine(), FontOf(settings.Dayinfo.TitleFont), {info.TitleRect().x, info.TitleRect().y});
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

TEST_F(DayInfo, TheLongestMemoIsShownWithinTheBudgetEndingInAnEllipsis)
{
    // A memo of many short lines stops at the line budget, one long line at the character budget.
    const std::wstring budgetLines = [] {
        std::wstring text = L"1";
        for (std::size_t i = 2; i <= DayInfoWindow::kShownLines; ++i)
            text += L"\n" + std::to_wstring(i);
        return text;
    }();
    for (const auto& [memo, shown] :
         {std::pair{budgetLines + L"\r\nmore\r\nand more", budgetLines + L"\x2026"},
          {std::wstring(32000, L'\x3042'), std::wstring(DayInfoWindow::kShownChars, L'\x3042') + L"\x2026"}}) {
        info.SetDay({2024, 5, 3, 0, 5, nullptr, memo}, settings);
        const RectF cut = info.MemoRect();
        info.SetDay({2024, 5, 3, 0, 5, nullptr, shown}, settings);
        ExpectRect(cut, info.MemoRect(), "memo");
    }
}

TEST_F(DayInfo, EventLinesFollowTheMemoInTheirColoursAndALongListEndsWithTheRestCounted)
{
    const DayRecord day{.year = 2026, .month = 12, .day = 8, .memo = L"メモ"};
    std::vector<DayInfoEvent> events;
    for (int i = 0; i < 8; ++i)
        events.push_back({L"09:00-10:00  会議 " + std::to_wstring(i), i == 0 ? 0xFF0000FFu : 0xFF00A000u});
    info.SetDay(day, settings, events);
    const auto& lines = info.EventLines();
    ASSERT_EQ(lines.size(), DayInfoWindow::kMaxEventLines);
    EXPECT_EQ(lines.back().text, L"ほか 3 件");
    const RectF e = info.EventsRect();
    EXPECT_NEAR(e.y, info.MemoRect().Bottom() + 5, 0.01);
    EXPECT_NEAR(e.height, info.EventLineHeight() * 6, 0.01);
    EXPECT_LE(e.Bottom() + 5, info.Content().height + 0.01);
    DibSurface surface;
    ASSERT_TRUE(surface.Create(info.ImageSize().cx, info.ImageSize().cy));
    info.PaintDayInfo(surface.Dc());
    GdiFlush();
    // The first line's ink is blue, the second's green: each line in its own band.
    const auto ink = [&](int line, std::uint32_t colour) {
        int n = 0;
        for (int y = int(e.y + line * info.EventLineHeight()); y < int(e.y + (line + 1) * info.EventLineHeight()); ++y)
            for (int x = int(e.x); x < int(e.Right()); ++x)
                n += surface.Pixel(x, y) == colour;
        return n;
    };
    EXPECT_GT(ink(0, 0xFF0000FF), 10);
    EXPECT_EQ(ink(0, 0xFF00A000), 0);
    EXPECT_GT(ink(1, 0xFF00A000), 10);
}
