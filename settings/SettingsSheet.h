// Holds the live settings record and keeps it in qv.ini.
#pragma once
#include "settings/Settings.h"

#include <map>
#include <string>

class SettingsSheet {
public:
    SettingsSheet();
    SettingsSheet(const SettingsSheet&) = delete;
    SettingsSheet& operator=(const SettingsSheet&) = delete;
    virtual ~SettingsSheet() = default;

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

private:
    Settings live_;
    std::wstring iniDirectory_;
    // Size texts as last read, by key: a size that is not a finite number is
    // written back as the user wrote it.
    std::map<std::wstring, std::wstring> sizeTexts_;
};
