// Whether the calendar starts at logon, kept in one place only, so that a change made elsewhere
// is what the program sees next:
// - on Windows, the value "Mosaryn" under the user's Run key, holding the quoted path of the
//   executable;
// - under the Linux launcher, which names them in MOSARYN_AUTOSTART_ENTRY and
//   MOSARYN_DESKTOP_ENTRY, the desktop's autostart entry, a copy of the launcher's menu entry
//   (a Run value in the launcher's private Wine prefix would be read by nothing at logon).
#pragma once
#include "app/Win.h"

#include <optional>
#include <string>

class LogonStartup {
public:
    static constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr wchar_t kValueName[] = L"Mosaryn";

    // The launcher's autostart entry when the environment names one, else HKCU's Run key.
    LogonStartup();
    // Another key below HKEY_CURRENT_USER, or another executable (tests).
    LogonStartup(std::wstring subKey, std::wstring executable);
    // The autostart entry `entry`, written as a copy of the menu entry `source`; `subKey` is
    // where an older version may have left a Run value.
    static LogonStartup DesktopEntry(std::wstring entry, std::wstring source, std::wstring subKey = kRunKey);

    // The command stored (an entry's Exec line), or none when the calendar does not start at logon.
    std::optional<std::wstring> Stored() const;
    bool Enabled() const { return Stored().has_value(); }
    // Writes (on) or removes (off) the value or entry; false when that failed.
    bool Set(bool on) const;
    // At start-up: a value or entry naming another copy (a moved folder, another install) is
    // pointed at this one; a Run value left in the launcher's prefix becomes the entry. An
    // absent one stays absent. False only when a needed write failed.
    bool FollowExecutable() const;
    // What Stored gives once this copy is entered.
    std::wstring Command() const;
    // The message for a failed Set.
    UINT FailureText() const;

private:
    bool SetRunValue(bool on) const;
    std::optional<std::wstring> RunValue() const;

    std::wstring subKey_;
    std::wstring executable_;
    std::wstring entry_; // empty: the Run value is the place
    std::wstring source_;
};
