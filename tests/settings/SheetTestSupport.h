// A fake calendar window, a spy on the sheet's messages, and the user's gestures on the sheet.
#pragma once
#include "res/resource.h"
#include "settings/SettingsSheet.h"
#include "support/TestSupport.h"
#include "ui/calendar/CalendarWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline HWND TestWindow(HWND parent = nullptr, const wchar_t* type = L"STATIC", DWORD style = WS_POPUP)
{
    return CreateWindowExW(0, type, L"", style, 40, 50, 120, 90, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// A real top-level window that registers the live hot key and counts what the sheet asks of it.
class FakeHost : public SettingsHost {
public:
    explicit FakeHost(const Settings& live) : live_(live) {}
    ~FakeHost() override { DestroyWindow(window_); }
    HWND HostWindow() const override { return window_; }
    void Render(bool relayout) override { relayoutRenders += relayout ? 1 : 0; }
    void ApplyHotKey() override
    {
        ++hotKeyApplies;
        const UINT modifiers = calendar_window::HotkeyModifiers((live_.Hotkey >> 8) & 0xFF);
        UnregisterHotKey(window_, 107);
        hotKeyFailures += RegisterHotKey(window_, 107, modifiers, live_.Hotkey & 0xFF) ? 0 : 1;
    }
    void ReportError(UINT id) override { errors.push_back(id); }
    int relayoutRenders = 0, hotKeyApplies = 0, hotKeyFailures = 0;
    std::vector<UINT> errors;

private:
    const Settings& live_;
    HWND window_ = TestWindow();
};

// Counts PSM_CHANGED and PSN_RESET sent on this thread.
class MessageSpy {
public:
    MessageSpy() { current_ = this; }
    ~MessageSpy() { UnhookWindowsHookEx(hook_); }
    int changed = 0, resets = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        current_->changed += sent->message == PSM_CHANGED ? 1 : 0;
        if (sent->message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(sent->lParam)->code == UINT(PSN_RESET))
            ++current_->resets;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline MessageSpy* current_ = nullptr;
    HHOOK hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
};

inline void SendCommand(HWND dialog, int id, UINT code)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
inline void ClickButton(HWND dialog, int id) { SendCommand(dialog, id, BN_CLICKED); }
inline bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline void ToggleCheck(HWND dialog, int id)
{
    CheckDlgButton(dialog, id, Checked(dialog, id) ? BST_UNCHECKED : BST_CHECKED);
    ClickButton(dialog, id);
}
inline void Slide(HWND dialog, int track, int position)
{
    SendDlgItemMessageW(dialog, track, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, track)));
}
inline int TrackPosition(HWND dialog, int track) { return int(SendDlgItemMessageW(dialog, track, TBM_GETPOS, 0, 0)); }
inline std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

constexpr int kApplyButton = 0x3021;

// A sheet over a fake host, opened and driven the way the user would.
class SheetFixture : public testing::Test {
protected:
    TempDir dir;
    SettingsSheet sheet;
    FakeHost host{sheet.Live()};

    SheetFixture() { sheet.SetIniDirectory(dir.WithSlash()); }
    ~SheetFixture() override { DestroyWindow(sheet.SheetWindow()); } // before the owning host window

    Settings& Live() { return sheet.Live(); }
    // Opens on the Design tab: its window is created on first showing.
    void OpenDesign()
    {
        sheet.OpenSettings(&host);
        PropSheet_SetCurSel(sheet.SheetWindow(), nullptr, 1);
        PumpMessages(20);
    }
    const DesignSettings& Working() { return *sheet.DesignItems().Working(); }
    HWND ItemPage(int index) { return sheet.DesignItems().ItemPage(index)->Handle(); }
    void SelectItem(int index)
    {
        HWND design = sheet.DesignItems().Handle();
        SendDlgItemMessageW(design, IDC_ITEM_LIST, LB_SETCURSEL, WPARAM(index), 0);
        SendCommand(design, IDC_ITEM_LIST, LBN_SELCHANGE);
    }
    void Press(int id)
    {
        ClickButton(sheet.SheetWindow(), id);
        PumpMessages(20);
    }
};
