#include "calendar/FeedStore.h"

#include "app/Application.h"
#include "calendar/FileIO.h"
#include "calendar/Subscriptions.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <cwctype>
#include <vector>

namespace {
constexpr std::size_t kMaxStateBytes = 64 * 1024;
// Bodies are refused over 20 MB when downloaded; anything bigger here is not ours.
constexpr std::size_t kMaxBodyBytes = 64 * 1024 * 1024;
// The display maps a kept body while it parses it, which takes a while for a large one.
constexpr DWORD kReaderWaitMs = 1500;

struct OutcomeWord {
    FeedOutcome outcome;
    const char* word;
};
constexpr std::array<OutcomeWord, 12> kOutcomeWords{{
    {FeedOutcome::None, "none"},
    {FeedOutcome::Ok, "ok"},
    {FeedOutcome::HttpError, "http"},
    {FeedOutcome::CannotConnect, "connect"},
    {FeedOutcome::Certificate, "certificate"},
    {FeedOutcome::Timeout, "timeout"},
    {FeedOutcome::TooLarge, "too-large"},
    {FeedOutcome::TooManyRedirects, "redirects"},
    {FeedOutcome::InsecureRedirect, "insecure-redirect"},
    {FeedOutcome::NotCalendar, "not-calendar"},
    {FeedOutcome::BadAddress, "address"},
    {FeedOutcome::WriteFailed, "write"},
}};

// Header values come from servers: a line break would forge another line of the file.
std::string OneLine(std::string_view text)
{
    std::string out;
    for (const char c : text)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

std::string FormatTime(std::chrono::sys_seconds t)
{
    const auto day = std::chrono::floor<std::chrono::days>(t);
    const std::chrono::year_month_day ymd{day};
    const std::chrono::hh_mm_ss hms{t - day};
    char text[32];
    std::snprintf(text, sizeof(text), "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                  static_cast<int>(hms.seconds().count()));
    return text;
}

std::optional<std::chrono::sys_seconds> ParseTime(const std::string& text)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char z = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &z) != 7 || z != 'Z')
        return std::nullopt;
    const std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(mo)},
                                          std::chrono::day{static_cast<unsigned>(d)}};
    if (!ymd.ok() || h > 23 || mi > 59 || s > 60 || h < 0 || mi < 0 || s < 0)
        return std::nullopt;
    return std::chrono::sys_days{ymd} + std::chrono::hours{h} + std::chrono::minutes{mi} + std::chrono::seconds{s};
}

// The whole file, shared with writers that replace it; null when missing, unreadable or too big.
std::optional<std::string> ReadShared(const std::wstring& path, std::size_t maxBytes)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr) ||
            got == 0)
            return std::nullopt;
        done += got;
    }
    return bytes;
}

bool IsKeyedName(std::wstring_view name)
{
    if (name.size() < 17 || name[16] != L'.')
        return false;
    for (std::size_t i = 0; i < 16; ++i)
        if (!std::iswxdigit(name[i]) || std::iswupper(name[i]))
            return false;
    return true;
}

std::wstring ResolvedDirectory(std::wstring directory)
{
    if (directory.empty() && TheApp() != nullptr)
        TheApp()->ModuleDirectory(directory);
    return directory;
}
} // namespace

std::string FormatFeedState(const FeedState& state)
{
    std::string text;
    const auto line = [&](const char* name, const std::string& value) {
        text += name;
        text += '=';
        text += value;
        text += "\r\n";
    };
    if (!state.etag.empty())
        line("ETag", OneLine(state.etag));
    if (!state.lastModified.empty())
        line("LastModified", OneLine(state.lastModified));
    if (state.lastGood)
        line("Refreshed", FormatTime(*state.lastGood));
    for (const OutcomeWord& w : kOutcomeWords) {
        if (w.outcome != state.outcome)
            continue;
        std::string result = w.word;
        if (state.detail != 0)
            result.append(" ").append(std::to_string(state.detail));
        line("Result", result);
    }
    return text;
}

FeedState ParseFeedState(std::string_view text)
{
    FeedState state;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view row = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (row.ends_with('\r'))
            row.remove_suffix(1);
        const std::size_t equals = row.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view name = row.substr(0, equals);
        const std::string value(row.substr(equals + 1));
        if (name == "ETag") {
            state.etag = value;
        } else if (name == "LastModified") {
            state.lastModified = value;
        } else if (name == "Refreshed") {
            state.lastGood = ParseTime(value);
        } else if (name == "Result") {
            const std::size_t space = value.find(' ');
            const std::string word = value.substr(0, space);
            for (const OutcomeWord& w : kOutcomeWords) {
                if (word != w.word)
                    continue;
                state.outcome = w.outcome;
                state.detail = space == std::string::npos ? 0 : std::atoi(value.c_str() + space + 1);
            }
        }
    }
    return state;
}

FeedState FeedStore::ReadState(std::wstring_view url) const
{
    const std::optional<std::string> text =
        ReadShared(feeds::StatePath(ResolvedDirectory(directory_), url), kMaxStateBytes);
    return text ? ParseFeedState(*text) : FeedState{};
}

bool FeedStore::HasBody(std::wstring_view url) const
{
    return GetFileAttributesW(feeds::BodyPath(ResolvedDirectory(directory_), url).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> FeedStore::ReadBody(std::wstring_view url) const
{
    return ReadShared(feeds::BodyPath(ResolvedDirectory(directory_), url), kMaxBodyBytes);
}

bool FeedStore::WriteState(std::wstring_view url, const FeedState& state) const
{
    return Replace(feeds::StatePath(ResolvedDirectory(directory_), url), FormatFeedState(state));
}

bool FeedStore::KeepBody(std::wstring_view url, std::string_view body) const
{
    return Replace(feeds::BodyPath(ResolvedDirectory(directory_), url), body);
}

bool FeedStore::Replace(const std::wstring& path, std::string_view bytes) const
{
    const std::wstring folder = feeds::Folder(ResolvedDirectory(directory_));
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    FileReplacement replacement(path, path + L".new");
    const std::span<const std::uint8_t> piece(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return replacement.Write(std::span(&piece, 1)) && replacement.Commit(kReaderWaitMs);
}

void FeedStore::RemoveAllBut(std::span<const std::wstring> urls) const
{
    std::vector<std::wstring> keys;
    for (const std::wstring& url : urls)
        keys.push_back(feeds::Key(url));
    const std::wstring folder = feeds::Folder(ResolvedDirectory(directory_));
    WIN32_FIND_DATAW found{};
    const UniqueFind search(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!search)
        return;
    do {
        const std::wstring_view name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !IsKeyedName(name))
            continue;
        // A temporary file left by an interrupted write goes too.
        bool kept = false;
        for (const std::wstring& key : keys)
            kept = kept || (name.substr(0, 16) == key && !name.ends_with(L".new"));
        if (!kept)
            DeleteFileW((folder + std::wstring(name)).c_str());
    } while (FindNextFileW(search.get(), &found));
    RemoveDirectoryW(folder.c_str()); // only when nothing is left in it
}
