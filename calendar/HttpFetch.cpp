#include "calendar/HttpFetch.h"

#include "app/Handle.h"

#include <shlwapi.h>
#include <winhttp.h>

#include <algorithm>

namespace {
using Clock = std::chrono::steady_clock;

using UniqueInternet = OwnedHandle<HINTERNET, WinHttpCloseHandle, 0>;
using GlobalText = OwnedHandle<wchar_t*, GlobalFree, 0>;

constexpr wchar_t kAgent[] = L"Mosaryn/1.0";

// The deadline of one download: the request under way is closed when it passes.
class Watchdog {
public:
    Watchdog(std::chrono::milliseconds after, PTP_TIMER_CALLBACK callback, void* context)
        : timer_(CreateThreadpoolTimer(callback, context, nullptr))
    {
        if (timer_ == nullptr)
            return;
        // Relative due times are negative counts of 100 ns.
        const long long due = -static_cast<long long>(after.count()) * 10000;
        FILETIME when{static_cast<DWORD>(due & 0xFFFFFFFF),
                      static_cast<DWORD>(static_cast<unsigned long long>(due) >> 32)};
        SetThreadpoolTimer(timer_, &when, 0, 0);
    }
    ~Watchdog()
    {
        if (timer_ == nullptr)
            return;
        SetThreadpoolTimer(timer_, nullptr, 0, 0);
        WaitForThreadpoolTimerCallbacks(timer_, TRUE);
        CloseThreadpoolTimer(timer_);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    PTP_TIMER timer_;
};

FeedOutcome OutcomeOfError(DWORD error)
{
    switch (error) {
    case ERROR_WINHTTP_SECURE_FAILURE:
    // Wine reports every certificate failure as a secure-channel error.
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED: return FeedOutcome::Certificate;
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT: return FeedOutcome::Timeout;
    case ERROR_WINHTTP_REDIRECT_FAILED: return FeedOutcome::TooManyRedirects;
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return FeedOutcome::BadAddress;
    default: return FeedOutcome::CannotConnect;
    }
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (const wchar_t c : text)
        if (c >= 0x20 && c < 0x7F) // header values are ASCII; anything else is not sent back
            out += static_cast<char>(c);
    return out;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring QueryHeader(HINTERNET request, DWORD which)
{
    DWORD size = 0;
    WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return {};
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                             WINHTTP_NO_HEADER_INDEX))
        return {};
    value.resize(size / sizeof(wchar_t));
    return value;
}

// A Location against the address it came from; empty when it cannot be made into an address.
std::wstring Resolve(const std::wstring& base, const std::wstring& location)
{
    std::wstring out(2048, L'\0');
    DWORD size = static_cast<DWORD>(out.size());
    HRESULT hr = UrlCombineW(base.c_str(), location.c_str(), out.data(), &size, 0);
    if (hr == E_POINTER) {
        out.assign(static_cast<std::size_t>(size) + 1, L'\0');
        size = static_cast<DWORD>(out.size());
        hr = UrlCombineW(base.c_str(), location.c_str(), out.data(), &size, 0);
    }
    if (FAILED(hr))
        return {};
    out.resize(size);
    return out;
}

bool IsHttps(const std::wstring& url) { return url.size() >= 8 && _wcsnicmp(url.c_str(), L"https://", 8) == 0; }

// A session for one request, through the proxy chosen for its address (Wine
// takes the proxy only from the session).
UniqueInternet OpenSession(const HttpFetch::Proxy& proxy)
{
    const bool named = proxy.access == WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    UniqueInternet session(WinHttpOpen(kAgent, proxy.access, named ? proxy.proxy.c_str() : WINHTTP_NO_PROXY_NAME,
                                       named && !proxy.bypass.empty() ? proxy.bypass.c_str() : WINHTTP_NO_PROXY_BYPASS,
                                       0));
    // Where WinHTTP undoes gzip and deflate itself this makes it ask for them;
    // where it cannot (older systems, Wine) nothing asks for compression.
    DWORD flags = WINHTTP_DECOMPRESSION_FLAG_ALL;
    if (session)
        WinHttpSetOption(session.get(), WINHTTP_OPTION_DECOMPRESSION, &flags, sizeof(flags));
    return session;
}

bool IsRedirect(DWORD status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}
} // namespace

HttpFetch::Proxy HttpFetch::ProxyFor(const std::wstring& url, const std::wstring& server)
{
    // Detection asks the network (DHCP, DNS) and takes a while; what it found holds for some minutes.
    constexpr auto kKeepDetected = std::chrono::minutes(10);
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&ie))
        return {};
    const GlobalText script(ie.lpszAutoConfigUrl), proxy(ie.lpszProxy), bypass(ie.lpszProxyBypass);
    const Proxy named =
        proxy ? Proxy{WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.get(), bypass ? bypass.get() : L""} : Proxy{};
    if (!ie.fAutoDetect && !script)
        return named;
    const auto now = Clock::now();
    if (const auto known = detected_.find(server);
        known != detected_.end() && now - known->second.first < kKeepDetected)
        return known->second.second;
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags =
        (ie.fAutoDetect ? WINHTTP_AUTOPROXY_AUTO_DETECT : 0) | (script ? WINHTTP_AUTOPROXY_CONFIG_URL : 0);
    options.dwAutoDetectFlags = ie.fAutoDetect ? WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A : 0;
    options.lpszAutoConfigUrl = script.get();
    options.fAutoLogonIfChallenged = TRUE;
    const UniqueInternet lookup(
        WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    WINHTTP_PROXY_INFO found{};
    Proxy chosen = named; // nothing detected: the named proxy, if any
    if (lookup && WinHttpGetProxyForUrl(lookup.get(), url.c_str(), &options, &found)) {
        const GlobalText foundProxy(found.lpszProxy), foundBypass(found.lpszProxyBypass);
        chosen = found.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && foundProxy
                     ? Proxy{WINHTTP_ACCESS_TYPE_NAMED_PROXY, foundProxy.get(), foundBypass ? foundBypass.get() : L""}
                     : Proxy{};
    }
    detected_[server] = {now, chosen};
    return chosen;
}

struct HttpFetch::Hop {
    std::wstring url;
    Clock::time_point deadline;
    std::wstring location; // set when the answer is a redirect
};

HttpFetch::HttpFetch() = default;

HttpFetch::~HttpFetch() = default;

void HttpFetch::Cancel() { Abort(true); }

void HttpFetch::Abort(bool cancel)
{
    const std::lock_guard lock(mutex_);
    (cancel ? cancelled_ : expired_) = true;
    // Closing the handle ends a call blocked on it on Windows; Wine lets the
    // call run into its own time-outs.
    if (current_ != nullptr)
        WinHttpCloseHandle(current_);
    current_ = nullptr;
}

void HttpFetch::SetCurrent(void* request)
{
    const std::lock_guard lock(mutex_);
    if (current_ != nullptr)
        WinHttpCloseHandle(current_);
    current_ = request;
    if (current_ != nullptr && (cancelled_ || expired_)) {
        WinHttpCloseHandle(current_);
        current_ = nullptr;
    }
}

HttpResult HttpFetch::Get(const std::wstring& url, const std::string& etag, const std::string& lastModified)
{
    {
        const std::lock_guard lock(mutex_);
        expired_ = false;
    }
    const Watchdog watchdog(
        kDownloadTimeout,
        [](PTP_CALLBACK_INSTANCE, void* self, PTP_TIMER) { static_cast<HttpFetch*>(self)->Abort(false); }, this);
    const Clock::time_point deadline = Clock::now() + kDownloadTimeout;
    std::wstring address = url;
    for (int redirects = 0;; ++redirects) {
        Hop hop{address, deadline, {}};
        HttpResult result = Request(hop, etag, lastModified);
        if (hop.location.empty())
            return result;
        if (redirects == kMaxRedirects)
            return {FeedOutcome::TooManyRedirects};
        const std::wstring next = Resolve(address, hop.location);
        if (next.empty())
            return {FeedOutcome::BadAddress};
        if (IsHttps(address) && !IsHttps(next))
            return {FeedOutcome::InsecureRedirect};
        address = next;
    }
}

HttpResult HttpFetch::Request(Hop& hop, const std::string& etag, const std::string& lastModified)
{
    const auto failed = [&](DWORD error) -> HttpResult {
        const std::lock_guard lock(mutex_);
        if (cancelled_)
            return {FeedOutcome::Timeout, ERROR_CANCELLED};
        if (expired_)
            return {FeedOutcome::Timeout, WSAETIMEDOUT};
        return {OutcomeOfError(error), static_cast<int>(error)};
    };
    const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(hop.deadline - Clock::now());
    if (remaining.count() <= 0)
        return {FeedOutcome::Timeout, WSAETIMEDOUT};
    URL_COMPONENTS parts{sizeof(parts)};
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength =
        static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(hop.url.c_str(), 0, 0, &parts) || parts.dwHostNameLength == 0 ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
        return {FeedOutcome::BadAddress};
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath != nullptr ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
    if (parts.lpszExtraInfo != nullptr)
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty())
        path = L"/";

    const UniqueInternet session =
        OpenSession(ProxyFor(hop.url, std::wstring(parts.lpszScheme, parts.dwSchemeLength) + L"://" + host + L":" +
                                          std::to_wstring(parts.nPort)));
    if (!session)
        return failed(GetLastError());
    const UniqueInternet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection)
        return failed(GetLastError());
    const wchar_t* accept[] = {L"text/calendar", L"*/*", nullptr};
    HINTERNET request = WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER, accept,
                                           parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    if (request == nullptr)
        return failed(GetLastError());
    // From here on the handle is closed by SetCurrent or by Abort, whichever comes first.
    SetCurrent(request);
    struct Release {
        HttpFetch* self;
        ~Release() { self->SetCurrent(nullptr); }
    } release{this};

    const int connect = static_cast<int>(std::min(remaining, kConnectTimeout).count());
    const int whole = static_cast<int>(remaining.count());
    WinHttpSetTimeouts(request, connect, connect, whole, whole);
    // Wine bounds the wait for the headers only by this option.
    DWORD responseTimeout = static_cast<DWORD>(whole);
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout, sizeof(responseTimeout));
    // Redirects are followed here, to count them and to refuse a step down from https.
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof(disable));

    std::wstring headers;
    if (!etag.empty())
        headers += L"If-None-Match: " + Widen(etag) + L"\r\n";
    if (!lastModified.empty())
        headers += L"If-Modified-Since: " + Widen(lastModified) + L"\r\n";
    if (!WinHttpSendRequest(request, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                            headers.empty() ? 0 : static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request, nullptr))
        return failed(GetLastError());

    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return failed(GetLastError());
    if (IsRedirect(status)) {
        hop.location = QueryHeader(request, WINHTTP_QUERY_LOCATION);
        if (!hop.location.empty())
            return {};
    }
    if (status == 304)
        return {FeedOutcome::Ok, 304, true};
    if (status < 200 || status > 299)
        return {FeedOutcome::HttpError, static_cast<int>(status)};

    HttpResult result{FeedOutcome::Ok, static_cast<int>(status)};
    result.etag = Narrow(QueryHeader(request, WINHTTP_QUERY_ETAG));
    result.lastModified = Narrow(QueryHeader(request, WINHTTP_QUERY_LAST_MODIFIED));
    // A declared length over the limit is refused before anything is read
    // (compressed, it would come out larger still).
    const unsigned long long declared =
        _wcstoui64(QueryHeader(request, WINHTTP_QUERY_CONTENT_LENGTH).c_str(), nullptr, 10);
    if (declared > kMaxBodyBytes)
        return {FeedOutcome::TooLarge};
    result.body.reserve(static_cast<std::size_t>(std::min<unsigned long long>(declared, kMaxBodyBytes)));
    // Reads in large pieces; one byte past the limit is enough to refuse.
    constexpr DWORD kPiece = 256 * 1024;
    for (;;) {
        const std::size_t old = result.body.size();
        result.body.resize(old + kPiece);
        DWORD got = 0;
        if (!WinHttpReadData(request, result.body.data() + old, kPiece, &got))
            return failed(GetLastError());
        result.body.resize(old + got);
        if (got == 0)
            break;
        if (result.body.size() > kMaxBodyBytes)
            return {FeedOutcome::TooLarge};
        if (Clock::now() >= hop.deadline)
            return {FeedOutcome::Timeout, WSAETIMEDOUT};
    }
    return result;
}
