// Start at logon: the General page's box shows the registry at every opening and changes it.
#include "SheetTestSupport.h"
#include "settings/LogonStartup.h"

#include <optional>

namespace {

const std::wstring kExe = L"C:\\Program Files\\Mosaryn\\Mosaryn.exe";
const wchar_t kTestKey[] = L"Software\\Mosaryn-test";

using LogonStartupPageTest = SheetFixture;

TEST_F(LogonStartupPageTest, BoxShowsTheRegistryAtEveryOpeningAndApplyChangesIt)
{
    auto open = [&](const LogonStartup& where) {
        sheet.General().SetLogonStartup(where);
        sheet.OpenSettings(&host);
        PumpMessages(20);
        return sheet.General().Handle();
    };
    const LogonStartup entry(std::wstring(kTestKey) + L"\\Run", kExe);
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
    // Below a volatile key no lasting key can be made: the write fails, is reported, and the
    // box goes back to what the registry holds.
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    HKEY parent = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent,
                    nullptr);
    RegCloseKey(parent);
    HWND general = open(entry);
    ToggleCheck(general, IDC_START_AT_LOGON);
    Press(kApplyButton);
    EXPECT_EQ(host.errors, std::vector<UINT>{IDS_LOGON_START_FAILED});
    EXPECT_FALSE(Checked(general, IDC_START_AT_LOGON));
    Press(IDCANCEL);
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
}

} // namespace
