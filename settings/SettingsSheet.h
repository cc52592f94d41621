// The modeless settings sheet: holds the live settings record, keeps it in
// qv.ini, and edits it through its General and Design pages.
#pragma once
#include "settings/Settings.h"
#include "settings/SettingsHost.h"
#include "settings/SettingsPages.h"
#include "ui/framework/Dialog.h"

#include <map>
#include <string>

class SettingsSheet : public PropertySheet {
public:
    SettingsSheet();
    ~SettingsSheet() override;

    // Opens the sheet over `host` and returns its window (null when it could not be
    // created); while it is open, brings it to the front instead.
    HWND OpenSettings(SettingsHost* host);
    // The open sheet's window, or null; its children's messages go through IsDialogMessageW.
    HWND SheetWindow() const { return open_ ? Handle() : nullptr; }
    // The window the sheet applies to; null before the first opening.
    SettingsHost* Host() const { return host_; }

    GeneralPage& General() { return general_; }
    DesignPage& DesignItems() { return design_; }

    Settings& Live() { return live_; }
    const Settings& Live() const { return live_; }
    DesignSettings& Design() { return live_.Design; }

    // Every key of qv.ini into the live record; missing keys give the defaults.
    void LoadSettings();
    // Every key from the live record; other keys and sections in the file stay.
    void SaveSettings();

    // Where qv.ini lives, with the trailing backslash; empty means the
    // directory of the executable.
    void SetIniDirectory(std::wstring dirWithTrailingBackslash) { iniDirectory_ = std::move(dirWithTrailingBackslash); }
    // Built afresh for every load and save.
    std::wstring IniPath() const;

protected:
    void OnCommand(UINT code, UINT id, HWND control) override;
    void OnSysCommand(UINT command, int x, int y) override;
    void OnDestroy() override;

private:
    void CloseSheet();

    Settings live_;
    std::wstring iniDirectory_;
    // Size texts as last read, by key: a size that is not a finite number is
    // written back as the user wrote it.
    std::map<std::wstring, std::wstring> sizeTexts_;
    SettingsHost* host_ = nullptr;
    bool open_ = false;
    // After the live record: the pages read it.
    GeneralPage general_;
    DesignPage design_;
};
