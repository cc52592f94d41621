// The modeless settings sheet driven as the user would: OK / Apply / Cancel / close box, the
// General page's boxes, the Design page's item pages, the colour chooser and the font sizes.
#include "app/Handle.h"
#include "res/resource.h"
#include "settings/LogonStartup.h"
#include "settings/SettingsControls.h"
#include "settings/SettingsSheet.h"
#include "support/TestSupport.h"
#include "ui/calendar/CalendarWindow.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cwchar>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

inline HWND TestWindow(HWND parent = nullptr, const wchar_t* type = L"STATIC", DWORD style = WS_POPUP)
{
    return CreateWindowExW(0, type, L"", style, 40, 50, 120, 90, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// A real top-level window that registers the live hot key and counts what the sheet asks of it.
class FakeHost : public SettingsHost {
public:
    explicit FakeHost(const Settings& live) : live_(live) {}
    ~FakeHost() override { DestroyWindow(window_); }
    HWND HostWindow() const override { return window_; }
    void Render(bool relayout) override { relayoutRenders += relayout ? 1 : 0; }
    void ApplyHotKey() override
    {
        ++hotKeyApplies;
        const UINT modifiers = calendar_window::HotkeyModifiers((live_.Hotkey >> 8) & 0xFF);
        UnregisterHotKey(window_, 107);
        hotKeyFailures += RegisterHotKey(window_, 107, modifiers, live_.Hotkey & 0xFF) ? 0 : 1;
    }
    void ReportError(UINT id) override { errors.push_back(id); }
    void ApplyReminders() override { ++reminderApplies; }
    int relayoutRenders = 0, hotKeyApplies = 0, hotKeyFailures = 0, reminderApplies = 0;
    std::vector<UINT> errors;

private:
    const Settings& live_;
    HWND window_ = TestWindow();
};

// Counts PSM_CHANGED and PSN_RESET sent on this thread.
class MessageSpy {
public:
    MessageSpy() { current_ = this; }
    ~MessageSpy() { UnhookWindowsHookEx(hook_); }
    int changed = 0, resets = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        current_->changed += sent->message == PSM_CHANGED ? 1 : 0;
        if (sent->message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(sent->lParam)->code == UINT(PSN_RESET))
            ++current_->resets;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline MessageSpy* current_ = nullptr;
    HHOOK hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
};

inline void SendCommand(HWND dialog, int id, UINT code)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
inline void ClickButton(HWND dialog, int id) { SendCommand(dialog, id, BN_CLICKED); }
inline bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline void ToggleCheck(HWND dialog, int id)
{
    CheckDlgButton(dialog, id, Checked(dialog, id) ? BST_UNCHECKED : BST_CHECKED);
    ClickButton(dialog, id);
}
inline void Slide(HWND dialog, int track, int position)
{
    SendDlgItemMessageW(dialog, track, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, track)));
}
inline int TrackPosition(HWND dialog, int track) { return int(SendDlgItemMessageW(dialog, track, TBM_GETPOS, 0, 0)); }

constexpr int kApplyButton = 0x3021;

// The choices a test makes in place of the modal colour and file dialogs.
COLORREF g_chosenColour = 0;
BOOL WINAPI ChooseFixedColour(LPCHOOSECOLORW cc)
{
    cc->rgbResult = g_chosenColour;
    return TRUE;
}
std::wstring g_chosenPath, g_startPath, g_patterns;
BOOL WINAPI ChooseFixedPath(LPOPENFILENAMEW ofn)
{
    g_startPath = ofn->lpstrFile;
    g_patterns = ofn->lpstrFilter + std::wcslen(ofn->lpstrFilter) + 1; // of the first pair
    ofn->lpstrFile[g_chosenPath.copy(ofn->lpstrFile, ofn->nMaxFile - 1)] = L'\0';
    return TRUE;
}

// A sheet over a fake host, opened and driven the way the user would.
class SheetFixture : public testing::Test {
protected:
    TempDir dir;
    SettingsSheet sheet;
    FakeHost host{sheet.Live()};

    ChooseColorProc previousColour = SetChooseColorProc(ChooseFixedColour);
    OpenFileNameProc previousFile = SetOpenFileNameProc(ChooseFixedPath);

    SheetFixture() { sheet.SetIniDirectory(dir.WithSlash()); }
    ~SheetFixture() override
    {
        DestroyWindow(sheet.SheetWindow()); // before the owning host window
        SetChooseColorProc(previousColour);
        SetOpenFileNameProc(previousFile);
    }

    Settings& Live() { return sheet.Live(); }
    // Opens on the Design tab: its window is created on first showing.
    void OpenDesign()
    {
        sheet.OpenSettings(&host);
        PropSheet_SetCurSel(sheet.SheetWindow(), nullptr, 1);
        PumpMessages(20);
    }
    const DesignSettings& Working() { return *sheet.DesignItems().Working(); }
    HWND ItemPage(int index) { return sheet.DesignItems().ItemPage(index)->Handle(); }
    void SelectItem(int index)
    {
        HWND design = sheet.DesignItems().Handle();
        SendDlgItemMessageW(design, IDC_ITEM_LIST, LB_SETCURSEL, WPARAM(index), 0);
        SendCommand(design, IDC_ITEM_LIST, LBN_SELCHANGE);
    }
    void Press(int id)
    {
        ClickButton(sheet.SheetWindow(), id);
        PumpMessages(20);
    }
};

using SettingsSheetTest = SheetFixture;

TEST_F(SettingsSheetTest, OkCancelAndCloseBoxKeepOnlyWhatWasApplied)
{
    OpenDesign();
    Press(IDOK); // without a change nothing is applied
    EXPECT_EQ(sheet.SheetWindow(), nullptr);
    EXPECT_EQ(host.relayoutRenders + host.hotKeyApplies, 0);
    constexpr Argb kBackColor = 0x80FFFFFF; // alpha 128 shows as 50 %
    for (const auto& [apply, closeBox] : {std::pair{false, false}, {true, false}, {false, true}}) {
        SCOPED_TRACE(testing::Message() << "apply " << apply << " close box " << closeBox);
        Live().Design.Background.BackColor = kBackColor;
        host.relayoutRenders = 0;
        MessageSpy spy;
        OpenDesign();
        Slide(ItemPage(2), IDC_TRACK2, 0);
        if (apply) {
            Press(kApplyButton);
            Slide(ItemPage(2), IDC_TRACK2, 100);
        }
        if (closeBox) {
            SendMessageW(sheet.SheetWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
            PumpMessages(20);
        } else {
            Press(IDCANCEL);
        }
        EXPECT_EQ(sheet.SheetWindow(), nullptr);
        EXPECT_EQ(Live().Design.Background.BackColor, apply ? 0xFFFFFFFFu : kBackColor);
        EXPECT_EQ(host.relayoutRenders, apply ? 1 : 0);
        EXPECT_EQ(spy.resets > 0, !closeBox) << "Cancel resets the pages, the close box does not";
        OpenDesign();
        EXPECT_EQ(TrackPosition(ItemPage(2), IDC_TRACK2), apply ? 0 : 50);
        Press(IDCANCEL);
    }
}

TEST_F(SettingsSheetTest, UncheckingStayTopLeavesTheTopmostBandOnApply)
{
    HWND calendar = host.HostWindow();
    SetWindowPos(calendar, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Live().StayTop = true;
    OpenDesign();
    ToggleCheck(sheet.General().Handle(), IDC_STAY_TOP);
    EXPECT_TRUE(Live().StayTop) << "nothing reaches the live record before Apply";
    Press(kApplyButton);
    EXPECT_EQ(GetWindowLongW(calendar, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_FALSE(Live().StayTop);
}

TEST_F(SettingsSheetTest, TakenHotKeyIsReportedOncePerApplyAndKept)
{
    HWND holder = TestWindow();
    ASSERT_TRUE(RegisterHotKey(holder, 1, MOD_CONTROL | MOD_ALT, VK_F11));
    const int taken = MAKEWORD(VK_F11, HOTKEYF_CONTROL | HOTKEYF_ALT);
    OpenDesign();
    HWND general = sheet.General().Handle();
    SendDlgItemMessageW(general, IDC_HOTKEY, HKM_SETHOTKEY, WPARAM(taken), 0);
    SendCommand(general, IDC_HOTKEY, EN_CHANGE);
    Press(kApplyButton);
    Press(kApplyButton); // no change, no new attempt
    EXPECT_EQ(host.hotKeyApplies, 1);
    EXPECT_EQ(host.hotKeyFailures, 1);
    SendCommand(general, IDC_HOTKEY, EN_CHANGE);
    Press(IDOK);
    EXPECT_EQ(host.hotKeyFailures, 2);
    EXPECT_EQ(sheet.SheetWindow(), nullptr) << "the apply is not refused";
    EXPECT_EQ(Live().Hotkey, taken);
    UnregisterHotKey(holder, 1);
    DestroyWindow(holder);
}

TEST_F(SettingsSheetTest, ReminderOptionsOnTheGeneralPageReachQvIniWithBadValuesRepaired)
{
    const std::wstring text = L"\xFEFF[Reminder]\r\nEnabled=Maybe\r\nLeadMinutes=7\r\nLastShown=2026-12-08T09:50\r\n";
    const auto* raw = reinterpret_cast<const std::uint8_t*>(text.data());
    WriteBytes(sheet.IniPath(), std::vector<std::uint8_t>(raw, raw + text.size() * sizeof(wchar_t)));
    sheet.LoadSettings();
    EXPECT_TRUE(sheet.Reminder().Repaired());
    OpenDesign();
    HWND general = sheet.General().Handle();
    EXPECT_TRUE(Checked(general, IDC_REMINDER_ENABLED)) << "the default";
    EXPECT_EQ(ItemText(general, IDC_REMINDER_LEAD), L"10 分前");
    SendDlgItemMessageW(general, IDC_REMINDER_LEAD, CB_SETCURSEL, 5, 0);
    SendCommand(general, IDC_REMINDER_LEAD, CBN_SELCHANGE);
    ToggleCheck(general, IDC_REMINDER_ENABLED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(general, IDC_REMINDER_LEAD)));
    Press(kApplyButton);
    EXPECT_EQ(host.reminderApplies, 1);
    ASSERT_TRUE(sheet.SaveSettings());
    for (const auto& [key, value] :
         {std::pair{L"Enabled", L"No"}, {L"LeadMinutes", L"60"}, {L"LastShown", L"2026-12-08T09:50"}}) {
        wchar_t stored[32] = {};
        GetPrivateProfileStringW(L"Reminder", key, L"", stored, 32, sheet.IniPath().c_str());
        EXPECT_STREQ(stored, value) << key;
    }
}

using DesignPages = SheetFixture;

TEST_F(DesignPages, OneBarSetsEveryAlphaWhileTheChooserKeepsEach)
{
    DayFontGroup& day = Live().Design.DayFont;
    Argb alpha = 0xFF; // alphas that differ, as a hand-edited qv.ini can make them
    for (Argb* colour : {&day.Font.Color, &day.SunFontColor, &day.SatFontColor, &day.MemorialdayFontColor}) {
        *colour = (alpha << 24) | 0x00808080;
        alpha -= 0x30;
    }
    OpenDesign();
    SelectItem(3);
    HWND page = ItemPage(1);
    g_chosenColour = RGB(0x12, 0x34, 0x56);
    ClickButton(page, IDC_SAT_COLOR);
    const DayFontGroup& working = Working().DayFont;
    EXPECT_EQ(working.SatFontColor, 0x9F123456u) << "red, green and blue only";
    Slide(page, IDC_TRACK1, 20); // alpha (100 - 20) * 255 / 100 = 204
    EXPECT_EQ(
        std::vector({working.Font.Color, working.SunFontColor, working.SatFontColor, working.MemorialdayFontColor}),
        std::vector<Argb>({0xCC808080, 0xCC808080, 0xCC123456, 0xCC808080}));
}

TEST_F(DesignPages, YearMonthAndWeekdayShareOnePageWithTransparencyInIntegerSteps)
{
    Live().Design.MonthFont = {0xFF123456, L"MS UI Gothic", 9.0f, 8 | 1};
    Live().Design.WeekFont = {0x80000000, L"MS UI Gothic", 12.0f, 4};
    OpenDesign();
    HWND font = ItemPage(0);
    for (const auto& [item, bold, size, track] :
         {std::tuple{1, true, L"9", 0}, {2, false, L"12", 50}, {1, true, L"9", 0}}) {
        SelectItem(item);
        EXPECT_NE(GetWindowLongW(font, GWL_STYLE) & WS_VISIBLE, 0) << item;
        EXPECT_EQ(Checked(font, IDC_BOLD), bold) << item;
        EXPECT_EQ(Checked(font, IDC_UNDERLINE), !bold) << item;
        EXPECT_EQ(ItemText(font, IDC_FONT_SIZE), size) << item;
        EXPECT_EQ(TrackPosition(font, IDC_TRACK1), track) << item;
    }
    Slide(font, IDC_TRACK1, 50);
    EXPECT_EQ(Working().MonthFont.Color, 0x7F123456u) << "50 % stores alpha 127";
    SelectItem(2);
    SelectItem(1);
    EXPECT_EQ(TrackPosition(font, IDC_TRACK1), 51);
    EXPECT_EQ(ItemText(font, IDC_TRACK1_LABEL), L"51%");
    EXPECT_EQ(Working().MonthFont.Style, 9) << "strikeout kept until a style box is clicked";
    ToggleCheck(font, IDC_ITALIC);
    EXPECT_EQ(Working().MonthFont.Style, 3);
    EXPECT_EQ(Working().WeekFont.Style, 4);
}

TEST_F(DesignPages, BackgroundPageReportsOnlyTheUsersChanges)
{
    Live().Design.Background.BackImageDraw = 3;
    Live().Design.Background.BackImageFile = L"C:\\old\\picture.png";
    MessageSpy spy;
    OpenDesign();
    HWND background = ItemPage(2);
    for (const int id : {IDC_DRAW_NORMAL, IDC_DRAW_STRETCH, IDC_DRAW_PARTIAL})
        EXPECT_FALSE(Checked(background, id)) << "unknown drawing mode " << id;
    ASSERT_TRUE(Checked(background, IDC_AREA_DAYS));
    ClickButton(background, IDC_AREA_DAYS);
    EXPECT_EQ(spy.changed, 0) << "neither the program's own text nor the checked button is a change";
    CheckRadioButton(background, IDC_AREA_DAYS, IDC_AREA_WHOLE, IDC_AREA_WHOLE);
    ClickButton(background, IDC_AREA_WHOLE);
    EXPECT_EQ(spy.changed, 1);
    EXPECT_EQ(Working().Background.BackImagePos, 1);
    g_chosenPath = L"D:\\pictures\\new background.jpg";
    ClickButton(background, IDC_PICTURE_BROWSE);
    EXPECT_EQ(g_startPath, L"C:\\old\\picture.png");
    for (const wchar_t* name : {L"a.JPEG", L"b.jpg", L"c.tiff", L"d.TIF", L"e.png", L"f.bmp", L"g.gif"})
        EXPECT_TRUE(PathMatchSpecW(name, g_patterns.c_str())) << name; // every kind the guide names
    EXPECT_EQ(ItemText(background, IDC_PICTURE_PATH), g_chosenPath);
    EXPECT_EQ(Working().Background.BackImageFile, g_chosenPath);
    EXPECT_EQ(spy.changed, 2) << "the browse button reports one change";
    // Typed over the whole path, character by character.
    HWND edit = GetDlgItem(background, IDC_PICTURE_PATH);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (const wchar_t c : std::wstring(L"E:\\a.png"))
        SendMessageW(edit, WM_CHAR, c, 1);
    EXPECT_EQ(Working().Background.BackImageFile, L"E:\\a.png");
    EXPECT_EQ(spy.changed, 10);
}

// Start at logon: the General page's box shows the registry at every opening and changes it.
const std::wstring kExe = L"C:\\Program Files\\Mosaryn\\Mosaryn.exe";
const wchar_t kTestKey[] = L"Software\\Mosaryn-test";
const std::wstring kRun = std::wstring(kTestKey) + L"\\Run";

using LogonStartupPageTest = SheetFixture;

TEST_F(LogonStartupPageTest, BoxShowsTheRegistryAtEveryOpeningAndApplyChangesIt)
{
    auto open = [&](const LogonStartup& where) {
        sheet.General().SetLogonStartup(where);
        sheet.OpenSettings(&host);
        PumpMessages(20);
        return sheet.General().Handle();
    };
    const LogonStartup entry(kRun, kExe);
    for (const auto& [before, toggle] : {std::pair{false, true}, {true, false}, {true, true}, {false, false}}) {
        entry.Set(before); // as if changed elsewhere between two openings
        HWND general = open(entry);
        EXPECT_EQ(Checked(general, IDC_START_AT_LOGON), before);
        if (toggle)
            ToggleCheck(general, IDC_START_AT_LOGON);
        Press(IDOK);
        EXPECT_EQ(entry.Stored(), before != toggle ? std::optional(entry.Command()) : std::nullopt) << before << toggle;
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

const std::string kMenuEntry =
    "[Desktop Entry]\nExec=\"/b/bin/mosaryn\"\n[Desktop Action toggle]\nExec=\"/b/bin/mosaryn\" --toggle\n";
std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Under the launcher the box is the autostart entry, a copy of the menu entry: one the desktop was told
// to skip is off; at start-up an entry of another install is pointed at this one, and a Run value an
// older version left in the prefix becomes the entry.
TEST(LogonStartupEntry, SkippedEntryIsOffAndStartUpFollowsThisCopyAndTakesOverARunValue)
{
    TempDir dir;
    const std::filesystem::path menu = dir.Path() / L"menu.desktop", autostart = dir.Path() / L"a.desktop";
    WriteBytes(menu, Bytes(kMenuEntry));
    const LogonStartup entry = LogonStartup::DesktopEntry(autostart, menu, kRun), run(kRun, kExe);
    const std::string gone = "[Desktop Entry]\nExec=\"/gone/bin/mosaryn\"\n",
                      hidden = "[Desktop Entry]\nHidden=true\nExec=\"/b/bin/mosaryn\"\n",
                      disabled = "[Desktop Entry]\r\nX-GNOME-Autostart-enabled=false\r\n";
    // The entry before (empty: none), a Run value, whether the box is on, the entry after.
    const std::tuple<std::string, bool, bool, std::string> cases[] = {
        {"", false, false, ""},         {gone, false, true, kMenuEntry},
        {hidden, false, false, hidden}, {disabled, false, false, disabled},
        {"", true, false, kMenuEntry},
    };
    for (const auto& [before, runValue, on, after] : cases) {
        std::filesystem::remove(autostart);
        if (!before.empty())
            WriteBytes(autostart, Bytes(before));
        run.Set(runValue);
        EXPECT_EQ(entry.Enabled(), on) << before;
        EXPECT_TRUE(entry.FollowExecutable());
        const std::vector<std::uint8_t> now = std::filesystem::exists(autostart) ? ReadBytes(autostart) : Bytes("");
        EXPECT_EQ(std::string(now.begin(), now.end()), after);
        EXPECT_FALSE(run.Enabled());
    }
    EXPECT_TRUE(entry.Set(false) && !std::filesystem::exists(autostart) && entry.Set(true));
    EXPECT_EQ(ReadBytes(autostart), Bytes(kMenuEntry));
    EXPECT_FALSE(LogonStartup::DesktopEntry(autostart, dir.Path() / L"none.desktop").Set(true)) << "nothing to copy";
    // On Windows a value naming the folder the program was moved from names this one.
    run.Set(true);
    const LogonStartup moved(kRun, L"D:\\new\\Mosaryn.exe");
    EXPECT_TRUE(moved.FollowExecutable());
    EXPECT_EQ(run.Stored(), L"\"D:\\new\\Mosaryn.exe\"");
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
}

std::vector<COLORREF> g_customSeen; // custom colour 5 as each dialog found it; each defines it anew and cancels
BOOL WINAPI FakeColourDialog(LPCHOOSECOLORW cc)
{
    g_customSeen.push_back(std::exchange(cc->lpCustColors[5], RGB(9, 8, g_customSeen.size())));
    return FALSE;
}

TEST(ColourChooser, CustomColoursCarryFromOneDialogToTheNext)
{
    const ChooseColorProc previous = SetChooseColorProc(FakeColourDialog);
    COLORREF colour = RGB(10, 20, 30);
    ChooseColorFor(nullptr, colour);
    ChooseColorFor(nullptr, colour);
    ASSERT_EQ(g_customSeen.size(), 2u);
    EXPECT_EQ(g_customSeen[1], RGB(9, 8, 0));
    SetChooseColorProc(previous);
}

std::wstring ComboText(HWND box, LRESULT index)
{
    wchar_t text[LF_FACESIZE + 1] = {};
    SendMessageW(box, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(FontSizes, ScalableFaceOffersTheFixedListAndSelectsTheNextSize)
{
    const std::wstring face = L"Liberation Sans"; // TrueType, from the system's fonts
    HWND parent = TestWindow();
    HWND faces = TestWindow(parent, L"COMBOBOX", WS_CHILD | CBS_DROPDOWNLIST);
    HWND sizes = TestWindow(parent, L"COMBOBOX", WS_CHILD | CBS_DROPDOWNLIST);
    SendMessageW(faces, CB_SETCURSEL, SendMessageW(faces, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(face.c_str())), 0);
    for (const auto& [current, selected] : {std::pair{13, L"14"}, {16, L"14"}, {4, L"5"}, {9, L"9"}}) {
        FillFontSizes(faces, sizes, current);
        std::wstring entries;
        for (LRESULT i = 0; i < SendMessageW(sizes, CB_GETCOUNT, 0, 0); ++i)
            entries += ComboText(sizes, i) + L" ";
        EXPECT_EQ(entries, L"5 6 7 8 9 10 11 12 14 ");
        EXPECT_EQ(ComboText(sizes, SendMessageW(sizes, CB_GETCURSEL, 0, 0)), selected) << current;
    }
    DestroyWindow(parent);
}

} // namespace
