// Start at logon: the Run value written, removed and followed to a moved executable, and the
// General page's box that shows and changes it.
#include "SheetTestSupport.h"
#include "settings/LogonStartup.h"

#include <optional>

namespace {

const std::wstring kExe = L"C:\\Program Files\\Mosaryn\\Mosaryn.exe";

// Writes the Run value as another program (or an older copy) would have left it.
void PutRunValue(const std::optional<std::wstring>& text)
{
    HKEY run = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, LogonStartup::kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &run, nullptr);
    if (text)
        RegSetValueExW(run, LogonStartup::kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                       DWORD((text->size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(run, LogonStartup::kValueName);
    RegCloseKey(run);
}

// Keeps the prefix's own Run value, if any, and puts it back afterwards.
struct RunValueKept {
    std::optional<std::wstring> before = LogonStartup().Stored();
    ~RunValueKept() { PutRunValue(before); }
};

TEST(LogonStartupTest, RunValueIsWrittenRemovedAndFollowsAMovedExecutable)
{
    RunValueKept kept;
    const LogonStartup entry(LogonStartup::kRunKey, kExe);
    ASSERT_TRUE(entry.Set(true));
    EXPECT_EQ(LogonStartup().Stored(), L"\"" + kExe + L"\"") << "the real Run key, quoted full path";
    ASSERT_TRUE(entry.Set(false));
    EXPECT_FALSE(entry.Stored().has_value());
    EXPECT_TRUE(entry.Set(false)) << "removing what is not there succeeds";

    const std::wstring upper = L"\"C:\\PROGRAM FILES\\MOSARYN\\MOSARYN.EXE\"";
    const struct {
        std::optional<std::wstring> before, after;
    } cases[] = {
        {std::nullopt, std::nullopt},                          // off stays off
        {L"\"D:\\old folder\\Mosaryn.exe\"", entry.Command()}, // moved: follows
        {upper, upper},                                        // the same file in other case: untouched
        {L"", entry.Command()},
    };
    for (const auto& c : cases) {
        PutRunValue(c.before);
        EXPECT_TRUE(entry.FollowExecutable());
        EXPECT_EQ(entry.Stored(), c.after) << (c.before ? std::string(c.before->begin(), c.before->end()) : "none");
    }
}

struct ErrorHost : FakeHost {
    using FakeHost::FakeHost;
    void ReportError(UINT id) override { errors.push_back(id); }
    std::vector<UINT> errors;
};

using LogonStartupPageTest = SheetFixture;

TEST_F(LogonStartupPageTest, BoxShowsTheRegistryAtEveryOpeningAndApplyChangesIt)
{
    const wchar_t kKey[] = L"Software\\Mosaryn-test\\Run";
    const wchar_t kVolatile[] = L"Software\\Mosaryn-test-volatile";
    HKEY parent = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kVolatile, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &parent, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(parent);
    ErrorHost errorHost{sheet.Live()};
    const LogonStartup entry(kKey, kExe);
    auto open = [&](const LogonStartup& where) {
        sheet.General().SetLogonStartup(where);
        sheet.OpenSettings(&errorHost);
        PumpMessages(20);
        return sheet.General().Handle();
    };
    const struct {
        bool before, toggle, after;
    } cases[] = {{false, true, true}, {true, false, true}, {true, true, false}, {false, false, false}};
    for (const auto& c : cases) {
        entry.Set(c.before); // as if changed elsewhere between two openings
        HWND general = open(entry);
        EXPECT_EQ(Checked(general, IDC_START_AT_LOGON), c.before);
        if (c.toggle)
            ToggleCheck(general, IDC_START_AT_LOGON);
        Press(IDOK);
        EXPECT_EQ(entry.Stored(), c.after ? std::optional(entry.Command()) : std::nullopt) << c.before << c.toggle;
    }

    // A key that cannot be made below a volatile one: the write fails, is reported, and the box
    // goes back to what the registry holds.
    const LogonStartup failing(std::wstring(kVolatile) + L"\\Run", kExe);
    HWND general = open(failing);
    ToggleCheck(general, IDC_START_AT_LOGON);
    Press(kApplyButton);
    EXPECT_EQ(errorHost.errors, std::vector<UINT>{IDS_LOGON_START_FAILED});
    EXPECT_FALSE(Checked(general, IDC_START_AT_LOGON));
    Press(IDCANCEL);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Mosaryn-test");
    RegDeleteTreeW(HKEY_CURRENT_USER, kVolatile);
}

} // namespace
