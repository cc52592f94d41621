// The calendar among other programs: the monitor's DPI, a hot key on an extended key, and the
// day-information popup's texts and place.
#include "app/ScreenPlacement.h"
#include "calendar/DayRecord.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "render/DayInfoWindow.h"
#include "support/TestSupport.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/OwnerWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace {

class DesktopCitizenTest : public testing::Test {
protected:
    // Hot key Ctrl+Alt+Shift+F12 unless given: free on the test machine.
    void Start(const std::wstring& hotkey = L"1915")
    {
        const std::wstring ini = L"\xFEFF[Option]\r\nPosX=100\r\nPosY=120\r\nTodayInfo=No\r\nHotkey=" + hotkey;
        const auto* raw = reinterpret_cast<const std::uint8_t*>(ini.data());
        WriteBytes(dir_.Path() / L"qv.ini", {raw, raw + ini.size() * 2});
        ASSERT_TRUE(owner_.CreateOwner());
        calendar_.SetErrorReporter([this](UINT id) { errors_.push_back(id); });
        calendar_.SetQuitOnDestroy(false);
        ASSERT_TRUE(calendar_.CreateCalendar(owner_.Handle()));
    }
    void TearDown() override
    {
        DestroyWindow(owner_.Handle()); // the calendar and its popup with it
        PumpMessages(30);
    }
    SIZE WindowSize() const
    {
        RECT r{};
        GetWindowRect(calendar_.Handle(), &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }
    const DesignSettings& Design() { return calendar_.LiveSettings().Design; }

    TempDir dir_;
    OwnerWindow owner_;
    CalendarWindow calendar_{dir_.WithSlash()};
    std::vector<UINT> errors_;
    DayRecord day_{.year = 2026, .month = 11, .day = 3, .flags = DAY_HOLIDAY, .weekday = 2, .holidayName = L"文化の日"};
};

TEST_F(DesktopCitizenTest, DpiChangeScalesTheCalendarThePopupAndTheirFonts)
{
    Start();
    CalendarPainter& painter = calendar_.Painter();
    DayInfoWindow& popup = calendar_.DayInfo();
    const SIZE window = WindowSize();
    const float cell = painter.CellWidth(), title = painter.TitleRect().height;
    popup.SetDay(day_, Design());
    const gfx::RectF content = popup.Content();
    for (const UINT dpi : {144u, 192u, 96u}) {
        const float k = static_cast<float>(dpi) / 96;
        RECT suggested{300, 200, 300 + LONG(window.cx * k), 200 + LONG(window.cy * k)};
        SendMessageW(calendar_.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        popup.SetDpi(dpi);
        popup.SetDay(day_, Design());
        RECT now{};
        GetWindowRect(calendar_.Handle(), &now);
        EXPECT_EQ(now.left * 1000 + now.top, 300200) << dpi;
        EXPECT_FLOAT_EQ(painter.Whole().width - 7 * painter.CellWidth(), 76 * k) << dpi << ": margins exactly";
        // Texts within the rounding of font heights to whole pixels.
        for (const auto& [got, at96] : {std::pair{float(now.right - now.left), float(window.cx)},
                                        {float(now.bottom - now.top), float(window.cy)},
                                        {painter.CellWidth(), cell},
                                        {painter.TitleRect().height, title},
                                        {popup.Content().width, content.width},
                                        {popup.Content().height, content.height}})
            EXPECT_LT(std::abs(got / (at96 * k) - 1), 0.07f) << dpi << ": " << got << " against " << at96;
    }
    EXPECT_EQ(WindowSize().cx * 10000 + WindowSize().cy, window.cx * 10000 + window.cy) << "96 DPI: today's size";
}

TEST_F(DesktopCitizenTest, ExtendedKeyHotKeyIsRegisteredWithoutTheWindowsKey)
{
    Start(L"3111"); // Alt and the Right arrow of the separate block, as the hot-key control gives it
    bool altRightTaken = false, winAltRightFree = false;
    std::thread([&] {
        altRightTaken = !RegisterHotKey(nullptr, 1, MOD_ALT, VK_RIGHT);
        winAltRightFree = RegisterHotKey(nullptr, 2, MOD_ALT | MOD_WIN, VK_RIGHT);
        UnregisterHotKey(nullptr, 1);
        UnregisterHotKey(nullptr, 2);
    }).join();
    EXPECT_TRUE(errors_.empty() && altRightTaken && winAltRightFree);
    EXPECT_EQ(calendar_.LiveSettings().Hotkey, 3111) << "stored as the control shows it";
}

TEST_F(DesktopCitizenTest, PopupWithItsShadowStaysInTheWorkArea)
{
    Start();
    DayInfoWindow& popup = calendar_.DayInfo();
    const RECT work = WorkAreaAt(0, 0);
    for (const POINT at : {POINT{work.right, work.bottom}, {work.right - 3, work.top + 10}, {10, work.bottom - 2}}) {
        popup.ShowDayInfo(at.x, at.y, day_, Design(), true);
        RECT r{};
        GetWindowRect(popup.Handle(), &r);
        EXPECT_EQ(r.right - r.left, popup.ImageSize().cx);
        EXPECT_TRUE(r.right <= work.right && r.bottom <= work.bottom) << at.x << "," << at.y;
        EXPECT_TRUE(r.right == work.right || r.left == at.x) << "moved only as far as needed";
    }
}

TEST_F(DesktopCitizenTest, MemoLineBreaksBreakLinesAndTheLastLineIsKept)
{
    Start();
    DayInfoWindow& popup = calendar_.DayInfo();
    DibSurface surface;
    auto paint = [&](const wchar_t* memo) {
        day_.memo = memo;
        popup.SetDay(day_, Design());
        EXPECT_TRUE(surface.Create(popup.ImageSize().cx, popup.ImageSize().cy));
        popup.PaintDayInfo(surface.Dc());
        GdiFlush();
        return std::vector<std::uint32_t>(surface.Bits(), surface.Bits() + surface.Width() * surface.Height());
    };
    EXPECT_TRUE(paint(L"first\r\nsecond\r\nlast") == paint(L"first\nsecond\nlast")) << "a CR is drawn as nothing";
    for (const wchar_t* memo :
         {L"first \xD83D\xDE00 smile\r\nsecond\r\nlast line", L"一行目\r\n\xD83D\xDE00二行目\r\n最後"}) {
        paint(memo);
        const gfx::RectF box = popup.MemoRect();
        int textBelow = 0, lastLineInk = 0;
        for (int y = int(popup.Content().height); y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x)
                textBelow += (surface.Pixel(x, y) >> 24) > 125; // more than the shadow: text that did not fit
        for (int y = int(box.Bottom() - box.height / 4); y < int(box.Bottom()); ++y)
            for (int x = int(box.x); x < int(box.Right()); ++x)
                lastLineInk += (surface.Pixel(x, y) & 0xFF) < 100;
        EXPECT_TRUE(textBelow == 0 && lastLineInk > 10 && box.Bottom() <= popup.Content().height)
            << textBelow << " " << lastLineInk << " memo " << int(memo[0]);
    }
}

} // namespace
