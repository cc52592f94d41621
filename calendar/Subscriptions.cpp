#include "calendar/Subscriptions.h"

#include "settings/IniValues.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

namespace {
constexpr wchar_t kSection[] = L"Subscriptions";
constexpr int kMaxCount = 1000; // a hand-edited Count cannot make the reader loop for ever

std::wstring Numbered(const wchar_t* name, int n) { return name + std::to_wstring(n); }

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}
} // namespace

void SubscriptionList::Load(const IniFile& file)
{
    items.clear();
    const std::wstring count = file.Read(kSection, L"Count", L"");
    const std::wstring refresh = file.Read(kSection, L"RefreshMinutes", L"");
    inFile_ = !count.empty() || !refresh.empty();
    refreshMinutes = refresh.empty() ? kDefaultRefreshMinutes
                                     : std::clamp(ini::ParseInteger(refresh), kMinRefreshMinutes, kMaxRefreshMinutes);
    const int n = std::clamp(ini::ParseInteger(count), 0, kMaxCount);
    for (int i = 1; i <= n; ++i) {
        Subscription s;
        s.name = file.Read(kSection, Numbered(L"Name", i).c_str(), L"");
        s.url = feeds::Trimmed(file.Read(kSection, Numbered(L"Url", i).c_str(), L""));
        if (s.name.empty() || feeds::FetchUrl(s.url).empty())
            continue;
        const std::wstring colour = file.Read(kSection, Numbered(L"Color", i).c_str(), L"");
        if (!colour.empty())
            s.color = ini::ParseColour(colour);
        s.shown = file.Read(kSection, Numbered(L"Shown", i).c_str(), L"Yes") != L"No";
        items.push_back(std::move(s));
    }
}

void SubscriptionList::AppendEntries(std::vector<IniEntry>& entries) const
{
    if (!inFile_ && items.empty() && refreshMinutes == kDefaultRefreshMinutes)
        return;
    // From now on an emptied list must be written too, or the last one removed would come back.
    inFile_ = true;
    // The section is written whole, so entries removed since are gone from the file too.
    entries.push_back({kSection, L"", std::nullopt});
    entries.push_back({kSection, L"Count", ini::FormatInteger(static_cast<std::int32_t>(items.size()))});
    entries.push_back({kSection, L"RefreshMinutes", ini::FormatInteger(refreshMinutes)});
    int i = 0;
    for (const Subscription& s : items) {
        ++i;
        entries.push_back({kSection, Numbered(L"Name", i), s.name});
        entries.push_back({kSection, Numbered(L"Url", i), s.url});
        entries.push_back({kSection, Numbered(L"Color", i), ini::FormatColour(s.color)});
        entries.push_back({kSection, Numbered(L"Shown", i), ini::FormatYesNo(s.shown)});
    }
}

namespace feeds {

std::wstring_view Trimmed(std::wstring_view text)
{
    const auto first = text.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

std::wstring FetchUrl(std::wstring_view url)
{
    url = Trimmed(url);
    if (StartsWithNoCase(url, L"webcal://"))
        return L"https://" + std::wstring(url.substr(9));
    if (StartsWithNoCase(url, L"http://") || StartsWithNoCase(url, L"https://"))
        return std::wstring(url);
    return {};
}

std::wstring Folder(const std::wstring& dataDirectory) { return dataDirectory + L"qv.feeds\\"; }

std::wstring Key(std::wstring_view url)
{
    // FNV-1a over the UTF-16 units: stable across runs and builds.
    std::uint64_t hash = 14695981039346656037ull;
    for (const wchar_t c : Trimmed(url)) {
        hash = (hash ^ (static_cast<std::uint16_t>(c) & 0xFF)) * 1099511628211ull;
        hash = (hash ^ (static_cast<std::uint16_t>(c) >> 8)) * 1099511628211ull;
    }
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring key(16, L'0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        key[static_cast<std::size_t>(i)] = kDigits[hash & 0xF];
    return key;
}

std::wstring BodyPath(const std::wstring& dataDirectory, std::wstring_view url)
{
    return Folder(dataDirectory) + Key(url) + L".ics";
}

std::wstring StatePath(const std::wstring& dataDirectory, std::wstring_view url)
{
    return Folder(dataDirectory) + Key(url) + L".state";
}

} // namespace feeds
