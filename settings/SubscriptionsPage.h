// The settings sheet's page "オンライン カレンダー": the subscriptions with
// their colour, shown box and the last refresh in words, the refresh interval,
// and the dialog that adds or edits one subscription.
#pragma once
#include "calendar/Subscriptions.h"
#include "settings/SettingsPages.h"

#include <span>
#include <vector>

class SubscriptionDialog final : public Dialog {
public:
    // Runs the dialog over `owner`; true on OK with the entry in `subscription`.
    // `others` are the other subscriptions: an address one of them has is refused.
    bool Edit(HWND owner, Subscription& subscription, std::span<const Subscription> others, bool adding);

protected:
    bool OnInitDialog(HWND focus, LPARAM param) override;
    void OnCommand(UINT code, UINT id, HWND control) override;
    void OnDrawItem(DRAWITEMSTRUCT* item) override;
    void OnOK() override;
    void OnCancel() override { EndDialog(Handle(), 0); }

private:
    // A refusal names what is wrong, never the address.
    void Refuse(UINT stringId, int control);

    Subscription entry_;
    std::span<const Subscription> others_;
    bool adding_ = false;
};

class SubscriptionsPage final : public SettingsPage {
public:
    explicit SubscriptionsPage(SettingsSheet& sheet);

    // The list as the page shows it, applied or not.
    const std::vector<Subscription>& Working() const { return working_; }
    // Reads every subscription's last refresh again; nothing without a window.
    void ShowStatuses();

protected:
    bool OnInitDialog(HWND focus, LPARAM param) override;
    void OnCommand(UINT code, UINT id, HWND control) override;
    LRESULT OnNotify(WPARAM id, NMHDR* header) override;
    // The list and the interval into the live subscriptions; the host is told
    // which subscriptions to fetch again.
    void ApplyChanges() override;

private:
    void Fill(int select);
    int Selected() const;
    // Adds (index -1) or edits one subscription through the dialog.
    void EditEntry(int index);
    void EnableButtons();
    LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);

    std::vector<Subscription> working_;
    bool filling_ = false;
};
