// The online calendars the user subscribed to, as kept in qv.ini's
// [Subscriptions] section, and where their last good copies are kept.
#pragma once
#include "settings/IniSection.h"
#include "settings/Settings.h"

#include <string>
#include <string_view>
#include <vector>

struct Subscription {
    std::wstring name;
    std::wstring url; // as the user gave it; it may carry a secret token
    Argb color = 0xFF1E90FF;
    bool shown = true;
};

class SubscriptionList final : public IniSection {
public:
    static constexpr int kMinRefreshMinutes = 15;
    static constexpr int kMaxRefreshMinutes = 1440;
    static constexpr int kDefaultRefreshMinutes = 60;

    std::vector<Subscription> items;
    int refreshMinutes = kDefaultRefreshMinutes;

    // Count, RefreshMinutes and NameN/UrlN/ColorN/ShownN from 1; an entry
    // without a name or a usable address is skipped.
    void Load(const IniFile& file) override;
    // The whole section anew, once the file has one or there is anything to keep.
    void AppendEntries(std::vector<IniEntry>& entries) const override;

private:
    // The file has the section, or will once the entries appended are written.
    mutable bool inFile_ = false;
};

namespace feeds {
// Without the blanks and tabs around it, as addresses and names are kept.
std::wstring_view Trimmed(std::wstring_view text);
// The address to fetch: webcal:// as https://, http:// and https:// as given;
// empty for anything else.
std::wstring FetchUrl(std::wstring_view url);
// The folder of the kept copies beside qv.dat: `dataDirectory` (with its
// trailing backslash) and "qv.feeds\".
std::wstring Folder(const std::wstring& dataDirectory);
// A subscription's files are named by a hash of its address, so the address
// itself is stored nowhere but qv.ini: 16 hexadecimal digits.
std::wstring Key(std::wstring_view url);
// The last good body as it was downloaded, and the state of its refreshes.
std::wstring BodyPath(const std::wstring& dataDirectory, std::wstring_view url);
std::wstring StatePath(const std::wstring& dataDirectory, std::wstring_view url);
} // namespace feeds
