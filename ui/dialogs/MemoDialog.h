// The memo dialog: edits the memo of one day; touches neither the model nor the file.
#pragma once
#include "ui/framework/Dialog.h"

#include <string>

class MemoDialog : public Dialog {
public:
    // Runs template 120; true when the user pressed OK, Memo() then holds the edited text.
    bool Edit(HWND owner, int year, int month, int day, const std::wstring& memo);
    // The input memo, replaced by the edit box's text only when OK was pressed.
    const std::wstring& Memo() const { return memo_; }
    // The stored memo the text was edited from: the one given to Edit, or to the last Refresh.
    const std::wstring& Base() const { return base_; }
    // While the dialog is open: the day's memo as another writer left it. Shown
    // as it is while the user has not typed; otherwise the lines it gained are
    // added to the typed text, with a notice.
    void Refresh(const std::wstring& stored);
    int Year() const { return year_; }
    int Month() const { return month_; }
    int Day() const { return day_; }

protected:
    bool OnInitDialog(HWND focus, LPARAM initParam) override;
    void OnOK() override;
    void OnCancel() override { CloseDialog(); }
    void OnClose() override { CloseDialog(); }

private:
    int year_ = 0;
    int month_ = 0;
    int day_ = 0;
    std::wstring memo_;
    std::wstring base_;
};
