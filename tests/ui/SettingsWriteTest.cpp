// The calendar writes qv.ini when a change takes effect and reports a failed write once.
#include "resource.h"
#include "settings/SettingsSheet.h"
#include "support/TestSupport.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/OwnerWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace {
class SettingsWrite : public testing::Test {
protected:
    ~SettingsWrite() override { Stop(); }
    // Creates the calendar over qv.ini with these [Option] lines (a free hot key besides).
    bool Start(const std::wstring& options)
    {
        const std::wstring text = L"\xFEFF[Option]\r\nTodayInfo=No\r\nHotkey=" +
                                  std::to_wstring(((HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT) << 8) | VK_F11) +
                                  L"\r\n" + options;
        const auto* raw = reinterpret_cast<const std::uint8_t*>(text.data());
        WriteBytes(dir_.Path() / L"qv.ini", std::vector<std::uint8_t>(raw, raw + text.size() * sizeof(wchar_t)));
        owner_.CreateOwner();
        calendar_ = std::make_unique<CalendarWindow>(dir_.WithSlash());
        calendar_->SetErrorReporter([this](UINT id) { errors_.push_back(id); });
        calendar_->SetQuitOnDestroy(false);
        calendar_->Sheet().SetWriteHook([this](ReplaceStep step) {
            writes_ += step == ReplaceStep::Prepare ? 1 : 0;
            return !failing_;
        });
        return calendar_->CreateCalendar(owner_.Handle());
    }
    void Stop()
    {
        if (calendar_ && IsWindow(calendar_->Handle()))
            DestroyWindow(calendar_->Handle());
        DestroyWindow(owner_.Handle());
        owner_.SetHandle(nullptr);
    }
    // "StayTop PosX,PosY" as qv.ini holds them.
    std::wstring Stored() const
    {
        wchar_t v[3][32];
        const wchar_t* keys[] = {L"StayTop", L"PosX", L"PosY"};
        for (int i = 0; i < 3; ++i)
            GetPrivateProfileStringW(L"Option", keys[i], L"", v[i], 32, (dir_.Path() / L"qv.ini").c_str());
        return std::wstring(v[0]) + L' ' + v[1] + L',' + v[2];
    }
    void Send(UINT msg, WPARAM wParam = 0) { SendMessageW(calendar_->Handle(), msg, wParam, 0); }

    TempDir dir_;
    OwnerWindow owner_;
    std::unique_ptr<CalendarWindow> calendar_;
    std::vector<UINT> errors_;
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
} // namespace

TEST_F(SettingsWrite, EveryChangeIsWrittenAtOnceAndEachFailedActionReportedOnce)
{
    ASSERT_TRUE(Start(L"StayTop=No\r\nPosX=123\r\nPosY=77\r\n"));
    Send(WM_COMMAND, ID_STAY_TOP);
    EXPECT_EQ(Stored(), L"Yes 123,77");
    // The end of a drag writes once when the calendar moved, not at all when it did not.
    SetWindowPos(calendar_->Handle(), nullptr, 150, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    EXPECT_EQ(errors_.size(), 2u);
    EXPECT_EQ(Stored(), L"Yes 150,90") << "the failed writes left the file";

    // The next write that succeeds stores everything held in memory.
    failing_ = false;
    Stop();
    EXPECT_EQ(Stored(), L"No 150,90");
    EXPECT_EQ(errors_.size(), 2u);
}

TEST_F(SettingsWrite, ExitBeforeTheWindowIsPlacedKeepsTheSavedPosition)
{
    WNDCLASSW tray{};
    tray.lpfnWndProc = ClosingTray;
    tray.lpszClassName = L"Shell_TrayWnd";
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
