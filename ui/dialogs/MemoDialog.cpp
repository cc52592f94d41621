#include "ui/dialogs/MemoDialog.h"

#include "app/Application.h"
#include "calendar/DayDataFile.h"
#include "calendar/DayDataFormat.h"
#include "res/resource.h"

#include <cwchar>

bool MemoDialog::Edit(HWND owner, int year, int month, int day, const std::wstring& memo)
{
    year_ = year;
    month_ = month;
    day_ = day;
    memo_ = memo;
    base_ = memo;
    // -1 (template missing) counts as no edit, like Cancel.
    return DoModal(IDD_MEMO, owner) > 0;
}

bool MemoDialog::OnInitDialog(HWND, LPARAM)
{
    wchar_t date[50];
    std::swprintf(date, 50, L"%d年%d月%d日", year_, month_, day_);
    SetDlgItemTextW(Handle(), IDC_DATE_LABEL, date);
    SetDlgItemTextW(Handle(), IDC_MEMO_EDIT, memo_.c_str());
    SendDlgItemMessageW(Handle(), IDC_MEMO_EDIT, EM_LIMITTEXT, dayfile::kMaxMemoChars, 0);
    return true;
}

void MemoDialog::Refresh(const std::wstring& stored)
{
    if (Handle() == nullptr || stored == base_)
        return;
    const HWND edit = GetDlgItem(Handle(), IDC_MEMO_EDIT);
    std::wstring typed;
    GetItemText(IDC_MEMO_EDIT, typed);
    const bool touched = SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0;
    const std::wstring shown = touched ? MergeMemo(stored, base_, typed) : stored;
    base_ = stored;
    if (shown == typed)
        return;
    SetWindowTextW(edit, shown.c_str());
    // OK must write what is shown now, even if the user types nothing more.
    SendMessageW(edit, EM_SETMODIFY, touched, 0);
    if (touched)
        SetDlgItemTextW(Handle(), IDC_MEMO_NOTICE, ResString(IDS_MEMO_MERGED).c_str());
}

void MemoDialog::OnOK()
{
    std::wstring memo;
    GetItemText(IDC_MEMO_EDIT, memo);
    if (!dayfile::MemoFits(memo)) { // a pasted text may hold a line longer than a memo keeps
        const std::wstring text = ResFormat(IDS_MEMO_TOO_LONG, int{dayfile::kMaxMemoLine}, int{dayfile::kMaxMemoChars});
        MessageBoxW(Handle(), text.c_str(), ResString(IDS_PRODUCT).c_str(), MB_ICONWARNING);
        return;
    }
    memo_ = std::move(memo);
    EndDialog(Handle(), 1);
}
