// The two pages of the settings sheet: General (start-up options, hot key) and
// Design (the item list with its child pages over a working copy of the design).
#pragma once
#include "settings/DesignItemPages.h"
#include "settings/LogonStartup.h"
#include "settings/Settings.h"
#include "ui/framework/Dialog.h"

#include <array>
#include <memory>
#include <string>

class SettingsSheet;

class SettingsPage : public PropertyPage {
public:
    SettingsPage(SettingsSheet& sheet, UINT templateId) : PropertyPage(templateId), sheet_(sheet) {}

    // Enables the sheet's Apply button; the page applies at the next Apply or OK.
    void MarkChanged();
    bool Changed() const { return changed_; }

protected:
    SettingsSheet& Sheet() const { return sheet_; }
    // Carries the page's edits into the live settings.
    virtual void ApplyChanges() = 0;
    // A new page window shows the live settings: nothing left over to apply.
    void ClearChanged() { changed_ = false; }

    LRESULT OnNotify(WPARAM id, NMHDR* header) override;

private:
    SettingsSheet& sheet_;
    bool changed_ = false;
};

class GeneralPage final : public SettingsPage {
public:
    explicit GeneralPage(SettingsSheet& sheet);

    // Where the start-at-logon box is kept (tests point it elsewhere).
    void SetLogonStartup(LogonStartup startup) { startup_ = std::move(startup); }

protected:
    bool OnInitDialog(HWND focus, LPARAM param) override;
    void OnCommand(UINT code, UINT id, HWND control) override;
    void ApplyChanges() override;

private:
    // The lead list is usable only while reminders are on.
    void EnableLeadChoice();

    bool initialising_ = false;
    LogonStartup startup_;
};

struct DesignItem {
    std::wstring label;
    DesignGroup group;
    int page = 0;
};

class DesignPage final : public SettingsPage {
public:
    static constexpr int kItemCount = 9;
    static constexpr int kPageCount = 8;

    explicit DesignPage(SettingsSheet& sheet);
    ~DesignPage() override;

    // Binds the selected item's child page and shows it in place of the current one.
    void SelectItem();

    // Null while the page has never had a window.
    const DesignSettings* Working() const { return working_.get(); }
    DesignItemPage* ItemPage(int index) const;
    const DesignItem& Item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    int CurrentItem() const { return current_; }

protected:
    bool OnInitDialog(HWND focus, LPARAM param) override;
    void OnCommand(UINT code, UINT id, HWND control) override;
    void OnDrawItem(DRAWITEMSTRUCT* item) override;
    void OnDestroy() override;
    void ApplyChanges() override;

private:
    void FillItems();
    static void ShowPage(DesignItemPage& page, bool show);

    std::unique_ptr<DesignSettings> working_;
    std::array<DesignItem, kItemCount> items_;
    std::array<std::unique_ptr<DesignItemPage>, kPageCount> pages_;
    int current_ = 0;
};
