// The modeless settings sheet: holds the live settings record, keeps it in
// qv.ini, and edits it through its General and Design pages.
#pragma once
#include "calendar/FileIO.h"
#include "calendar/Subscriptions.h"
#include "settings/IniSection.h"
#include "settings/ReminderSettings.h"
#include "settings/Settings.h"
#include "settings/SettingsHost.h"
#include "settings/SettingsPages.h"
#include "settings/SubscriptionsPage.h"
#include "ui/framework/Dialog.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

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
    SubscriptionsPage& OnlineCalendars() { return online_; }

    // The [Reminder] section, edited on the General page.
    ReminderSettings& Reminder() { return reminder_; }

    Settings& Live() { return live_; }
    const Settings& Live() const { return live_; }
    DesignSettings& Design() { return live_.Design; }
    // The online calendars, kept in qv.ini's [Subscriptions] with the settings.
    SubscriptionList& Subscriptions() { return subscriptions_; }
    const SubscriptionList& Subscriptions() const { return subscriptions_; }

    // Every key of qv.ini into the live record; missing keys give the defaults.
    // A file not in UTF-16 yet is converted first, its content kept. False
    // when qv.ini exists but cannot be read (LastError says why): the record
    // then holds the defaults, and nothing is written to the file until a
    // save has read it whole.
    bool LoadSettings();
    // Every key from the live record, replacing qv.ini in one step; other keys
    // and sections in the file stay. While the file has not been read whole it
    // is read first: settings changed in this run win, every other key and
    // section takes the file's value. False when the file could not be read
    // or written (LastError says why): it is then as it was. Before
    // LoadSettings nothing is written.
    bool SaveSettings();
    // Whether qv.ini has been read whole (or found missing).
    bool Loaded() const { return loaded_; }
    // True once after a save that read qv.ini late: the live record changed.
    bool TakeLateLoad() { return std::exchange(lateLoad_, false); }
    const FileError& LastError() const { return error_; }
    // A section of qv.ini kept by another object (not owned), read by every
    // LoadSettings and written by every SaveSettings with the settings record.
    void AddIniSection(IniSection* section) { sections_.push_back(section); }
    // Test seam: the steps of every write of qv.ini may be made to fail.
    void SetWriteHook(ReplaceHook hook) { writeHook_ = std::move(hook); }
    // Called by a page that carried its edits into the live record; the host
    // stores them once the sheet's Apply or OK is done.
    void NoteApplied() { applied_ = true; }

    // Where qv.ini lives, with the trailing backslash; empty means the
    // directory of the executable.
    void SetIniDirectory(std::wstring dirWithTrailingBackslash) { iniDirectory_ = std::move(dirWithTrailingBackslash); }
    // Built afresh for every load and save.
    std::wstring IniPath() const;
    // The directory of qv.ini, qv.dat and the kept copies, with the trailing backslash.
    std::wstring DataDirectory() const;

protected:
    void OnCommand(UINT code, UINT id, HWND control) override;
    void OnSysCommand(UINT command, int x, int y) override;
    void OnDestroy() override;

private:
    void CloseSheet();
    bool LoadLate();
    // The keys' texts from the file into the record; with `unless`, only the keys where the
    // record still holds that value (those changed in this run keep the user's value).
    void TakeKeys(const std::vector<std::wstring>& texts, Settings* unless);
    std::vector<std::vector<IniEntry>> SectionEntries() const;

    Settings live_;
    SubscriptionList subscriptions_;
    // The record and the sections' entries as loaded: what differs from them
    // was changed in this run.
    Settings loadedValues_;
    std::vector<std::vector<IniEntry>> loadedSections_;
    FileError error_;
    bool tried_ = false; // LoadSettings ran
    bool lateLoad_ = false;
    std::wstring iniDirectory_;
    ReplaceHook writeHook_;
    bool loaded_ = false;
    bool applied_ = false;
    // Size texts as last read, by key: a size that is not a finite number is
    // written back as the user wrote it.
    std::map<std::wstring, std::wstring> sizeTexts_;
    std::vector<IniSection*> sections_;
    ReminderSettings reminder_;
    SettingsHost* host_ = nullptr;
    bool open_ = false;
    // After the live record: the pages read it.
    GeneralPage general_;
    DesignPage design_;
    SubscriptionsPage online_;
};
