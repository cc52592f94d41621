// The reminders' options and the moment of the last reminder shown, kept in
// qv.ini's [Reminder] section.
#pragma once
#include "settings/IniSection.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

class ReminderSettings final : public IniSection {
public:
    // The choices of the General page, in its order.
    static constexpr std::array<int, 6> kLeadChoices{0, 5, 10, 15, 30, 60};
    static constexpr int kDefaultLead = 10;

    bool enabled = true;
    int leadMinutes = kDefaultLead;
    // Local time, to the minute.
    std::optional<std::chrono::local_seconds> lastShown;

    // A value that is not one of the choices reads as the default and is
    // reported by Repaired, so that it is written back.
    void Load(const IniFile& file) override;
    void AppendEntries(std::vector<IniEntry>& entries) const override;
    bool Repaired() const { return repaired_; }

private:
    bool repaired_ = false;
};

namespace ini {
// "YYYY-MM-DDTHH:MM", seconds dropped.
std::wstring FormatMinute(std::chrono::local_seconds t);
std::optional<std::chrono::local_seconds> ParseMinute(std::wstring_view text);
} // namespace ini
