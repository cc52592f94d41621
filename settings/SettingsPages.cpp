#include "settings/SettingsPages.h"

#include "app/Application.h"
#include "app/Dpi.h"
#include "res/resource.h"
#include "settings/SettingsSheet.h"

#include <cstdint>

// --- SettingsPage --------------------------------------------------------------

void SettingsPage::MarkChanged()
{
    SendMessageW(GetParent(Handle()), PSM_CHANGED, reinterpret_cast<WPARAM>(Handle()), 0);
    changed_ = true;
}

LRESULT SettingsPage::OnNotify(WPARAM, NMHDR* header)
{
    // Only the sheet's own notifications concern the page.
    if (header == nullptr || header->hwndFrom != GetParent(Handle()))
        return 0;
    // The answer travels in DWL_MSGRESULT; never leave an earlier one behind for a notification
    // the page does not handle (a stale non-zero answer would refuse Cancel).
    SetResult(0);
    switch (header->code) {
    case PSN_KILLACTIVE: SetResult(FALSE); break;
    case PSN_APPLY:
        if (changed_) {
            ApplyChanges();
            changed_ = false;
            sheet_.NoteApplied();
        }
        SetResult(PSNRET_NOERROR);
        break;
    default: break;
    }
    return 0;
}

void SettingsHost::ReportError(UINT stringId) { ReportError(stringId, {}); }

void SettingsHost::ReportError(UINT stringId, const std::wstring& detail)
{
    const std::wstring text = detail.empty() ? ResString(stringId) : ResString(stringId) + L"\n\n" + detail;
    MessageBoxW(HostWindow(), text.c_str(), ResString(IDS_PRODUCT).c_str(), MB_ICONERROR);
}

// --- GeneralPage ----------------------------------------------------------------

GeneralPage::GeneralPage(SettingsSheet& sheet) : SettingsPage(sheet, IDD_GENERAL) {}

bool GeneralPage::OnInitDialog(HWND, LPARAM)
{
    initialising_ = true;
    ClearChanged();
    const Settings& live = Sheet().Live();
    CheckDlgButton(Handle(), IDC_SHOW_BEGIN, live.ShowBegin ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_STAY_TOP, live.StayTop ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_TODAY_INFO, live.TodayInfo ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(Handle(), IDC_HOTKEY, HKM_SETHOTKEY,
                        static_cast<WPARAM>(static_cast<std::uint32_t>(live.Hotkey)), 0);
    // Read afresh at every opening: the entry may have been turned off elsewhere.
    CheckDlgButton(Handle(), IDC_START_AT_LOGON, startup_.Enabled() ? BST_CHECKED : BST_UNCHECKED);
    const ReminderSettings& reminder = Sheet().Reminder();
    CheckDlgButton(Handle(), IDC_REMINDER_ENABLED, reminder.enabled ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(Handle(), IDC_REMINDER_LEAD, CB_RESETCONTENT, 0, 0);
    for (std::size_t i = 0; i < ReminderSettings::kLeadChoices.size(); ++i) {
        const std::wstring label = ResString(static_cast<UINT>(IDS_REMINDER_LEAD_FIRST + i));
        SendDlgItemMessageW(Handle(), IDC_REMINDER_LEAD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
        if (ReminderSettings::kLeadChoices[i] == reminder.leadMinutes)
            SendDlgItemMessageW(Handle(), IDC_REMINDER_LEAD, CB_SETCURSEL, i, 0);
    }
    EnableLeadChoice();
    initialising_ = false;
    return true;
}

void GeneralPage::OnCommand(UINT code, UINT id, HWND)
{
    if (initialising_)
        return;
    switch (id) {
    case IDC_SHOW_BEGIN:
    case IDC_STAY_TOP:
    case IDC_TODAY_INFO:
    case IDC_START_AT_LOGON: MarkChanged(); break;
    case IDC_REMINDER_ENABLED:
        EnableLeadChoice();
        MarkChanged();
        break;
    case IDC_REMINDER_LEAD:
        if (code == CBN_SELCHANGE)
            MarkChanged();
        break;
    case IDC_HOTKEY:
        if (code == EN_CHANGE)
            MarkChanged();
        break;
    default: break;
    }
}

void GeneralPage::ApplyChanges()
{
    Settings& live = Sheet().Live();
    live.ShowBegin = IsDlgButtonChecked(Handle(), IDC_SHOW_BEGIN) == BST_CHECKED;
    live.TodayInfo = IsDlgButtonChecked(Handle(), IDC_TODAY_INFO) == BST_CHECKED;
    live.StayTop = IsDlgButtonChecked(Handle(), IDC_STAY_TOP) == BST_CHECKED;
    SettingsHost* host = Sheet().Host();
    if (host != nullptr && host->HostWindow() != nullptr)
        SetWindowPos(host->HostWindow(), live.StayTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Kept even when it cannot be registered: the host reports that itself.
    live.Hotkey = LOWORD(SendDlgItemMessageW(Handle(), IDC_HOTKEY, HKM_GETHOTKEY, 0, 0));
    if (host != nullptr)
        host->ApplyHotKey();
    if (!startup_.Set(IsDlgButtonChecked(Handle(), IDC_START_AT_LOGON) == BST_CHECKED)) {
        // The box shows what the registry holds, not what could not be written.
        CheckDlgButton(Handle(), IDC_START_AT_LOGON, startup_.Enabled() ? BST_CHECKED : BST_UNCHECKED);
        if (host != nullptr)
            host->ReportError(startup_.FailureText());
    }
    ReminderSettings& reminder = Sheet().Reminder();
    reminder.enabled = IsDlgButtonChecked(Handle(), IDC_REMINDER_ENABLED) == BST_CHECKED;
    const auto choice = SendDlgItemMessageW(Handle(), IDC_REMINDER_LEAD, CB_GETCURSEL, 0, 0);
    if (choice >= 0 && static_cast<std::size_t>(choice) < ReminderSettings::kLeadChoices.size())
        reminder.leadMinutes = ReminderSettings::kLeadChoices[static_cast<std::size_t>(choice)];
    if (host != nullptr)
        host->ApplyReminders();
}

void GeneralPage::EnableLeadChoice()
{
    EnableWindow(GetDlgItem(Handle(), IDC_REMINDER_LEAD),
                 IsDlgButtonChecked(Handle(), IDC_REMINDER_ENABLED) == BST_CHECKED);
}

// --- DesignPage -------------------------------------------------------------------

DesignPage::DesignPage(SettingsSheet& sheet) : SettingsPage(sheet, IDD_DESIGN) {}

DesignPage::~DesignPage() = default;

DesignItemPage* DesignPage::ItemPage(int index) const
{
    if (index < 0 || index >= kPageCount)
        return nullptr;
    return pages_[static_cast<std::size_t>(index)].get();
}

void DesignPage::FillItems()
{
    DesignSettings& w = *working_;
    const DesignItem rows[kItemCount] = {
        {ResString(IDS_ITEM_BACKGROUND), &w.Background, 2}, {ResString(IDS_ITEM_MONTH), &w.MonthFont, 0},
        {ResString(IDS_ITEM_WEEK), &w.WeekFont, 0},         {ResString(IDS_ITEM_DAY), &w.DayFont, 1},
        {ResString(IDS_ITEM_DAYBACK), &w.DayBackColors, 5}, {ResString(IDS_ITEM_LNMONTH), &w.LNMonthFont, 4},
        {ResString(IDS_ITEM_BUTTON), &w.ButtonColors, 3},   {ResString(IDS_ITEM_DAYINFO_TITLE), &w.Dayinfo, 6},
        {ResString(IDS_ITEM_DAYINFO_MEMO), &w.Dayinfo, 7},
    };
    for (int i = 0; i < kItemCount; ++i)
        items_[static_cast<std::size_t>(i)] = rows[i];
}

void DesignPage::ShowPage(DesignItemPage& page, bool show)
{
    ShowWindow(page.Handle(), show ? SW_SHOW : SW_HIDE);
    EnableWindow(page.Handle(), show ? TRUE : FALSE);
}

bool DesignPage::OnInitDialog(HWND, LPARAM)
{
    ClearChanged();
    for (auto& page : pages_)
        page.reset();
    working_ = std::make_unique<DesignSettings>(Sheet().Live().Design);
    FillItems();
    current_ = 0;

    HWND list = GetDlgItem(Handle(), IDC_ITEM_LIST);
    // 20 pixels at 96 DPI; the page's font grows with the DPI, and so must the rows.
    SendMessageW(list, LB_SETITEMHEIGHT, 0, MulDiv(20, static_cast<int>(WindowDpi(Handle())), kBaseDpi));
    for (int i = 0; i < kItemCount; ++i)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&items_[static_cast<std::size_t>(i)]));
    SendMessageW(list, LB_SETCURSEL, 0, 0);

    RECT listRect{};
    GetWindowRect(list, &listRect);
    POINT corner{listRect.right, listRect.bottom};
    ScreenToClient(Handle(), &corner);

    pages_[0] = std::make_unique<FontPage>(*this);
    pages_[1] = std::make_unique<DayFontPage>(*this);
    pages_[2] = std::make_unique<BackgroundPage>(*this);
    pages_[3] = std::make_unique<ButtonPage>(*this);
    pages_[4] = std::make_unique<LNMonthPage>(*this);
    pages_[5] = std::make_unique<DayBackPage>(*this);
    pages_[6] = std::make_unique<DayinfoTitlePage>(*this);
    pages_[7] = std::make_unique<DayinfoMemoPage>(*this);
    for (auto& page : pages_) {
        if (!page->CreateChild(page->TemplateId(), Handle())) {
            page.reset();
            continue;
        }
        ShowPage(*page, false);
        SetWindowPos(page->Handle(), nullptr, corner.x, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    const DesignItem& first = items_[0];
    if (DesignItemPage* page = ItemPage(first.page)) {
        page->Bind(first.group);
        ShowPage(*page, true);
    }
    return true;
}

void DesignPage::OnCommand(UINT code, UINT id, HWND)
{
    if (id == IDC_ITEM_LIST && code == LBN_SELCHANGE)
        SelectItem();
}

void DesignPage::SelectItem()
{
    const auto selected = static_cast<int>(SendDlgItemMessageW(Handle(), IDC_ITEM_LIST, LB_GETCURSEL, 0, 0));
    if (selected < 0 || selected >= kItemCount)
        return;
    const DesignItem& item = items_[static_cast<std::size_t>(selected)];
    DesignItemPage* page = ItemPage(item.page);
    // Always rebound: two items can share one page.
    if (page != nullptr)
        page->Bind(item.group);
    const int previous = items_[static_cast<std::size_t>(current_)].page;
    if (previous != item.page) {
        if (page != nullptr)
            ShowPage(*page, true);
        if (DesignItemPage* old = ItemPage(previous))
            ShowPage(*old, false);
    }
    current_ = selected;
}

void DesignPage::OnDrawItem(DRAWITEMSTRUCT* item)
{
    if (item == nullptr || item->CtlID != IDC_ITEM_LIST)
        return;
    HDC dc = item->hDC;
    const RECT rect = item->rcItem;
    if (item->itemID < static_cast<UINT>(kItemCount)) {
        const bool selected = (item->itemState & ODS_SELECTED) != 0;
        FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT text = rect;
        text.left += 5;
        // Prefix processing on: "&&" shows as one ampersand.
        const std::wstring& label = items_[item->itemID].label;
        DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text, DT_SINGLELINE | DT_VCENTER);
        SetTextColor(dc, oldColour);
        SetBkMode(dc, oldMode);
    }
    if ((item->itemState & ODS_FOCUS) != 0)
        DrawFocusRect(dc, &rect);
}

void DesignPage::OnDestroy()
{
    for (auto& page : pages_) {
        if (page != nullptr && IsWindow(page->Handle()))
            DestroyWindow(page->Handle());
        page.reset();
    }
    SettingsPage::OnDestroy();
}

void DesignPage::ApplyChanges()
{
    if (working_ == nullptr)
        return;
    // All eight groups at once; the working copy stays for further edits.
    Sheet().Live().Design = *working_;
    if (SettingsHost* host = Sheet().Host())
        host->Render(true);
}
