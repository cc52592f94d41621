// Whether the calendar starts at logon: the value "Mosaryn" under the user's Run key, holding
// the quoted path of the executable. The registry is the one place this is kept, so a change
// made elsewhere (the system's start-up list) is what the program sees next.
#pragma once
#include "app/Win.h"

#include <optional>
#include <string>

class LogonStartup {
public:
    static constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr wchar_t kValueName[] = L"Mosaryn";

    // The running executable under HKCU's Run key.
    LogonStartup();
    // Another key below HKEY_CURRENT_USER, or another executable (tests).
    LogonStartup(std::wstring subKey, std::wstring executable);

    // The command stored, or none when there is no such value.
    std::optional<std::wstring> Stored() const;
    bool Enabled() const { return Stored().has_value(); }
    // Writes (on) or removes (off) the value; false when the registry refused.
    bool Set(bool on) const;
    // At start-up: a value naming another path (the folder was moved) is pointed at this
    // executable. An absent value stays absent. False only when a needed write failed.
    bool FollowExecutable() const;
    // "<full path of the executable>", quoted so that a path with blanks runs as one command.
    std::wstring Command() const { return L"\"" + executable_ + L"\""; }

private:
    std::wstring subKey_;
    std::wstring executable_;
};
