#include "calendar/FeedStatus.h"

#include "app/Application.h"
#include "resource.h"

namespace {
std::wstring UpdatedText(std::chrono::sys_seconds when)
{
    // FILETIME counts 100 ns from 1601; the system clock's epoch is 1970.
    constexpr long long kEpochDifference = 11644473600LL;
    const unsigned long long ticks =
        static_cast<unsigned long long>(when.time_since_epoch().count() + kEpochDifference) * 10000000ULL;
    const FILETIME utc{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME u{};
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&utc, &u) || !SystemTimeToTzSpecificLocalTime(nullptr, &u, &local))
        return {};
    return ResFormat(IDS_FEED_UPDATED, local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute);
}
} // namespace

std::wstring FeedStatusText(const FeedState& state)
{
    switch (state.outcome) {
    case FeedOutcome::None: return ResString(IDS_FEED_NOT_YET);
    case FeedOutcome::Ok: return state.lastGood ? UpdatedText(*state.lastGood) : ResString(IDS_FEED_NOT_YET);
    case FeedOutcome::HttpError:
        if (state.detail == 404 || state.detail == 410)
            return ResFormat(IDS_FEED_NOT_FOUND, state.detail);
        if (state.detail == 401 || state.detail == 403)
            return ResFormat(IDS_FEED_DENIED, state.detail);
        return ResFormat(state.detail >= 500 ? IDS_FEED_SERVER_ERROR : IDS_FEED_HTTP_ERROR, state.detail);
    case FeedOutcome::CannotConnect: return ResString(IDS_FEED_CANNOT_CONNECT);
    case FeedOutcome::Certificate: return ResString(IDS_FEED_CERTIFICATE);
    case FeedOutcome::Timeout: return ResString(IDS_FEED_TIMEOUT);
    case FeedOutcome::TooLarge: return ResString(IDS_FEED_TOO_LARGE);
    case FeedOutcome::TooManyRedirects: return ResString(IDS_FEED_REDIRECTS);
    case FeedOutcome::InsecureRedirect: return ResString(IDS_FEED_INSECURE_REDIRECT);
    case FeedOutcome::NotCalendar: return ResFormat(IDS_FEED_NOT_CALENDAR, state.detail);
    case FeedOutcome::BadAddress: return ResString(IDS_FEED_BAD_ADDRESS);
    case FeedOutcome::WriteFailed: return ResString(IDS_FEED_WRITE_FAILED);
    }
    return {};
}
