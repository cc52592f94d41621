// The kept copies of the online calendars and the words for their last refresh.
#include "calendar/FeedStatus.h"
#include "calendar/FeedStore.h"
#include "calendar/Subscriptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;

TEST(FeedStore, StateRoundTripsAndServerTextCannotForgeALine)
{
    using namespace std::chrono;
    const sys_seconds when = sys_days{2026y / December / 7} + 1h + 15min;
    for (const FeedState& state : {FeedState{"\"v1\"", "Mon, 07 Dec 2026 01:15:00 GMT", when, FeedOutcome::Ok},
                                   FeedState{"W/\"x\"", {}, when, FeedOutcome::NotCalendar, 12}})
        EXPECT_EQ(ParseFeedState(FormatFeedState(state)), state) << FormatFeedState(state);
    const FeedState forged{"\"a\"\r\nResult=ok", {}, std::nullopt, FeedOutcome::HttpError, 404};
    EXPECT_EQ(ParseFeedState(FormatFeedState(forged)).outcome, FeedOutcome::HttpError);
    EXPECT_EQ(ParseFeedState("Result=frobnicated 3\r\nRefreshed=2026-02-30T00:00:00Z\r\nnonsense\n"), FeedState{});
}

TEST(FeedStore, KeptFilesAreNamedByKeyAndRemovedWithTheirSubscription)
{
    TempDir dir;
    const FeedStore store(dir.WithSlash());
    const std::wstring kept = L"webcal://example.invalid/a.ics?token=secret", gone = L"https://example.invalid/b.ics";
    EXPECT_FALSE(store.ReadBody(kept));
    EXPECT_EQ(store.ReadState(kept), FeedState{});
    for (const std::wstring& url : {kept, gone}) {
        ASSERT_TRUE(store.KeepBody(url, "BEGIN:VCALENDAR\r\n"));
        ASSERT_TRUE(store.WriteState(url, {"\"e\"", {}, std::nullopt, FeedOutcome::Ok}));
    }
    const fs::path folder = dir.Path() / "qv.feeds";
    WriteBytes(folder / "notes.txt", {'x'});
    WriteBytes(folder / (feeds::Key(kept) + L".ics.new"), {'x'}); // left by an interrupted write
    store.RemoveAllBut(std::vector{kept});
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::wstring>{feeds::Key(kept) + L".ics", feeds::Key(kept) + L".state", L"notes.txt"}));
    EXPECT_EQ(store.ReadBody(kept), "BEGIN:VCALENDAR\r\n");
    EXPECT_EQ(store.ReadState(kept).etag, "\"e\"");
    fs::remove(folder / "notes.txt");
    store.RemoveAllBut({});
    EXPECT_FALSE(fs::exists(folder)) << "an emptied folder goes too";
}

TEST(FeedStatus, EachOutcomeInWords)
{
    for (const auto& [outcome, detail, text] : {
             std::tuple{FeedOutcome::None, 0, L"未更新"},
             {FeedOutcome::HttpError, 404, L"見つかりません (404)"},
             {FeedOutcome::HttpError, 410, L"見つかりません (410)"},
             {FeedOutcome::HttpError, 403, L"アクセスが拒否されました (403)"},
             {FeedOutcome::HttpError, 500, L"サーバー エラー (500)"},
             {FeedOutcome::HttpError, 418, L"HTTP エラー (418)"},
             {FeedOutcome::CannotConnect, 12029, L"接続できません"},
             {FeedOutcome::Certificate, 12157, L"証明書が無効です"},
             {FeedOutcome::Timeout, 10060, L"時間切れです"},
             {FeedOutcome::TooLarge, 0, L"大きすぎます (20 MB 超)"},
             {FeedOutcome::TooManyRedirects, 0, L"リダイレクトが多すぎます"},
             {FeedOutcome::NotCalendar, 12, L"iCalendar ではありません (12 行目)"},
         })
        EXPECT_EQ(FeedStatusText({{}, {}, std::nullopt, outcome, detail}), text);
    // The last good refresh in the computer's time zone (this program runs in New York's).
    const std::time_t when = 1796606100; // 2026-12-07 01:15:00 UTC
    const std::wstring expected = L"更新 2026/12/06 20:15";
    const FeedState ok{{}, {}, std::chrono::sys_seconds{std::chrono::seconds{when}}, FeedOutcome::Ok};
    EXPECT_EQ(FeedStatusText(ok), expected);
}
