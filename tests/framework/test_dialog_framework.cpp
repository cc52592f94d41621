// Dialogs, pages and the modeless sheet: routing, page notifications, control helpers.
#include "app/Application.h"
#include "support/TestSupport.h"
#include "ui/framework/Dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kPageFirst = 9100;
constexpr UINT kPageSecond = 9101;
constexpr UINT kChildTemplate = 9102;
constexpr int kCheckFirst = 9110;
constexpr int kCheckLast = 9113;
constexpr int kEdit = 9120;

struct TestPage : PropertyPage {
    using PropertyPage::PropertyPage;
    bool refuseApply = false;
    bool refuseLeave = false;
    bool refuseEnter = false;
    int applied = 0;
    int entered = 0;
    int killed = 0;
    bool OnInitDialog(HWND, LPARAM) override { return true; }
    bool OnApply() override
    {
        ++applied;
        return refuseApply;
    }
    bool OnSetActive() override
    {
        ++entered;
        return !refuseEnter;
    }
    bool OnKillActive() override
    {
        ++killed;
        return refuseLeave;
    }
};

struct TestSheet : PropertySheet {
    TestPage first{kPageFirst, L"First"};
    TestPage second{kPageSecond, L"Second"};
    TestSheet()
    {
        AddPage(&first);
        AddPage(&second);
    }
    ~TestSheet() override
    {
        if (Handle() != nullptr && IsWindow(Handle()))
            DestroyWindow(Handle());
    }
    HWND Open()
    {
        const INT_PTR result = Show(PSH_MODELESS | PSH_NOCONTEXTHELP, nullptr, 0, L"Sheet", 0);
        return result == 0 || result == -1 ? nullptr : reinterpret_cast<HWND>(result);
    }
    int CurrentIndex() const
    {
        HWND page = PropSheet_GetCurrentPageHwnd(Handle());
        return page == nullptr ? -1 : static_cast<int>(PropSheet_HwndToIndex(Handle(), page));
    }
};

TEST(PropertySheetTest, ApplyAnswerDecidesWhetherTheSheetCloses)
{
    struct Case {
        bool secondRefuses;
        bool wantsToClose;
        int pageAfter;
    };
    for (const Case c : {Case{false, true, -1}, Case{true, false, 1}}) {
        TestSheet sheet;
        sheet.second.refuseApply = c.secondRefuses;
        HWND hwnd = sheet.Open();
        ASSERT_NE(hwnd, nullptr);
        // Visit the second page so that it exists and takes part in applying, then go back.
        ASSERT_TRUE(PropSheet_SetCurSel(hwnd, nullptr, 1));
        ASSERT_TRUE(PropSheet_SetCurSel(hwnd, nullptr, 0));
        EXPECT_EQ(sheet.CurrentIndex(), 0);

        PropSheet_PressButton(hwnd, PSBTN_OK);
        PumpMessages(100);
        EXPECT_EQ(sheet.second.applied, 1) << "refuses=" << c.secondRefuses;
        EXPECT_EQ(sheet.WantsToClose(), c.wantsToClose) << "refuses=" << c.secondRefuses;
        if (!c.wantsToClose) {
            // Kept open on the page that refused.
            EXPECT_TRUE(IsWindow(hwnd));
            EXPECT_EQ(sheet.CurrentIndex(), c.pageAfter);
        }
    }
}

TEST(PropertySheetTest, KillActiveTrueKeepsTheUserOnThePage)
{
    for (const bool refuse : {true, false}) {
        TestSheet sheet;
        sheet.first.refuseLeave = refuse;
        HWND hwnd = sheet.Open();
        ASSERT_NE(hwnd, nullptr);
        const BOOL moved = PropSheet_SetCurSel(hwnd, nullptr, 1);
        EXPECT_EQ(moved != FALSE, !refuse);
        EXPECT_EQ(sheet.CurrentIndex(), refuse ? 0 : 1);
        EXPECT_GE(sheet.first.killed, 1);
    }
}

TEST(PropertySheetTest, SetActiveTrueAcceptsThePage)
{
    TestSheet sheet;
    HWND hwnd = sheet.Open();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(sheet.first.entered, 1);
    EXPECT_TRUE(PropSheet_SetCurSel(hwnd, nullptr, 1));
    EXPECT_EQ(sheet.second.entered, 1);
    EXPECT_EQ(sheet.CurrentIndex(), 1);
    // A page that turns activation down is passed over.
    sheet.first.refuseEnter = true;
    PropSheet_SetCurSel(hwnd, nullptr, 0);
    EXPECT_GE(sheet.first.entered, 2);
    EXPECT_NE(sheet.CurrentIndex(), 0);
}

TEST(PropertySheetTest, EveryShowBuildsANewPageArrayFromThePages)
{
    TestSheet sheet;
    HWND firstWindow = sheet.Open();
    ASSERT_NE(firstWindow, nullptr);
    const PROPSHEETPAGEW* firstArray = sheet.PageArray();
    ASSERT_NE(firstArray, nullptr);
    DestroyWindow(firstWindow);

    HWND secondWindow = sheet.Open();
    ASSERT_NE(secondWindow, nullptr);
    const PROPSHEETPAGEW* secondArray = sheet.PageArray();
    ASSERT_NE(secondArray, nullptr);
    EXPECT_NE(secondArray, firstArray);
    EXPECT_EQ(sheet.Handle(), secondWindow);

    const std::vector<PropertyPage*>& pages = sheet.Pages();
    ASSERT_EQ(pages.size(), 2u);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const PROPSHEETPAGEW& entry = secondArray[i];
        EXPECT_EQ(entry.lParam, reinterpret_cast<LPARAM>(pages[i]));
        EXPECT_EQ(entry.pszTemplate, pages[i]->SheetPage().pszTemplate);
        EXPECT_EQ(entry.pfnDlgProc, &Dialog::PageProc);
        // The pages leave the instance open; the program's own resources are used.
        EXPECT_EQ(pages[i]->SheetPage().hInstance, nullptr);
        EXPECT_EQ(entry.hInstance, TheApp()->Instance());
    }
    // The page made from the program's template really exists, bound to its object.
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(secondWindow), sheet.first.Handle());
    EXPECT_NE(GetDlgItem(sheet.first.Handle(), kEdit), nullptr);
}

// A child dialog that counts its OK/Cancel calls and records its commands.
struct ChildDialog : Dialog {
    int ok = 0;
    int cancel = 0;
    std::vector<UINT> commands;
    bool OnInitDialog(HWND, LPARAM) override
    {
        initSeen = true;
        return true;
    }
    void OnCommand(UINT code, UINT id, HWND) override { commands.push_back(MAKELONG(id, code)); }
    void OnOK() override { ++ok; }
    void OnCancel() override { ++cancel; }
    bool initSeen = false;
};

class ChildDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, TheApp()->Instance(),
                                  nullptr);
        ASSERT_NE(parent_, nullptr);
        ASSERT_TRUE(dialog_.CreateChild(kChildTemplate, parent_));
    }
    void TearDown() override
    {
        if (parent_ != nullptr)
            DestroyWindow(parent_);
    }
    HWND parent_ = nullptr;
    ChildDialog dialog_;
};

TEST_F(ChildDialogTest, CreateChildBindsTheWindowAndDestroyUnbindsIt)
{
    HWND hwnd = dialog_.Handle();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetParent(hwnd), parent_);
    EXPECT_EQ(TheApp()->Windows().Find(hwnd), &dialog_);
    EXPECT_TRUE(dialog_.initSeen);
    DestroyWindow(parent_);
    parent_ = nullptr;
    EXPECT_EQ(TheApp()->Windows().Find(hwnd), nullptr);
}

TEST_F(ChildDialogTest, CheckedButtonGivesTheLowestCheckedIdOrMinusOne)
{
    HWND hwnd = dialog_.Handle();
    EXPECT_EQ(dialog_.CheckedButton(kCheckFirst, kCheckLast), -1);
    CheckDlgButton(hwnd, kCheckLast, BST_CHECKED);
    CheckDlgButton(hwnd, kCheckFirst + 1, BST_CHECKED);
    EXPECT_EQ(dialog_.CheckedButton(kCheckFirst, kCheckLast), kCheckFirst + 1);
    // Outside the range nothing counts.
    EXPECT_EQ(dialog_.CheckedButton(kCheckFirst, kCheckFirst), -1);
    // An indeterminate state is not a check.
    CheckDlgButton(hwnd, kCheckFirst, BST_INDETERMINATE);
    EXPECT_EQ(dialog_.CheckedButton(kCheckFirst, kCheckLast), kCheckFirst + 1);
}

TEST_F(ChildDialogTest, GetItemTextReadsTheWholeTextAndEmptiesForAnEmptyEdit)
{
    HWND hwnd = dialog_.Handle();
    std::wstring text = L"previous content";
    const std::wstring typed = L"メモ one two";
    SetDlgItemTextW(hwnd, kEdit, typed.c_str());
    dialog_.GetItemText(kEdit, text);
    EXPECT_EQ(text, typed);
    SetDlgItemTextW(hwnd, kEdit, L"");
    dialog_.GetItemText(kEdit, text);
    EXPECT_TRUE(text.empty()) << "kept: " << text.size() << " characters";
}

TEST_F(ChildDialogTest, OkAndCancelOnlyForNotificationCodeZero)
{
    struct Case {
        WORD id;
        WORD code;
        int ok;
        int cancel;
    };
    const Case cases[] = {
        {IDOK, BN_CLICKED, 1, 0},     {IDOK, 1, 0, 0},     {IDOK, EN_CHANGE, 0, 0},
        {IDCANCEL, BN_CLICKED, 0, 1}, {IDCANCEL, 1, 0, 0}, {3, BN_CLICKED, 0, 0},
    };
    for (const Case& c : cases) {
        dialog_.ok = dialog_.cancel = 0;
        dialog_.commands.clear();
        SendMessageW(dialog_.Handle(), WM_COMMAND, MAKEWPARAM(c.id, c.code), 0);
        EXPECT_EQ(dialog_.ok, c.ok) << "id " << c.id << " code " << c.code;
        EXPECT_EQ(dialog_.cancel, c.cancel) << "id " << c.id << " code " << c.code;
        // The WM_COMMAND handler sees every command first.
        ASSERT_EQ(dialog_.commands.size(), 1u);
        EXPECT_EQ(dialog_.commands[0], static_cast<UINT>(MAKELONG(c.id, c.code)));
    }
}

TEST(DialogProcTest, MessagesBeforeInitDialogAreLeftToTheSystem)
{
    // A window that has no object: every message, even a routed one, answers FALSE.
    HWND stray =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, TheApp()->Instance(), nullptr);
    ASSERT_NE(stray, nullptr);
    const std::size_t before = TheApp()->Windows().Size();
    for (UINT msg : {UINT(WM_SETFONT), UINT(WM_CLOSE), UINT(WM_COMMAND), UINT(WM_DESTROY)}) {
        EXPECT_EQ(Dialog::DialogProc(stray, msg, IDOK, 0), FALSE) << msg;
        EXPECT_EQ(Dialog::PageProc(stray, msg, IDOK, 0), FALSE) << msg;
    }
    EXPECT_EQ(TheApp()->Windows().Size(), before);
    EXPECT_EQ(TheApp()->Windows().Find(stray), nullptr);
    EXPECT_TRUE(IsWindow(stray));
    DestroyWindow(stray);

    // A real dialog: its font arrives before WM_INITDIALOG; answered FALSE, the system keeps it.
    HWND parent =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, TheApp()->Instance(), nullptr);
    ChildDialog dialog;
    ASSERT_TRUE(dialog.CreateChild(kChildTemplate, parent));
    EXPECT_TRUE(dialog.initSeen);
    EXPECT_NE(SendMessageW(dialog.Handle(), WM_GETFONT, 0, 0), 0);
    DestroyWindow(parent);
}

} // namespace
