// Dialogs, pages and the modeless sheet: page notifications, control helpers, routing.
#include "app/Application.h"
#include "support/TestSupport.h"
#include "ui/framework/Dialog.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace {

constexpr UINT kPageFirst = 9100, kPageSecond = 9101, kChildTemplate = 9102;

struct TestPage : PropertyPage {
    using PropertyPage::PropertyPage;
    bool applyAnswer = false;
    bool OnInitDialog(HWND, LPARAM) override { return true; }
    bool OnApply() override { return applyAnswer; }
};

struct TestSheet : PropertySheet {
    TestPage first{kPageFirst, L"First"}, second{kPageSecond, L"Second"};
    TestSheet()
    {
        AddPage(&first);
        AddPage(&second);
    }
    ~TestSheet() override
    {
        if (IsWindow(Handle()))
            DestroyWindow(Handle());
    }
};

TEST(PropertySheetTest, ApplyAnswerTrueKeepsTheSheetOpenOnThatPage)
{
    for (const bool keep : {false, true}) {
        TestSheet sheet;
        sheet.second.applyAnswer = keep;
        const auto hwnd = reinterpret_cast<HWND>(sheet.Show(PSH_MODELESS | PSH_NOCONTEXTHELP, nullptr, 0, L"Sheet", 0));
        ASSERT_TRUE(hwnd != nullptr && hwnd != reinterpret_cast<HWND>(-1));
        // Visit the second page so that it exists and takes part in applying, then go back.
        ASSERT_TRUE(PropSheet_SetCurSel(hwnd, nullptr, 1));
        ASSERT_TRUE(PropSheet_SetCurSel(hwnd, nullptr, 0));
        PropSheet_PressButton(hwnd, PSBTN_OK);
        PumpMessages(100);
        EXPECT_EQ(sheet.WantsToClose(), !keep) << keep;
        EXPECT_EQ(IsWindow(hwnd) && PropSheet_HwndToIndex(hwnd, PropSheet_GetCurrentPageHwnd(hwnd)) == 1, keep)
            << "open on the refusing page";
    }
}

struct ChildDialog : Dialog {
    int calls = 0; // OnOK counts 1, OnCancel 10
    void OnOK() override { calls += 1; }
    void OnCancel() override { calls += 10; }
};

TEST(DialogTest, OkAndCancelOnlyForNotificationCodeZero)
{
    // A child dialog of a hidden popup, both gone at the end of the scope.
    const std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)> parent{
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, TheApp()->Instance(), nullptr),
        &DestroyWindow};
    ChildDialog dialog;
    ASSERT_TRUE(dialog.CreateChild(kChildTemplate, parent.get()));
    for (const auto& [id, code, calls] : {std::tuple<WORD, WORD, int>{IDOK, BN_CLICKED, 1},
                                          {IDOK, 1, 0},
                                          {IDCANCEL, BN_CLICKED, 10},
                                          {IDCANCEL, 1, 0}}) {
        dialog.calls = 0;
        SendMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(id, code), 0);
        EXPECT_EQ(dialog.calls, calls) << id << "/" << code;
    }
}

} // namespace
