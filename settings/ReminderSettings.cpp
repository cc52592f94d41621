#include "settings/ReminderSettings.h"

#include <algorithm>
#include <cwchar>

using namespace std::chrono;

namespace {
constexpr wchar_t kSection[] = L"Reminder";
} // namespace

namespace ini {

std::wstring FormatMinute(local_seconds t)
{
    const local_days day = floor<days>(t);
    const year_month_day date{day};
    const hh_mm_ss time{floor<minutes>(t - day)};
    wchar_t text[32];
    std::swprintf(text, 32, L"%04d-%02u-%02uT%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()));
    return text;
}

std::optional<local_seconds> ParseMinute(std::wstring_view text)
{
    // Digits at these places, these separators between them.
    constexpr std::wstring_view shape = L"0000-00-00T00:00";
    if (text.size() != shape.size())
        return std::nullopt;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == L'0' ? (text[i] < L'0' || text[i] > L'9') : text[i] != shape[i])
            return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i)
            v = v * 10 + (text[i] - L'0');
        return v;
    };
    const year_month_day date{year{number(0, 4)}, month{static_cast<unsigned>(number(5, 2))},
                              day{static_cast<unsigned>(number(8, 2))}};
    const int hour = number(11, 2);
    const int minute = number(14, 2);
    if (!date.ok() || hour > 23 || minute > 59)
        return std::nullopt;
    return local_days{date} + hours{hour} + minutes{minute};
}

} // namespace ini

void ReminderSettings::Load(const IniFile& file)
{
    *this = ReminderSettings{};
    const std::wstring on = file.Read(kSection, L"Enabled", L"");
    if (on == L"Yes" || on == L"No")
        enabled = on == L"Yes";
    else
        repaired_ = !on.empty();

    const std::wstring lead = file.Read(kSection, L"LeadMinutes", L"");
    const auto choice = std::find_if(kLeadChoices.begin(), kLeadChoices.end(),
                                     [&](int minutes) { return lead == std::to_wstring(minutes); });
    if (choice != kLeadChoices.end())
        leadMinutes = *choice;
    else
        repaired_ = repaired_ || !lead.empty();

    const std::wstring shown = file.Read(kSection, L"LastShown", L"");
    lastShown = ini::ParseMinute(shown);
    repaired_ = repaired_ || (!lastShown && !shown.empty());
}

void ReminderSettings::AppendEntries(std::vector<IniEntry>& entries) const
{
    entries.push_back({kSection, L"Enabled", enabled ? L"Yes" : L"No"});
    entries.push_back({kSection, L"LeadMinutes", std::to_wstring(leadMinutes)});
    entries.push_back(
        {kSection, L"LastShown", lastShown ? std::optional(ini::FormatMinute(*lastShown)) : std::nullopt});
}
