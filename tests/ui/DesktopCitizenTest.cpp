// The calendar among other programs: the tray icon after a shell restart, the monitor's DPI,
// a hot key on an extended key, and the day-information popup's texts and place.
#include "app/ScreenPlacement.h"
#include "calendar/DayRecord.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "render/DayInfoWindow.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/OwnerWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <thread>

using namespace calendar_window;

namespace {

class DesktopCitizenTest : public testing::Test {
protected:
    void Start(const std::wstring& hotkey = L"1915") // Ctrl+Alt+Shift+F12: free on the test machine
    {
        const std::wstring text =
            L"\xFEFF[Option]\r\nPosX=100\r\nPosY=120\r\nTodayInfo=No\r\nHotkey=" + hotkey + L"\r\n";
        const auto* raw = reinterpret_cast<const std::uint8_t*>(text.data());
        WriteBytes(dir_.Path() / L"qv.ini", std::vector<std::uint8_t>(raw, raw + text.size() * sizeof(wchar_t)));
        ASSERT_TRUE(owner_.CreateOwner());
        calendar_ = std::make_unique<CalendarWindow>(dir_.WithSlash());
        calendar_->SetErrorReporter([this](UINT id) { errors_.push_back(id); });
        calendar_->SetQuitOnDestroy(false);
        ASSERT_TRUE(calendar_->CreateCalendar(owner_.Handle()));
        PumpMessages(50);
    }
    void TearDown() override
    {
        if (calendar_)
            DestroyWindow(calendar_->Handle());
        DestroyWindow(owner_.Handle());
        PumpMessages(30);
    }
    SIZE WindowSize() const
    {
        RECT r{};
        GetWindowRect(calendar_->Handle(), &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }
    const DayRecord& Holiday()
    {
        calendar_->Model().Show(2026, 11); // 3 November, Culture Day
        for (int i = 0; i < 42; ++i)
            if (const DayRecord& d = calendar_->Model().Cell(i % 7, i / 7); d.InShownMonth() && d.day == 3)
                return d;
        throw std::logic_error("no 3 November");
    }

    TempDir dir_;
    OwnerWindow owner_;
    std::unique_ptr<CalendarWindow> calendar_;
    std::vector<UINT> errors_;
};

TEST_F(DesktopCitizenTest, TaskbarCreatedAddsTheRemovedTrayIconAgain)
{
    Start();
    NOTIFYICONDATAW icon{};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = calendar_->Handle();
    icon.uID = TRAY_ICON_ID;
    auto present = [&] { return Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE; };
    ASSERT_TRUE(present());
    Shell_NotifyIconW(NIM_DELETE, &icon); // as when Explorer ends
    ASSERT_FALSE(present());
    SendMessageW(calendar_->Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(present());
}

TEST_F(DesktopCitizenTest, DpiChangeScalesTheCalendarThePopupAndTheirFonts)
{
    Start();
    CalendarPainter& painter = calendar_->Painter();
    DayInfoWindow& popup = calendar_->DayInfo();
    const DayRecord& day = Holiday();
    ASSERT_EQ(painter.Dpi(), 96u);
    const SIZE window = WindowSize();
    const float cell = painter.CellWidth(), title = painter.TitleRect().height;
    popup.SetDay(day, calendar_->LiveSettings().Design);
    const gfx::RectF content = popup.Content();
    for (const UINT dpi : {144u, 192u, 96u}) {
        const float k = static_cast<float>(dpi) / 96;
        RECT suggested{300, 200, 300 + LONG(window.cx * k), 200 + LONG(window.cy * k)};
        SendMessageW(calendar_->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT now{};
        GetWindowRect(calendar_->Handle(), &now);
        EXPECT_EQ(now.left * 1000 + now.top, 300200) << dpi;
        EXPECT_EQ(now.right - now.left, painter.GetSize().width) << dpi;
        // Margins exactly, texts within the rounding of font heights to whole pixels.
        EXPECT_FLOAT_EQ(painter.Whole().width - 7 * painter.CellWidth(), 76 * k) << dpi;
        auto scaled = [k](float got, float at96) { return std::abs(got / (at96 * k) - 1) < 0.07f; };
        EXPECT_TRUE(scaled(float(now.right - now.left), float(window.cx))) << dpi << " " << now.right - now.left;
        EXPECT_TRUE(scaled(float(now.bottom - now.top), float(window.cy))) << dpi << " " << now.bottom - now.top;
        EXPECT_TRUE(scaled(painter.CellWidth(), cell)) << dpi << " " << painter.CellWidth();
        EXPECT_TRUE(scaled(painter.TitleRect().height, title)) << dpi << " " << painter.TitleRect().height;
        popup.SetDpi(dpi);
        popup.SetDay(day, calendar_->LiveSettings().Design);
        EXPECT_TRUE(scaled(popup.Content().width, content.width)) << dpi << " " << popup.Content().width;
        EXPECT_TRUE(scaled(popup.Content().height, content.height)) << dpi << " " << popup.Content().height;
    }
    const SIZE back = WindowSize();
    EXPECT_EQ(back.cx * 10000 + back.cy, window.cx * 10000 + window.cy) << "96 DPI: today's size exactly";
    EXPECT_EQ(popup.ImageSize().cx, LONG(content.width) + 5);
}

TEST_F(DesktopCitizenTest, ExtendedKeyHotKeyIsRegisteredWithoutTheWindowsKey)
{
    Start(L"3111"); // Alt and the Right arrow of the separate block, as the hot-key control gives it
    ASSERT_TRUE(errors_.empty());
    bool altRightTaken = false, winAltRightFree = false;
    std::thread([&] {
        altRightTaken = !RegisterHotKey(nullptr, 1, MOD_ALT, VK_RIGHT);
        winAltRightFree = RegisterHotKey(nullptr, 2, MOD_ALT | MOD_WIN, VK_RIGHT);
        UnregisterHotKey(nullptr, 1);
        UnregisterHotKey(nullptr, 2);
    }).join();
    EXPECT_TRUE(altRightTaken);
    EXPECT_TRUE(winAltRightFree);
    EXPECT_EQ(calendar_->LiveSettings().Hotkey, 3111) << "stored as the control shows it";
}

TEST_F(DesktopCitizenTest, PopupWithItsShadowStaysInTheWorkArea)
{
    Start();
    DayInfoWindow& popup = calendar_->DayInfo();
    const RECT work = WorkAreaAt(0, 0);
    const struct {
        int x, y;
    } cases[] = {{work.right, work.bottom}, {work.right - 3, work.top + 10}, {work.left + 10, work.bottom - 2}};
    for (const auto& c : cases) {
        popup.ShowDayInfo(c.x, c.y, Holiday(), calendar_->LiveSettings().Design, true);
        RECT r{};
        GetWindowRect(popup.Handle(), &r);
        EXPECT_EQ(r.right - r.left, popup.ImageSize().cx);
        EXPECT_TRUE(r.right <= work.right && r.bottom <= work.bottom) << c.x << "," << c.y;
        EXPECT_TRUE(r.right == work.right || r.left == c.x) << "moved only as far as needed";
    }
}

TEST_F(DesktopCitizenTest, MemoLineBreaksBreakLinesAndTheLastLineIsKept)
{
    Start();
    DayInfoWindow& popup = calendar_->DayInfo();
    DayRecord day = Holiday();
    auto paint = [&](const wchar_t* memo) {
        day.memo = memo;
        popup.SetDay(day, calendar_->LiveSettings().Design);
        DibSurface surface;
        EXPECT_TRUE(surface.Create(popup.ImageSize().cx, popup.ImageSize().cy));
        popup.PaintDayInfo(surface.Dc());
        GdiFlush();
        return std::vector<std::uint32_t>(surface.Bits(), surface.Bits() + surface.Width() * surface.Height());
    };
    EXPECT_TRUE(paint(L"first\r\nsecond\r\nlast") == paint(L"first\nsecond\nlast")) << "a CR is drawn as nothing";
    for (const wchar_t* memo : {L"first \xD83D\xDE00 smile\r\nsecond\r\nlast line",
                                L"\x4E00\x884C\x76EE\r\n\xD83D\xDE00\x4E8C\x884C\x76EE\r\n\x6700\x5F8C"}) {
        const auto pixels = paint(memo);
        const SIZE size = popup.ImageSize();
        const gfx::RectF box = popup.MemoRect();
        auto row = [&](int y) { return pixels.data() + (size.cy - 1 - y) * size.cx; }; // bottom-up surface
        int textBelow = 0, lastLineInk = 0;
        for (int y = int(popup.Content().height); y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x)
                textBelow += (row(y)[x] >> 24) > 125; // more than the shadow: text that did not fit
        for (int y = int(box.Bottom() - box.height / 4); y < int(box.Bottom()); ++y)
            for (int x = int(box.x); x < int(box.Right()); ++x)
                lastLineInk += (row(y)[x] & 0xFF) < 100;
        EXPECT_EQ(textBelow, 0) << "memo " << int(memo[0]);
        EXPECT_GT(lastLineInk, 10) << "memo " << int(memo[0]);
        EXPECT_LE(box.Bottom(), popup.Content().height);
    }
}

} // namespace
