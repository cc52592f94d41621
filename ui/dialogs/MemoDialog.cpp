#include "ui/dialogs/MemoDialog.h"

#include "res/resource.h"

#include <cwchar>

bool MemoDialog::Edit(HWND owner, int year, int month, int day, const std::wstring& memo)
{
    year_ = year;
    month_ = month;
    day_ = day;
    memo_ = memo;
    // -1 (template missing) counts as no edit, like Cancel.
    return DoModal(IDD_MEMO, owner) > 0;
}

bool MemoDialog::OnInitDialog(HWND, LPARAM)
{
    wchar_t date[50];
    std::swprintf(date, 50, L"%d年%d月%d日", year_, month_, day_);
    SetDlgItemTextW(Handle(), IDC_DATE_LABEL, date);
    SetDlgItemTextW(Handle(), IDC_MEMO_EDIT, memo_.c_str());
    return true;
}

void MemoDialog::OnOK()
{
    GetItemText(IDC_MEMO_EDIT, memo_);
    EndDialog(Handle(), 1);
}
