// The day-information popup: layout against texts measured here with the same fonts,
// wrapping, pictures, placement on the monitor, the composed pixels and the hide rules.
#include "app/Application.h"
#include "app/Handle.h"
#include "calendar/DayRecord.h"
#include "render/Composition.h"
#include "render/DayInfoWindow.h"
#include "settings/SafeValues.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

using gfx::PointF;
using gfx::RectF;

namespace {

const std::wstring kSixteenA(16, L'\x3042');

DayRecord Day(int year, int month, int day, int weekday)
{
    DayRecord record;
    record.year = year;
    record.month = month;
    record.day = day;
    record.weekday = weekday;
    return record;
}

gfx::Font FontOf(const FontSetting& font, float fallback)
{
    return gfx::Font(font.Name, DrawableFontSize(font.Size, fallback), DrawableFontStyle(font.Style));
}
gfx::Font TitleFont(const DesignSettings& s) { return FontOf(s.Dayinfo.TitleFont, 9); }
gfx::Font MemoFont(const DesignSettings& s) { return FontOf(s.Dayinfo.MemoFont, 8); }

// Measured the way the popup measures: on the screen, from a point, no format.
RectF Measure(const std::wstring& text, const gfx::Font& font, PointF from = {5, 5})
{
    ScreenDC screen;
    gfx::Graphics graphics = gfx::Graphics::FromHdc(screen.Get());
    return graphics.MeasureString(text, font, from);
}

// A PNG of one colour, written with GDI+'s own encoder.
void SavePng(const std::filesystem::path& file, int width, int height, std::uint32_t colour)
{
    gfx::Bitmap bitmap = gfx::Bitmap::Blank(width, height);
    ASSERT_TRUE(bitmap);
    {
        gfx::BitmapPixels pixels = bitmap.Lock();
        ASSERT_TRUE(pixels);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.At(x, y) = colour;
    }
    UINT count = 0, bytes = 0;
    ASSERT_EQ(Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes), Gdiplus::Ok);
    std::vector<std::uint64_t> storage((bytes + 7) / 8);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
    ASSERT_EQ(Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, encoders), Gdiplus::Ok);
    for (UINT i = 0; i < count; ++i) {
        if (std::wcscmp(encoders[i].MimeType, L"image/png") == 0) {
            ASSERT_EQ(Gdiplus::DllExports::GdipSaveImageToFile(bitmap.Get(), file.c_str(), &encoders[i].Clsid, nullptr),
                      Gdiplus::Ok);
            return;
        }
    }
    FAIL() << "no PNG encoder";
}

// A real popup owned by a plain top-level window; the owner takes the popup with it.
class DayInfoTest : public testing::Test {
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

void ExpectRect(const RectF& got, const RectF& want, const char* what)
{
    EXPECT_NEAR(got.x, want.x, 0.01) << what;
    EXPECT_NEAR(got.y, want.y, 0.01) << what;
    EXPECT_NEAR(got.width, want.width, 0.01) << what;
    EXPECT_NEAR(got.height, want.height, 0.01) << what;
}

} // namespace

using DayInfoLayout = DayInfoTest;

TEST_F(DayInfoLayout, WindowHasTheClassAndStylesOfThePopup)
{
    wchar_t name[64]{};
    GetClassNameW(info.Handle(), name, 64);
    EXPECT_STREQ(name, L"DayInfoWnd");
    EXPECT_EQ(GetWindow(info.Handle(), GW_OWNER), owner);
    EXPECT_TRUE(GetWindowLongW(info.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    const auto style = static_cast<DWORD>(GetWindowLongW(info.Handle(), GWL_STYLE));
    EXPECT_EQ(style & (WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU), DWORD{WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU});
    EXPECT_FALSE(info.IsShown());

    DayInfoWindow second; // the class is registered already
    ASSERT_TRUE(second.CreateDayInfo(owner));
    EXPECT_NE(second.Handle(), info.Handle());
}

TEST_F(DayInfoLayout, DateLineWithTheWeekdayName)
{
    const struct {
        int y, m, d, weekday;
        const wchar_t* line;
    } cases[] = {
        {2024, 1, 7, 0, L"2024/01/07 (SUN)"},
        {2026, 12, 5, 6, L"2026/12/05 (SAT)"},
        {1999, 10, 11, 1, L"1999/10/11 (MON)"},
        {2030, 2, 28, 4, L"2030/02/28 (THU)"},
    };
    const gfx::Font font = TitleFont(settings);
    for (const auto& c : cases) {
        DayRecord day = Day(c.y, c.m, c.d, c.weekday);
        day.memo = L"x";
        day.flags = DAY_MEMO;
        info.SetDay(day, settings);
        EXPECT_EQ(info.DateLine(), c.line);
        // The line that is measured is that text: the title box is exactly its width.
        const RectF t = Measure(c.line, font);
        ExpectRect(info.TitleRect(), RectF{5, 5, t.width, t.height}, "title");
    }
}

TEST_F(DayInfoLayout, HolidayOnlyDayIsOneLineOfDateAndName)
{
    DayRecord day = Day(2024, 1, 8, 1);
    day.flags = DAY_HOLIDAY | DAY_REST;
    day.holidayName = L"成人の日";
    info.ShowDayInfo(100, 100, day, settings, false);

    const gfx::Font font = TitleFont(settings);
    const RectF t = Measure(L"2024/01/08 (MON)", font);
    const RectF h = Measure(L"成人の日", font, PointF{t.width + 5, 5});
    ASSERT_GT(h.width, 10);
    ExpectRect(info.Content(), RectF{0, 0, t.width + h.width + 10, t.height + 10}, "content");
    ExpectRect(info.TitleRect(), RectF{5, 5, t.width + h.width, t.height}, "title");
    ExpectRect(info.MemorialRect(), RectF{}, "memorial");
    ExpectRect(info.MemoRect(), RectF{}, "memo");

    // The window image is the content plus the shadow.
    RECT placed{};
    GetWindowRect(info.Handle(), &placed);
    EXPECT_EQ(placed.right - placed.left, static_cast<LONG>(info.Content().width + 5));
    EXPECT_EQ(placed.bottom - placed.top, static_cast<LONG>(info.Content().height + 5));

    // The popup works from its own copy: the record changing afterwards changes nothing.
    const RectF before = info.Content();
    day.holidayName = nullptr;
    day.memo = std::wstring(300, L'x');
    info.LayoutDayInfo();
    ExpectRect(info.Content(), before, "after the record changed");
}

TEST_F(DayInfoLayout, MemorialNameAndMemoWrapAtSixteenOfTheirOwnFont)
{
    settings.Dayinfo.MemoFont.Size = 14; // a reference width different from the title font's
    const gfx::Font title = TitleFont(settings);
    const gfx::Font memo = MemoFont(settings);
    const RectF t = Measure(L"2024/05/03 (FRI)", title);
    const float titleRef = Measure(kSixteenA, title).width;
    const float memoRef = Measure(kSixteenA, memo).width;
    const float titleLine = Measure(L"\x3042", title).height;
    const float memoLine = Measure(L"\x3042", memo).height;
    ASSERT_GT(memoRef, titleRef + 20);

    const std::wstring mediumMemo(11, L'\x3044'); // wider than the date line, narrower than the reference
    ASSERT_GT(Measure(mediumMemo, memo).width, t.width);
    ASSERT_LT(Measure(mediumMemo, memo).width, memoRef);

    const struct Case {
        const wchar_t* label;
        std::wstring memorial;
        std::wstring memo;
        float width;         // expected content width
        float memorialWidth; // 0: not checked
        int memorialLines;
        float memoWidth;
        int memoLines;
    } cases[] = {
        {L"short memorial", L"命日", L"", t.width + 10, Measure(L"命日", title, {5, t.height + 5}).width, 1, 0, 0},
        {L"long memorial", std::wstring(40, L'\x3042'), L"", titleRef + 10, titleRef, 3, 0, 0},
        {L"medium memo", L"", mediumMemo, Measure(mediumMemo, memo).width + 10, 0, 0, Measure(mediumMemo, memo).width,
         1},
        {L"long memo", L"", std::wstring(40, L'\x3042'), memoRef + 10, 0, 0, memoRef, 3},
        {L"both long", std::wstring(20, L'\x3042'), std::wstring(20, L'\x3042'), memoRef + 10, titleRef, 2, memoRef, 2},
    };
    for (const Case& c : cases) {
        DayRecord day = Day(2024, 5, 3, 5);
        day.memorialName = c.memorial;
        day.memo = c.memo;
        info.SetDay(day, settings);
        const RectF& m = info.MemorialRect();
        const RectF& n = info.MemoRect();
        EXPECT_NEAR(info.Content().width, c.width, 0.01) << c.label;

        float bottom = t.height + 5; // the date line's bottom; the memorial name follows at once
        if (!c.memorial.empty()) {
            EXPECT_NEAR(m.x, 5, 0.01) << c.label;
            EXPECT_NEAR(m.y, bottom, 0.01) << c.label;
            EXPECT_NEAR(m.width, c.memorialWidth, 0.01) << c.label;
            EXPECT_NEAR(m.height / titleLine, c.memorialLines, 0.3) << c.label;
            bottom += m.height;
        }
        if (!c.memo.empty()) {
            EXPECT_NEAR(n.x, 5, 0.01) << c.label;
            EXPECT_NEAR(n.y, bottom + 5, 0.01) << c.label;
            EXPECT_NEAR(n.width, c.memoWidth, 0.01) << c.label;
            EXPECT_NEAR(n.height / memoLine, c.memoLines, 0.3) << c.label;
            bottom += n.height + 5;
        }
        EXPECT_NEAR(info.Content().height, bottom + 5, 0.01) << c.label;
    }
}

TEST_F(DayInfoLayout, MixedTextWrapsWithinTheReference)
{
    const gfx::Font memo = MemoFont(settings);
    const float ref = Measure(kSixteenA, memo).width;
    DayRecord day = Day(2024, 5, 3, 5);
    day.memo = L"Dentist at 10:00, then lunch with Sato-san at the station. 歯医者のあとで駅前のお店でランチ。";
    info.SetDay(day, settings);
    EXPECT_LE(info.MemoRect().width, ref + 0.01);
    EXPECT_GE(info.MemoRect().height, 3 * Measure(L"x", memo).height - 1);
    EXPECT_NEAR(info.Content().width, std::max(info.TitleRect().width, info.MemoRect().width) + 10, 0.01);
}

TEST_F(DayInfoLayout, WrappedTextNeverNarrowsTheTitleLine)
{
    // The longest holiday name in a big title font over a long memo in a small memo font.
    settings.Dayinfo.TitleFont.Size = 16;
    settings.Dayinfo.MemoFont.Size = 6;
    const gfx::Font title = TitleFont(settings);
    const RectF t = Measure(L"1959/04/10 (FRI)", title);
    const RectF h = Measure(L"皇太子明仁親王の結婚の儀", title, {t.width + 5, 5});
    ASSERT_LT(Measure(kSixteenA, MemoFont(settings)).width, t.width + h.width);

    DayRecord day = Day(1959, 4, 10, 5);
    day.holidayName = L"皇太子明仁親王の結婚の儀";
    day.memo = std::wstring(60, L'\x3046');
    day.memorialName = std::wstring(60, L'\x3048');
    info.SetDay(day, settings);
    EXPECT_NEAR(info.Content().width, t.width + h.width + 10, 0.01);
    EXPECT_LE(info.MemoRect().Right(), info.Content().width);
    EXPECT_LE(info.MemorialRect().Right(), info.Content().width);
}

TEST_F(DayInfoLayout, PicturesFitIntoFiftyAndPushTheTextsRight)
{
    TempDir dir;
    const struct Case {
        const wchar_t* file;
        int width, height; // 0: the file is not written
        float pw, ph;      // expected fitted size, 0 for no picture
    } cases[] = {
        {L"wide.png", 200, 100, 50, 25},
        {L"tall.png", 60, 120, 25, 50},
        {L"small.png", 10, 10, 50, 50},
        {L"missing.png", 0, 0, 0, 0},
    };
    DayRecord day = Day(2024, 3, 10, 0);
    day.memorialName = L"おじいちゃんの誕生日";
    day.memo = L"花を買う";
    info.SetDay(day, settings);
    const RectF bare = info.Content(), title = info.TitleRect(), memorial = info.MemorialRect(), memo = info.MemoRect();

    for (const Case& c : cases) {
        const std::filesystem::path file = dir.Path() / c.file;
        if (c.width > 0)
            SavePng(file, c.width, c.height, 0xFF2080C0);
        day.memorialPicture = file.wstring();
        info.SetDay(day, settings);
        const float shift = c.pw > 0 ? c.pw + 5 : 0;
        ExpectRect(info.PictureRect(), c.pw > 0 ? RectF{5, 5, c.pw, c.ph} : RectF{}, "picture");
        EXPECT_NEAR(info.TitleRect().x, title.x + shift, 0.01);
        EXPECT_NEAR(info.MemorialRect().x, memorial.x + shift, 0.01);
        EXPECT_NEAR(info.MemoRect().x, memo.x + shift, 0.01);
        EXPECT_NEAR(info.MemoRect().y, memo.y, 0.01);
        EXPECT_NEAR(info.Content().width, bare.width + shift, 0.01);
        EXPECT_NEAR(info.Content().height, std::max(bare.height - 5, c.ph + 5) + 5, 0.01);
    }
}

TEST(DayInfoPlacement, StaysInsideTheWorkAreaOfItsMonitor)
{
    const RECT primary{0, 0, 1920, 1040};
    const RECT right{1920, 0, 3200, 984};
    const RECT leftAbove{-1280, -200, 0, 824};
    const struct {
        RECT work;
        int x, y;
        float w, h;
        LONG left, top;
    } cases[] = {
        {primary, 100, 100, 150.5f, 60.25f, 100, 100},    // fits: unchanged
        {primary, 1900, 1030, 150.5f, 60.25f, 1769, 979}, // floor(1920 - 150.5), floor(1040 - 60.25)
        {primary, 1770, 500, 150, 60, 1770, 500},         // touching the right edge exactly
        {right, 3190, 980, 200, 100, 3000, 884},          // second monitor: stays on it
        {right, 1925, 5, 200, 100, 1925, 5},
        {leftAbove, -10, 800, 100.5f, 40, -101, 784},   // negative coordinates
        {leftAbove, -1300, -300, 100, 40, -1280, -200}, // left of and above the work area
        {primary, 10, 10, 2500, 1500, 0, 0},            // larger than the screen: top-left kept
    };
    for (const auto& c : cases) {
        const POINT at = PlaceInWorkArea(c.x, c.y, c.w, c.h, c.work);
        EXPECT_EQ(at.x, c.left) << c.x << "," << c.y;
        EXPECT_EQ(at.y, c.top) << c.x << "," << c.y;
    }
}

using DayInfoPlacementOnScreen = DayInfoTest;

TEST_F(DayInfoPlacementOnScreen, CornerRequestsMoveBackInsideTheMonitor)
{
    DayRecord day = Day(2024, 11, 3, 0);
    day.holidayName = L"文化の日";
    day.memo = L"展覧会";
    const RECT work = WorkAreaAt(10, 10);

    info.ShowDayInfo(work.right - 1, work.bottom - 1, day, settings, false);
    RECT placed{};
    GetWindowRect(info.Handle(), &placed);
    const float right = static_cast<float>(placed.left) + info.Content().width;
    const float bottom = static_cast<float>(placed.top) + info.Content().height;
    EXPECT_LE(right, work.right);
    EXPECT_GT(right, work.right - 1);
    EXPECT_LE(bottom, work.bottom);
    EXPECT_GT(bottom, work.bottom - 1);

    info.ShowDayInfo(work.left - 300, work.top - 300, day, settings, false);
    GetWindowRect(info.Handle(), &placed);
    EXPECT_EQ(placed.left, work.left);
    EXPECT_EQ(placed.top, work.top);
}

using DayInfoPixels = DayInfoTest;

TEST_F(DayInfoPixels, BackgroundHolidayColourAndShadow)
{
    settings.Dayinfo.TitleFont.Size = 20;
    settings.Dayinfo.TitleFont.Color = 0xFF000000;
    settings.Dayinfo.DayinfoHolidayColor = 0xFFFF0000;
    settings.Dayinfo.DayinfoBackColor = 0xC0204080;
    DayRecord day = Day(2024, 1, 8, 1);
    day.holidayName = L"成人の日";
    day.memo = L"memo";
    info.ShowDayInfo(50, 50, day, settings, false);

    const SIZE size = info.ImageSize();
    DibSurface surface;
    ASSERT_TRUE(surface.Create(size.cx, size.cy));
    info.PaintDayInfo(surface.Dc());
    GdiFlush();

    // Background: premultiplied, alpha kept, in the margin below the texts.
    const std::uint32_t back = surface.Pixel(2, static_cast<int>(info.Content().height) - 2);
    const int want[] = {0xC0, 0x20 * 0xC0 / 255, 0x40 * 0xC0 / 255, 0x80 * 0xC0 / 255};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(static_cast<int>((back >> (24 - 8 * i)) & 0xFF), want[i], 1) << std::hex << back;

    // The holiday name is in the holiday colour; the date line before it is not.
    const gfx::Font font = TitleFont(settings);
    const RectF t = Measure(info.DateLine(), font, {info.TitleRect().x, info.TitleRect().y});
    auto count = [&](float from, float to, std::uint32_t colour) {
        int n = 0;
        for (int y = static_cast<int>(t.y); y < static_cast<int>(t.Bottom()); ++y)
            for (int x = static_cast<int>(from); x < static_cast<int>(to); ++x)
                n += surface.Pixel(x, y) == colour ? 1 : 0;
        return n;
    };
    const float end = info.TitleRect().Right();
    EXPECT_GT(count(t.Right(), end, 0xFFFF0000), 20);
    EXPECT_EQ(count(t.Right(), end, 0xFF000000), 0);
    EXPECT_EQ(count(t.x, t.Right() - 2, 0xFFFF0000), 0);
    EXPECT_GT(count(t.x, t.Right() - 2, 0xFF000000), 20);

    // Shadow to the right: dark next to the content, fading out, nothing in the top 5 rows.
    const int middle = static_cast<int>(info.Content().height / 2);
    const int edge = static_cast<int>(std::ceil(info.Content().width));
    const int a1 = static_cast<int>(surface.Pixel(edge, middle) >> 24);
    const int a3 = static_cast<int>(surface.Pixel(edge + 2, middle) >> 24);
    EXPECT_GE(a1, 75);
    EXPECT_LE(a1, 125);
    EXPECT_LT(a3, a1);
    EXPECT_GT(a3, 0);
    EXPECT_EQ(surface.Pixel(edge + 1, 1) & 0x00FFFFFF, 0u); // black
    EXPECT_EQ(surface.Pixel(edge + 1, 1) >> 24, 0u);
    EXPECT_EQ(surface.Pixel(edge, middle) & 0x00FFFFFF, 0u);
}

TEST_F(DayInfoPixels, PictureIsDrawnWhereItWasLaidOut)
{
    TempDir dir;
    SavePng(dir.Path() / L"p.png", 120, 60, 0xFF00C000);
    DayRecord day = Day(2024, 6, 1, 6);
    day.memorialName = L"記念日";
    day.memorialPicture = (dir.Path() / L"p.png").wstring();
    info.SetDay(day, settings);
    const SIZE size = info.ImageSize();
    DibSurface surface;
    ASSERT_TRUE(surface.Create(size.cx, size.cy));
    info.PaintDayInfo(surface.Dc());
    GdiFlush();
    const RectF p = info.PictureRect();
    ASSERT_NEAR(p.width, 50, 0.01);
    const std::uint32_t centre =
        surface.Pixel(static_cast<int>(p.x + p.width / 2), static_cast<int>(p.y + p.height / 2));
    EXPECT_EQ(centre, 0xFF00C000u) << std::hex << centre;
}

using DayInfoHide = DayInfoTest;

TEST_F(DayInfoHide, AutoHideOnDeactivationWhilePinnedSurvivesIt)
{
    DayRecord day = Day(2024, 2, 11, 0);
    day.holidayName = L"建国記念の日";
    for (const bool pinned : {false, true}) {
        info.ShowDayInfo(200, 200, day, settings, pinned);
        ASSERT_TRUE(info.IsShown());
        EXPECT_EQ(info.AutoHide(), !pinned);
        // Activation moving elsewhere keeps the popup only when it is pinned.
        SendMessageW(info.Handle(), WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(owner));
        EXPECT_EQ(info.IsShown(), pinned) << "pinned " << pinned;
        // Becoming active never hides.
        info.ShowDayInfo(200, 200, day, settings, pinned);
        SendMessageW(info.Handle(), WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(owner));
        EXPECT_TRUE(info.IsShown());
        info.Hide();
        EXPECT_FALSE(info.IsShown());
    }
}

TEST_F(DayInfoHide, RealActivationOfAnotherWindow)
{
    ShowWindow(owner, SW_SHOW);
    DayRecord day = Day(2024, 2, 11, 0);
    day.holidayName = L"建国記念の日";
    for (const bool pinned : {false, true}) {
        info.ShowDayInfo(200, 200, day, settings, pinned);
        SetActiveWindow(info.Handle());
        PumpMessages(20);
        ASSERT_EQ(GetActiveWindow(), info.Handle());
        SetActiveWindow(owner);
        PumpMessages(20);
        EXPECT_EQ(info.IsShown(), pinned) << "pinned " << pinned;
    }
}

TEST_F(DayInfoHide, AnyKeyOrLeftClickHides)
{
    DayRecord day = Day(2024, 2, 11, 0);
    day.memo = L"memo";
    const struct {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    } events[] = {
        {WM_KEYDOWN, 'A', 0x001E0001},
        {WM_KEYDOWN, VK_LEFT, 0x014B0001},
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(30, 12)},
    };
    for (const auto& e : events) {
        for (const bool pinned : {false, true}) {
            info.ShowDayInfo(300, 300, day, settings, pinned);
            ASSERT_TRUE(info.IsShown());
            SendMessageW(info.Handle(), e.msg, e.wp, e.lp);
            EXPECT_FALSE(info.IsShown()) << e.msg << " " << e.wp << " pinned " << pinned;
        }
    }
    // Messages that are not in the table leave it alone.
    info.ShowDayInfo(300, 300, day, settings, true);
    SendMessageW(info.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(info.Handle(), WM_KEYUP, 'A', 0xC01E0001);
    EXPECT_TRUE(info.IsShown());
}

using DayInfoSettings = DayInfoTest;

TEST_F(DayInfoSettings, BadFontSizesLayOutToABoundedSize)
{
    TempDir dir;
    SavePng(dir.Path() / L"p.png", 30, 90, 0xFF808080);
    DayRecord day = Day(2024, 9, 16, 1);
    day.holidayName = L"敬老の日";
    day.memorialName = std::wstring(50, L'\x304A');
    day.memo = std::wstring(400, L'\x304B') + L"\r\nsecond line";
    day.memorialPicture = (dir.Path() / L"p.png").wstring();

    auto bad = [](float size) {
        DesignSettings s;
        s.Dayinfo.TitleFont.Size = size;
        s.Dayinfo.MemoFont.Size = size;
        s.Dayinfo.TitleFont.Style = 0x7FFFFFFF;
        return s;
    };
    DesignSettings fallback = bad(9); // the sizes unusable values fall back to, same style bits
    fallback.Dayinfo.MemoFont.Size = 8;
    info.SetDay(day, fallback);
    const RectF defaults = info.Content();
    const DesignSettings big = bad(kMaxFontSize);
    info.SetDay(day, big);
    const RectF largest = info.Content();
    ASSERT_GT(largest.height, defaults.height);

    enum Expect { kDefaults, kLargest, kBounded };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float size;
        Expect expect;
    } cases[] = {{0.0f, kDefaults}, {nan, kDefaults},  {-3.0f, kDefaults}, {inf, kDefaults},
                 {1e9f, kLargest},  {1e38f, kLargest}, {1e-30f, kBounded}};
    for (const auto& c : cases) {
        // Shown for real: the hand-over surface must never be refused.
        info.ShowDayInfo(0, 0, day, bad(c.size), false);
        EXPECT_TRUE(info.IsShown());
        const RectF r = info.Content();
        ASSERT_TRUE(std::isfinite(r.width) && std::isfinite(r.height)) << c.size;
        EXPECT_GT(r.width, 10) << c.size;
        EXPECT_GT(r.height, 10) << c.size;
        EXPECT_LE(r.width, DayInfoWindow::kMaxContentSide) << c.size;
        EXPECT_LE(r.height, DayInfoWindow::kMaxContentSide) << c.size;
        if (c.expect != kBounded) {
            const RectF& same = c.expect == kDefaults ? defaults : largest;
            EXPECT_NEAR(r.width, same.width, 0.01) << c.size;
            EXPECT_NEAR(r.height, same.height, 0.01) << c.size;
        }
    }

    // The largest layout still hands over.
    info.SetDay(day, big);
    EXPECT_TRUE(info.UpdateDayInfoLayer());
    RECT placed{};
    GetWindowRect(info.Handle(), &placed);
    EXPECT_EQ(placed.right - placed.left, info.ImageSize().cx);
    EXPECT_LE(placed.right - placed.left, 4096);
}
