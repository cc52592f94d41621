// What the settings sheet needs from the calendar window when it applies changes.
#pragma once
#include "app/Win.h"

#include <span>
#include <string>

class SettingsHost {
public:
    virtual ~SettingsHost() = default;
    // The calendar window (parent of the sheet, target of the topmost change).
    virtual HWND HostWindow() const = 0;
    // Re-lays-out and redraws the calendar from the live settings.
    virtual void Render(bool relayout) = 0;
    // Re-registers the global hot key from the live `Hotkey`, reporting a failure itself.
    virtual void ApplyHotKey() = 0;
    // Looks again at what is due after the reminder options changed.
    virtual void ApplyReminders() {}
    // Tells the user of a failure: string `stringId` in an error box over the host window.
    virtual void ReportError(UINT stringId);
    // The same with a detail under it, such as the file and the system's reason.
    virtual void ReportError(UINT stringId, const std::wstring& detail);
    // Writes the live settings to qv.ini, reporting a failure itself; a host
    // that keeps no file has nothing to do.
    virtual void StoreSettings() {}
    // The online calendars were applied: kept copies of removed ones go, these
    // addresses are fetched again, the interval and colours take effect.
    virtual void SubscriptionsChanged(std::span<const std::wstring> /*refreshUrls*/) {}
};
