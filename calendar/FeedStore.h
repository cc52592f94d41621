// The kept copies of the online calendars: per subscription the last good body
// as it was downloaded, and the state of its refreshes, in the folder qv.feeds
// beside qv.dat. Files are named by the address's key, never by the address.
#pragma once
#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// What the last refresh of a subscription gave.
enum class FeedOutcome {
    None,             // never refreshed
    Ok,               // a new body kept, or the kept one confirmed (304 or the same bytes)
    HttpError,        // detail: the HTTP status
    CannotConnect,    // detail: the system's error code
    Certificate,      // the server's certificate was refused
    Timeout,          // no answer within the connect or download time
    TooLarge,         // a body over the size limit
    TooManyRedirects, // more redirects than allowed, or a loop
    InsecureRedirect, // a redirect from https to http
    NotCalendar,      // detail: the line where the body stops being iCalendar
    BadAddress,       // not an http, https or webcal address
    WriteFailed,      // detail: the system's error code; the kept copy stays as it was
};

struct FeedState {
    // The validators of the kept body, sent back as If-None-Match / If-Modified-Since.
    std::string etag, lastModified;
    std::optional<std::chrono::sys_seconds> lastGood; // the last refresh that gave or confirmed the kept body
    FeedOutcome outcome = FeedOutcome::None;
    int detail = 0;

    bool operator==(const FeedState&) const = default;
};

// The state file's text (UTF-8, CRLF, "Name=value" lines) and back; unknown
// or broken lines are skipped.
std::string FormatFeedState(const FeedState& state);
FeedState ParseFeedState(std::string_view text);

class FeedStore {
public:
    // `dataDirectory`: where qv.dat lives, with its trailing backslash.
    explicit FeedStore(std::wstring dataDirectory) : directory_(std::move(dataDirectory)) {}

    // A subscription that was never refreshed has the default state.
    FeedState ReadState(std::wstring_view url) const;
    bool HasBody(std::wstring_view url) const;
    // The last good body; null when none is kept.
    std::optional<std::string> ReadBody(std::wstring_view url) const;
    // Each replaces its file in one step (a temporary file flushed and moved
    // over it); false, with the old file intact, when that failed.
    bool WriteState(std::wstring_view url, const FeedState& state) const;
    bool KeepBody(std::wstring_view url, std::string_view body) const;
    // Removes the kept files of every address but these, and temporary files
    // of interrupted writes; files the program did not name are left alone.
    // Not while a write may be under way.
    void RemoveAllBut(std::span<const std::wstring> urls) const;

private:
    bool Replace(const std::wstring& path, std::string_view bytes) const;

    std::wstring directory_;
};
