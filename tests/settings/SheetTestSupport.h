// A fake calendar window for the settings sheet, a spy on the sheet's messages,
// and the gestures the tests make on the sheet's controls.
#pragma once
#include "res/resource.h"
#include "settings/SettingsSheet.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

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
        const UINT flags = (live_.Hotkey >> 8) & 0xFF;
        const UINT modifiers = ((flags & HOTKEYF_ALT) ? MOD_ALT : 0) | ((flags & HOTKEYF_CONTROL) ? MOD_CONTROL : 0) |
                               ((flags & HOTKEYF_SHIFT) ? MOD_SHIFT : 0);
        UnregisterHotKey(window_, 107);
        hotKeyFailures += RegisterHotKey(window_, 107, modifiers, live_.Hotkey & 0xFF) ? 0 : 1;
    }
    int relayoutRenders = 0, hotKeyApplies = 0, hotKeyFailures = 0;

private:
    const Settings& live_;
    HWND window_ = TestWindow();
};

// Counts PSM_CHANGED (a page reporting a change) and the sheet's PSN_RESET.
class MessageSpy {
public:
    MessageSpy() { current_ = this; }
    ~MessageSpy()
    {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    int changed = 0, resets = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && sent->message == PSM_CHANGED)
            ++current_->changed;
        if (code == HC_ACTION && sent->message == WM_NOTIFY &&
            reinterpret_cast<const NMHDR*>(sent->lParam)->code == static_cast<UINT>(PSN_RESET))
            ++current_->resets;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline MessageSpy* current_ = nullptr;
    HHOOK hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
};

// What the user's clicks and drags send to a dialog.
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
        if (HWND open = sheet.SheetWindow()) // owned by the host window: closed first
            DestroyWindow(open);
    }

    Settings& Live() { return sheet.Live(); }
    HWND Open()
    {
        HWND window = sheet.OpenSettings(&host);
        PumpMessages(20);
        return window;
    }
    // Opens the sheet on its Design tab (the page's window is created on first showing).
    HWND OpenDesign()
    {
        Open();
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
        ClickButton(sheet.SheetWindow(), id);
        PumpMessages(20);
    }
};
