// The page "オンライン カレンダー" and its add dialog, driven as the user would.
#include "calendar/FeedStore.h"
#include "dialogs/ModalDriver.h"
#include "res/resource.h"
#include "settings/SettingsSheet.h"

#include <gtest/gtest.h>

namespace {
class RecordingHost : public SettingsHost {
public:
    ~RecordingHost() override { DestroyWindow(window_); }
    HWND HostWindow() const override { return window_; }
    void Render(bool) override {}
    void ApplyHotKey() override {}
    void SubscriptionsChanged(std::span<const std::wstring> urls) override
    {
        ++applies;
        refreshed.assign(urls.begin(), urls.end());
    }
    int applies = 0;
    std::vector<std::wstring> refreshed;

private:
    HWND window_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
};

std::wstring Cell(HWND list, int item, int column)
{
    wchar_t text[256] = {};
    ListView_GetItemText(list, item, column, text, 256);
    return text;
}

std::wstring g_refusal;
} // namespace

TEST(SubscriptionsPage, ShowsAddsRemovesAndTellsTheHostWhatToFetch)
{
    TempDir dir;
    RecordingHost host;
    SettingsSheet sheet;
    sheet.SetIniDirectory(dir.WithSlash());
    const std::wstring work = L"https://e.invalid/work.ics?token=secret";
    sheet.Subscriptions().items = {{L"仕事", work, 0xFF0000FF, true},
                                   {L"家族", L"webcal://e.invalid/family.ics", 0xFF00FF00, false}};
    sheet.Subscriptions().refreshMinutes = 30;
    FeedStore(dir.WithSlash()).WriteState(work, {{}, {}, std::nullopt, FeedOutcome::HttpError, 404});
    sheet.OpenSettings(&host);
    PropSheet_SetCurSel(sheet.SheetWindow(), nullptr, 2);
    PumpMessages(20);
    HWND page = sheet.OnlineCalendars().Handle();
    HWND list = GetDlgItem(page, IDC_SUB_LIST);
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    EXPECT_EQ(Cell(list, 0, 0) + L"|" + Cell(list, 0, 2) + L"|" + Cell(list, 1, 2),
              L"仕事|見つかりません (404)|未更新");
    EXPECT_TRUE(ListView_GetCheckState(list, 0));
    EXPECT_FALSE(ListView_GetCheckState(list, 1));
    EXPECT_EQ(ItemText(page, IDC_SUB_MINUTES), L"30");

    // An address the list has already is refused without showing it; then a new one is taken.
    ModalDriver driver(L"オンライン カレンダーの追加", {[&](HWND d) {
                                                            SetDlgItemTextW(d, IDC_SUB_NAME, L" 学校 ");
                                                            SetDlgItemTextW(d, IDC_SUB_URL, work.c_str());
                                                            return PostMessageW(d, WM_COMMAND, IDOK, 0) != FALSE;
                                                        },
                                                        [](HWND) {
                                                            HWND box = FindWindowW(L"#32770", L"Mosaryn");
                                                            if (box == nullptr)
                                                                return false;
                                                            g_refusal = ItemText(box, 0xFFFF);
                                                            return PostMessageW(box, WM_COMMAND, IDOK, 0) != FALSE;
                                                        },
                                                        [](HWND d) {
                                                            SetDlgItemTextW(d, IDC_SUB_URL,
                                                                            L" http://e.invalid/school.ics ");
                                                            return PostMessageW(d, WM_COMMAND, IDOK, 0) != FALSE;
                                                        }});
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_SUB_ADD, BN_CLICKED), 0);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(g_refusal, L"このアドレスのカレンダーはすでにあります。");
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_EQ(Cell(list, 2, 0) + L"|" + Cell(list, 2, 2), L"学校|未更新");

    ListView_SetCheckState(list, 0, FALSE); // 仕事 hidden
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_SUB_REMOVE, BN_CLICKED), 0);
    SetDlgItemTextW(page, IDC_SUB_MINUTES, L"5");
    EXPECT_EQ(host.applies, 0) << "nothing reaches the live list before Apply";
    SendMessageW(sheet.SheetWindow(), WM_COMMAND, MAKEWPARAM(0x3021, BN_CLICKED), 0);
    PumpMessages(20);
    const SubscriptionList& live = sheet.Subscriptions();
    ASSERT_EQ(live.items.size(), 2u);
    EXPECT_EQ(live.items[0].name + L"|" + live.items[1].name + L"|" + live.items[1].url,
              L"仕事|学校|http://e.invalid/school.ics");
    EXPECT_FALSE(live.items[0].shown);
    EXPECT_EQ(live.refreshMinutes, 15);
    EXPECT_EQ(ItemText(page, IDC_SUB_MINUTES), L"15");
    // Only what is new or changed and shown is fetched again.
    EXPECT_EQ(host.applies, 1);
    EXPECT_EQ(host.refreshed, std::vector<std::wstring>{L"http://e.invalid/school.ics"});
    DestroyWindow(sheet.SheetWindow());
}
