// A fake calendar window for the settings sheet, a spy on the sheet's messages,
// and the gestures the tests make on the sheet's controls.
#pragma once
#include "res/resource.h"
#include "settings/SettingsSheet.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

// A real top-level window that counts what the sheet asks of it.
class FakeHost : public SettingsHost {
public:
    explicit FakeHost(const Settings& live) : live_(live)
    {
        window_ = CreateWindowExW(0, L"STATIC", L"fake calendar", WS_POPUP, 40, 50, 120, 90, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    }
    ~FakeHost() override
    {
        if (window_ != nullptr)
            DestroyWindow(window_);
    }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    HWND HostWindow() const override { return window_; }
    void Render(bool relayout) override { ++(relayout ? relayoutRenders : plainRenders); }
    // Registers the live key the way the calendar does; a failure is counted instead of shown.
    void ApplyHotKey() override
    {
        ++hotKeyApplies;
        const auto key = static_cast<UINT>(live_.Hotkey);
        const UINT flags = (key >> 8) & 0xFF;
        UINT modifiers = 0;
        if (flags & HOTKEYF_ALT)
            modifiers |= MOD_ALT;
        if (flags & HOTKEYF_CONTROL)
            modifiers |= MOD_CONTROL;
        if (flags & HOTKEYF_SHIFT)
            modifiers |= MOD_SHIFT;
        if (flags & HOTKEYF_EXT)
            modifiers |= MOD_WIN;
        UnregisterHotKey(window_, 107);
        if (!RegisterHotKey(window_, 107, modifiers, key & 0xFF))
            ++hotKeyFailures;
    }

    int relayoutRenders = 0;
    int plainRenders = 0;
    int hotKeyApplies = 0;
    int hotKeyFailures = 0;

private:
    const Settings& live_;
    HWND window_ = nullptr;
};

// Counts PSM_CHANGED (a page reporting a change) and the sheet's PSN_RESET / PSN_APPLY.
class MessageSpy {
public:
    MessageSpy()
    {
        current_ = this;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    }
    ~MessageSpy()
    {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    MessageSpy(const MessageSpy&) = delete;
    MessageSpy& operator=(const MessageSpy&) = delete;

    int changed = 0;
    int resets = 0;
    int applies = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HC_ACTION && current_ != nullptr) {
            const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
            if (sent->message == PSM_CHANGED)
                ++current_->changed;
            if (sent->message == WM_NOTIFY && sent->lParam != 0) {
                const auto* header = reinterpret_cast<const NMHDR*>(sent->lParam);
                if (header->code == static_cast<UINT>(PSN_RESET))
                    ++current_->resets;
                if (header->code == static_cast<UINT>(PSN_APPLY))
                    ++current_->applies;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline MessageSpy* current_ = nullptr;
    HHOOK hook_ = nullptr;
};

// What the user's clicks and drags send to a dialog.
inline void SendCommand(HWND dialog, int id, UINT code)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
inline void ClickButton(HWND dialog, int id) { SendCommand(dialog, id, BN_CLICKED); }
inline void ToggleCheck(HWND dialog, int id)
{
    CheckDlgButton(dialog, id, IsDlgButtonChecked(dialog, id) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    ClickButton(dialog, id);
}
inline void ClickRadio(HWND dialog, int first, int last, int id)
{
    CheckRadioButton(dialog, first, last, id);
    ClickButton(dialog, id);
}
inline void Slide(HWND dialog, int track, int position)
{
    SendDlgItemMessageW(dialog, track, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, track)));
}
inline int TrackPosition(HWND dialog, int track)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, track, TBM_GETPOS, 0, 0));
}
inline std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}
inline bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline bool ShownAndEnabled(HWND window)
{
    return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0 && IsWindowEnabled(window) != FALSE;
}

constexpr int kApplyButton = 0x3021;

// A sheet over a fake host, opened and driven the way the user would.
class SheetFixture : public testing::Test {
protected:
    TempDir dir;
    SettingsSheet sheet;
    FakeHost host{sheet.Live()};

    SheetFixture() { sheet.SetIniDirectory(dir.WithSlash()); }
    ~SheetFixture() override
    {
        // The sheet is owned by the host window: close it first.
        if (HWND open = sheet.SheetWindow())
            DestroyWindow(open);
    }

    Settings& Live() { return sheet.Live(); }
    HWND Open()
    {
        HWND window = sheet.OpenSettings(&host);
        PumpMessages(20);
        return window;
    }
    HWND General() { return sheet.General().Handle(); }
    // Shows the Design tab (its window is created on first showing).
    HWND Design()
    {
        PropSheet_SetCurSel(sheet.SheetWindow(), nullptr, 1);
        PumpMessages(20);
        return sheet.DesignItems().Handle();
    }
    const DesignSettings& Working() { return *sheet.DesignItems().Working(); }
    HWND ItemPage(int index) { return sheet.DesignItems().ItemPage(index)->Handle(); }
    void SelectItem(int index)
    {
        HWND design = sheet.DesignItems().Handle();
        SendDlgItemMessageW(design, IDC_ITEM_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendCommand(design, IDC_ITEM_LIST, LBN_SELCHANGE);
    }
    void Press(int id)
    {
        HWND window = sheet.SheetWindow();
        ASSERT_NE(window, nullptr);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        PumpMessages(20);
    }
};
