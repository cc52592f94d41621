// What a refresh of an online calendar costs: a 5 MB feed (10 000 events, 2 000
// of them recurring, 50 zones) from a loopback server, fetched the first time
// (download, check, keep), unchanged with its ETag (304), and unchanged from a
// server without validators (the same bytes); the check alone for comparison.
// Winsock first: it must come before windows.h.
#include <winsock2.h>

#include "bench/BenchSupport.h"
#include "app/TextCodec.h"
#include "calendar/FeedRefresher.h"
#include "calendar/HttpFetch.h"
#include "calendar/ICalendar.h"

#include <atomic>
#include <psapi.h>
#include <thread>

using namespace bench;

namespace {
std::string Feed(int events, int recurring, int zones)
{
    std::string out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//\r\n";
    char line[512];
    for (int z = 0; z < zones; ++z) {
        std::snprintf(line, sizeof line,
                      "BEGIN:VTIMEZONE\r\nTZID:Zone/%d\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\n"
                      "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nTZOFFSETFROM:+0%d00\r\nTZOFFSETTO:+0%d00\r\n"
                      "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:19700329T020000\r\n"
                      "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nTZOFFSETFROM:+0%d00\r\nTZOFFSETTO:+0%d00\r\n"
                      "END:DAYLIGHT\r\nEND:VTIMEZONE\r\n",
                      z, z % 9 + 1, z % 9, z % 9, z % 9 + 1);
        out += line;
    }
    for (int i = 0; i < events; ++i) {
        std::snprintf(line, sizeof line,
                      "BEGIN:VEVENT\r\nUID:bench-%d@example.com\r\nDTSTAMP:20260101T000000Z\r\n"
                      "DTSTART;TZID=Zone/%d:2026%02d%02dT%02d0000\r\nDTEND;TZID=Zone/%d:2026%02d%02dT%02d3000\r\n%s"
                      "LOCATION:Room %d\\, building %d\r\n",
                      i, i % zones, 1 + i % 12, 1 + i % 28, 8 + i % 10, i % zones, 1 + i % 12, 1 + i % 28, 8 + i % 10,
                      i < recurring ? "RRULE:FREQ=WEEKLY;BYDAY=MO,WE;COUNT=40\r\nEXDATE:20260105T090000Z\r\n" : "",
                      i % 40, i % 7);
        out += line;
        out += ical::FoldLine("SUMMARY:" + ToUtf8(L"定例の打ち合わせ " + std::to_wstring(i)));
        out += ical::FoldLine(ToUtf8(L"DESCRIPTION:議題の確認と資料の共有\\, 次回の予定") + std::string(200, 'x'));
        out += "END:VEVENT\r\n";
    }
    return out + "END:VCALENDAR\r\n";
}

// Answers GET with the body and an ETag, or 304 to a matching If-None-Match when validators are on.
class LoopbackServer {
public:
    explicit LoopbackServer(const std::string& body) : body_(body)
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int size = sizeof(address);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        listen(listener_, 8);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackServer()
    {
        stop_ = true;
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }
    std::wstring Url() const { return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/feed.ics"; }
    std::atomic<bool> validators{true};

private:
    void Serve()
    {
        while (!stop_) {
            const SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            std::string request;
            char buffer[4096];
            for (int n; request.find("\r\n\r\n") == std::string::npos && (n = recv(client, buffer, 4096, 0)) > 0;)
                request.append(buffer, static_cast<std::size_t>(n));
            const bool match = validators && request.find("If-None-Match: \"v1\"") != std::string::npos;
            const std::string head = match
                                         ? "HTTP/1.1 304 Not Modified\r\nETag: \"v1\"\r\nConnection: close\r\n\r\n"
                                         : "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) +
                                               (validators ? "\r\nETag: \"v1\"" : "") + "\r\nConnection: close\r\n\r\n";
            send(client, head.data(), static_cast<int>(head.size()), 0);
            for (std::size_t sent = 0; !match && sent < body_.size();) {
                const int n = send(client, body_.data() + sent,
                                   static_cast<int>(std::min<std::size_t>(65536, body_.size() - sent)), 0);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    const std::string& body_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double PeakMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters{sizeof(counters)};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.PeakWorkingSetSize) / 1e6;
}
} // namespace

int main(int argc, char** argv)
{
    Environment env(L"feeds");
    const int runs = static_cast<int>(Arg(argc, argv, 1, 5));
    const std::string body = Feed(10000, 2000, 50);
    LoopbackServer server(body);
    const FeedStore store(env.DirWithSlash());
    const std::wstring url = server.Url();
    HttpFetch fetch;
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    std::string outcome = "ok";
    const auto refresh = [&] {
        FetchedFeed fetched = FetchFeed(store, url, fetch, now);
        KeepFeed(store, url, fetched);
        if (fetched.state.outcome != FeedOutcome::Ok)
            outcome = "failed";
    };
    const double before = PeakMegabytes();
    const double first = MedianMicros(runs, [&](int) {
        std::filesystem::remove_all(env.Dir() / L"qv.feeds");
        refresh();
    });
    const double peak = PeakMegabytes();
    const double unchanged = MedianMicros(runs * 4, [&](int) { refresh(); });
    server.validators = false;
    const double same = MedianMicros(runs, [&](int) { refresh(); });
    const double check = MedianMicros(runs, [&](int) { ical::ParseComponents(body); });
    std::printf("feed: %.2f MB, 10000 events (2000 recurring), 50 zones; every refresh %s\n",
                static_cast<double>(body.size()) / 1e6, outcome.c_str());
    std::printf("first refresh (download, iCalendar check, kept copy written): median %.0f ms over %d runs\n",
                first / 1000, runs);
    std::printf("unchanged, 304 to its ETag (no download, no check, state only): median %.1f ms\n", unchanged / 1000);
    std::printf("unchanged, no validators (download, byte comparison, no check): median %.0f ms\n", same / 1000);
    std::printf("the iCalendar check alone: median %.0f ms\n", check / 1000);
    std::printf("peak working set: %.0f MB before the first refresh, %.0f MB after\n", before, peak);
    return outcome == "ok" ? 0 : 1;
}
