#include "calendar/FeedRefresher.h"

#include "app/Handle.h"
#include "calendar/HttpFetch.h"
#include "calendar/ICalendar.h"
#include "calendar/Subscriptions.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace {
constexpr DWORD kStopWaitMs = 3000;

bool SameKey(const std::wstring& a, const std::wstring& b) { return feeds::Key(a) == feeds::Key(b); }
} // namespace

FetchedFeed FetchFeed(const FeedStore& store, const std::wstring& url, HttpFetch& fetch, std::chrono::sys_seconds now)
{
    FetchedFeed out{store.ReadState(url), std::nullopt};
    FeedState& state = out.state;
    const auto fail = [&](FeedOutcome outcome, int detail) {
        state.outcome = outcome;
        state.detail = detail;
        return out;
    };
    const std::wstring address = feeds::FetchUrl(url);
    if (address.empty())
        return fail(FeedOutcome::BadAddress, 0);
    // Validators without the body they describe would make a 304 confirm nothing.
    const bool haveBody = store.HasBody(url);
    HttpResult got = haveBody ? fetch.Get(address, state.etag, state.lastModified) : fetch.Get(address, {}, {});
    if (got.outcome != FeedOutcome::Ok)
        return fail(got.outcome, got.detail);
    if (got.notModified && !haveBody)
        return fail(FeedOutcome::HttpError, 304);
    if (!got.notModified) {
        const std::optional<std::string> kept = haveBody ? store.ReadBody(url) : std::nullopt;
        if (!kept || *kept != got.body) {
            auto feed = std::make_shared<const FeedCalendar>(FeedCalendar::Parse(got.body));
            if (feed->Error() != ical::ParseError::None)
                return fail(FeedOutcome::NotCalendar, feed->ErrorLine());
            out.body = std::move(got.body);
            out.feed = std::move(feed);
        }
        state.etag = got.etag;
        state.lastModified = got.lastModified;
    }
    state.lastGood = now;
    return fail(FeedOutcome::Ok, 0);
}

bool KeepFeed(const FeedStore& store, const std::wstring& url, FetchedFeed& fetched)
{
    bool kept = false;
    if (fetched.body) {
        kept = store.KeepBody(url, *fetched.body);
        if (!kept) {
            // The state goes on describing the body that is still there.
            const DWORD error = GetLastError();
            fetched.state = store.ReadState(url);
            fetched.state.outcome = FeedOutcome::WriteFailed;
            fetched.state.detail = static_cast<int>(error);
        }
    }
    store.WriteState(url, fetched.state);
    return kept;
}

struct FeedRefresher::Shared {
    Shared(std::wstring directory, HWND w, UINT m) : store(std::move(directory)), window(w), message(m) {}

    FeedStore store;
    HttpFetch fetch;
    const HWND window;
    const UINT message;
    UniqueHandle finished{CreateEventW(nullptr, TRUE, FALSE, nullptr)};

    std::mutex mutex; // guards what follows
    std::condition_variable wake;
    bool stop = false;
    bool sweep = false;
    std::vector<std::wstring> known, pending;
    unsigned nextRound = 1;
    std::vector<Report> reports;
    std::vector<Kept> kept;

    bool Known(const std::wstring& url) const
    {
        return std::any_of(known.begin(), known.end(), [&](const std::wstring& k) { return SameKey(k, url); });
    }
};

FeedRefresher::FeedRefresher(std::wstring dataDirectory, HWND window, UINT message)
    : shared_(std::make_shared<Shared>(std::move(dataDirectory), window, message))
{
}

FeedRefresher::~FeedRefresher() { Stop(); }

void FeedRefresher::SetSubscriptions(std::vector<std::wstring> urls)
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->known = std::move(urls);
        shared_->sweep = true;
    }
    // Files are only ever written and removed by the worker, one after the other.
    if (!worker_.joinable())
        worker_ = std::thread(Work, shared_);
    shared_->wake.notify_one();
}

unsigned FeedRefresher::Request(std::span<const std::wstring> urls)
{
    unsigned round = 0;
    {
        const std::lock_guard lock(shared_->mutex);
        if (shared_->stop || urls.empty())
            return 0;
        for (const std::wstring& url : urls)
            if (std::none_of(shared_->pending.begin(), shared_->pending.end(),
                             [&](const std::wstring& p) { return SameKey(p, url); }))
                shared_->pending.push_back(url);
        round = shared_->nextRound;
    }
    if (!worker_.joinable())
        worker_ = std::thread(Work, shared_);
    shared_->wake.notify_one();
    return round;
}

std::vector<FeedRefresher::Report> FeedRefresher::TakeReports()
{
    const std::lock_guard lock(shared_->mutex);
    return std::exchange(shared_->reports, {});
}

std::vector<FeedRefresher::Kept> FeedRefresher::TakeKept()
{
    const std::lock_guard lock(shared_->mutex);
    return std::exchange(shared_->kept, {});
}

void FeedRefresher::Stop()
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
    }
    shared_->wake.notify_one();
    shared_->fetch.Cancel();
    if (!worker_.joinable())
        return;
    if (WaitForSingleObject(shared_->finished.get(), kStopWaitMs) == WAIT_OBJECT_0)
        worker_.join();
    else
        worker_.detach(); // it holds its own share of the state and writes nothing once stopped
}

void FeedRefresher::Work(const std::shared_ptr<Shared>& shared)
{
    Shared& s = *shared;
    // Under the lock: removes the files of subscriptions that are gone, when asked to.
    const auto sweepIfAsked = [&](std::unique_lock<std::mutex>& lock) {
        if (!s.sweep)
            return;
        s.sweep = false;
        const std::vector<std::wstring> known = s.known;
        lock.unlock();
        s.store.RemoveAllBut(known);
        lock.lock();
    };
    std::unique_lock lock(s.mutex);
    while (true) {
        s.wake.wait(lock, [&] { return s.stop || s.sweep || !s.pending.empty(); });
        if (s.stop)
            break;
        sweepIfAsked(lock);
        if (s.pending.empty())
            continue;
        const std::vector<std::wstring> round = std::exchange(s.pending, {});
        const unsigned number = s.nextRound++;
        int failed = 0;
        for (const std::wstring& url : round) {
            lock.unlock();
            const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
            FetchedFeed fetched = FetchFeed(s.store, url, s.fetch, now);
            lock.lock();
            if (s.stop)
                break;
            if (!s.Known(url)) // removed while it was downloaded
                continue;
            lock.unlock();
            const bool changed = KeepFeed(s.store, url, fetched);
            if (changed && fetched.feed) {
                const std::lock_guard keptLock(s.mutex);
                s.kept.push_back({url, std::move(fetched.feed)});
            }
            failed += fetched.state.outcome == FeedOutcome::Ok ? 0 : 1;
            PostMessageW(s.window, s.message, kFeedDone, changed ? 1 : 0);
            lock.lock();
            sweepIfAsked(lock);
        }
        if (s.stop)
            break;
        s.reports.push_back({number, static_cast<int>(round.size()), failed});
        PostMessageW(s.window, s.message, kRoundDone, static_cast<LPARAM>(number));
    }
    lock.unlock();
    SetEvent(s.finished.get());
}
