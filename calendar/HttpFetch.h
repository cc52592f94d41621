// One download of an online calendar over WinHTTP, synchronous, for a worker
// thread: the system's proxy settings, certificates always checked, at most
// five redirects, the kept copy's validators as conditions, and limits on
// time and size.
#pragma once
#include "app/Win.h"
#include "calendar/FeedStore.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

struct HttpResult {
    FeedOutcome outcome = FeedOutcome::Ok; // Ok: a body (2xx) or the kept one confirmed (304)
    int detail = 0;                        // the HTTP status, or the system's error code
    bool notModified = false;
    std::string body; // decompressed where the system decompresses
    std::string etag, lastModified;
};

class HttpFetch {
public:
    static constexpr std::size_t kMaxBodyBytes = 20u * 1024 * 1024;
    static constexpr int kMaxRedirects = 5;
    static constexpr std::chrono::milliseconds kConnectTimeout{15000};
    static constexpr std::chrono::milliseconds kDownloadTimeout{60000};

    HttpFetch();
    ~HttpFetch();
    HttpFetch(const HttpFetch&) = delete;
    HttpFetch& operator=(const HttpFetch&) = delete;

    // GET of an http or https address; `etag` and `lastModified` (empty for
    // none) are sent as If-None-Match and If-Modified-Since.
    HttpResult Get(const std::wstring& url, const std::string& etag, const std::string& lastModified);
    // From any thread: the download under way and every later one end as soon
    // as the system lets them (Timeout with detail ERROR_CANCELLED).
    void Cancel();

    // The proxy for an address: the system's settings, with what automatic
    // detection or a configuration script gave kept for a while per server.
    struct Proxy {
        DWORD access = 1; // WINHTTP_ACCESS_TYPE_NO_PROXY
        std::wstring proxy, bypass;
    };

private:
    struct Hop;
    Proxy ProxyFor(const std::wstring& url, const std::wstring& server);
    HttpResult Request(Hop& hop, const std::string& etag, const std::string& lastModified);
    // The request handle of the download under way; closed by the deadline or Cancel.
    void SetCurrent(void* request);
    void Abort(bool cancel);

    std::mutex mutex_;
    void* current_ = nullptr;
    bool cancelled_ = false;
    bool expired_ = false;
    std::map<std::wstring, std::pair<std::chrono::steady_clock::time_point, Proxy>> detected_;
};
