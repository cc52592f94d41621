#include "settings/SubscriptionsPage.h"

#include "app/Application.h"
#include "calendar/FeedStatus.h"
#include "calendar/FeedStore.h"
#include "res/resource.h"
#include "settings/SettingsControls.h"
#include "settings/SettingsSheet.h"

#include <algorithm>
#include <array>

namespace {
constexpr int kColourColumn = 1;
constexpr int kStatusColumn = 2;
constexpr int kApplyButton = 0x3021; // the property sheet's Apply
constexpr wchar_t kSwatch[] = L"\x25A0\x25A0\x25A0";

// New subscriptions take these in turn, so that two new ones differ at once.
constexpr std::array<Argb, 6> kNewColours{0xFF1E90FF, 0xFFE0457B, 0xFF2E9E5B, 0xFFF08C00, 0xFF8E5CD9, 0xFF00A3A3};

bool SameAddress(const Subscription& a, const Subscription& b) { return feeds::Key(a.url) == feeds::Key(b.url); }

} // namespace

// --- SubscriptionDialog ---------------------------------------------------------

bool SubscriptionDialog::Edit(HWND owner, Subscription& subscription, std::span<const Subscription> others, bool adding)
{
    entry_ = subscription;
    others_ = others;
    adding_ = adding;
    if (DoModal(IDD_SUBSCRIPTION, owner) <= 0)
        return false;
    subscription = entry_;
    return true;
}

bool SubscriptionDialog::OnInitDialog(HWND, LPARAM)
{
    SetWindowTextW(Handle(), ResString(adding_ ? IDS_SUB_ADD_CAPTION : IDS_SUB_EDIT_CAPTION).c_str());
    SetDlgItemTextW(Handle(), IDC_SUB_NAME, entry_.name.c_str());
    // The only place the address is shown, secret token and all.
    SetDlgItemTextW(Handle(), IDC_SUB_URL, entry_.url.c_str());
    return true;
}

void SubscriptionDialog::OnCommand(UINT code, UINT id, HWND)
{
    if (id != IDC_SUB_COLOR || code != BN_CLICKED)
        return;
    COLORREF rgb = ToColorRef(entry_.color);
    if (ChooseColorFor(Handle(), rgb)) {
        entry_.color = WithRgb(entry_.color, rgb);
        InvalidateRect(GetDlgItem(Handle(), IDC_SUB_COLOR), nullptr, FALSE);
    }
}

void SubscriptionDialog::OnDrawItem(DRAWITEMSTRUCT* item)
{
    if (item != nullptr && item->CtlID == IDC_SUB_COLOR)
        DrawColorButton(*item, ToColorRef(entry_.color));
}

void SubscriptionDialog::Refuse(UINT stringId, int control)
{
    MessageBoxW(Handle(), ResString(stringId).c_str(), ResString(IDS_PRODUCT).c_str(), MB_ICONWARNING);
    SetFocus(GetDlgItem(Handle(), control));
}

void SubscriptionDialog::OnOK()
{
    std::wstring name;
    std::wstring url;
    GetItemText(IDC_SUB_NAME, name);
    GetItemText(IDC_SUB_URL, url);
    name = std::wstring(feeds::Trimmed(name));
    url = std::wstring(feeds::Trimmed(url));
    if (name.empty())
        return Refuse(IDS_SUB_NEED_NAME, IDC_SUB_NAME);
    if (feeds::FetchUrl(url).empty())
        return Refuse(IDS_SUB_NEED_URL, IDC_SUB_URL);
    // Two entries of one address would share, and remove, one kept copy.
    const Subscription candidate{name, url, entry_.color, entry_.shown};
    if (std::any_of(others_.begin(), others_.end(), [&](const Subscription& o) { return SameAddress(o, candidate); }))
        return Refuse(IDS_SUB_DUPLICATE, IDC_SUB_URL);
    entry_ = candidate;
    EndDialog(Handle(), 1);
}

// --- SubscriptionsPage ------------------------------------------------------------

SubscriptionsPage::SubscriptionsPage(SettingsSheet& sheet) : SettingsPage(sheet, IDD_ONLINE) {}

bool SubscriptionsPage::OnInitDialog(HWND, LPARAM)
{
    ClearChanged();
    const SubscriptionList& live = Sheet().Subscriptions();
    working_ = live.items;

    HWND list = GetDlgItem(Handle(), IDC_SUB_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    RECT client{};
    GetClientRect(list, &client);
    const int width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
    const std::array<std::pair<UINT, int>, 3> columns{
        {{IDS_FEED_COLUMN_NAME, width * 40 / 100},
         {IDS_FEED_COLUMN_COLOR, width * 12 / 100},
         {IDS_FEED_COLUMN_STATUS, width - width * 40 / 100 - width * 12 / 100}}};
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        std::wstring title = ResString(columns[static_cast<std::size_t>(i)].first);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title.data();
        column.cx = columns[static_cast<std::size_t>(i)].second;
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
    filling_ = true;
    SendDlgItemMessageW(Handle(), IDC_SUB_MINUTES_SPIN, UDM_SETRANGE32, SubscriptionList::kMinRefreshMinutes,
                        SubscriptionList::kMaxRefreshMinutes);
    SendDlgItemMessageW(Handle(), IDC_SUB_MINUTES_SPIN, UDM_SETPOS32, 0, live.refreshMinutes);
    filling_ = false;
    Fill(working_.empty() ? -1 : 0);
    return true;
}

void SubscriptionsPage::Fill(int select)
{
    HWND list = GetDlgItem(Handle(), IDC_SUB_LIST);
    filling_ = true;
    ListView_DeleteAllItems(list);
    for (int i = 0; i < static_cast<int>(working_.size()); ++i) {
        Subscription& s = working_[static_cast<std::size_t>(i)];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = s.name.data();
        ListView_InsertItem(list, &item);
        ListView_SetItemText(list, i, kColourColumn, const_cast<wchar_t*>(kSwatch));
        ListView_SetCheckState(list, i, s.shown ? TRUE : FALSE);
    }
    if (select >= 0 && select < static_cast<int>(working_.size()))
        ListView_SetItemState(list, select, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    filling_ = false;
    ShowStatuses();
    EnableButtons();
}

void SubscriptionsPage::ShowStatuses()
{
    if (Handle() == nullptr || !IsWindow(Handle()))
        return;
    HWND list = GetDlgItem(Handle(), IDC_SUB_LIST);
    const FeedStore store(Sheet().DataDirectory());
    for (int i = 0; i < static_cast<int>(working_.size()); ++i) {
        std::wstring status = FeedStatusText(store.ReadState(working_[static_cast<std::size_t>(i)].url));
        ListView_SetItemText(list, i, kStatusColumn, status.data());
    }
}

int SubscriptionsPage::Selected() const
{
    return ListView_GetNextItem(GetDlgItem(Handle(), IDC_SUB_LIST), -1, LVNI_SELECTED);
}

void SubscriptionsPage::EnableButtons()
{
    const BOOL selected = Selected() >= 0 ? TRUE : FALSE;
    EnableWindow(GetDlgItem(Handle(), IDC_SUB_EDIT), selected);
    EnableWindow(GetDlgItem(Handle(), IDC_SUB_REMOVE), selected);
}

void SubscriptionsPage::EditEntry(int index)
{
    const bool adding = index < 0;
    Subscription entry;
    if (adding)
        entry.color = kNewColours[working_.size() % kNewColours.size()];
    else if (index < static_cast<int>(working_.size()))
        entry = working_[static_cast<std::size_t>(index)];
    else
        return;
    std::vector<Subscription> others = working_;
    if (!adding)
        others.erase(others.begin() + index);
    auto dialog = std::make_unique<SubscriptionDialog>();
    if (!dialog->Edit(Handle(), entry, others, adding))
        return;
    if (adding) {
        working_.push_back(entry);
        index = static_cast<int>(working_.size()) - 1;
    } else {
        working_[static_cast<std::size_t>(index)] = entry;
    }
    Fill(index);
    MarkChanged();
}

void SubscriptionsPage::OnCommand(UINT code, UINT id, HWND)
{
    switch (id) {
    case IDC_SUB_ADD: EditEntry(-1); break;
    case IDC_SUB_EDIT: EditEntry(Selected()); break;
    case IDC_SUB_REMOVE:
        if (const int index = Selected(); index >= 0) {
            working_.erase(working_.begin() + index);
            Fill(std::min(index, static_cast<int>(working_.size()) - 1));
            MarkChanged();
        }
        break;
    case IDC_SUB_REFRESH: {
        // What the page shows is what is fetched: pending edits are applied first, as by the Apply button.
        HWND sheet = GetParent(Handle());
        if (Changed())
            SendMessageW(sheet, WM_COMMAND, MAKEWPARAM(kApplyButton, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(sheet, kApplyButton)));
        if (SettingsHost* host = Sheet().Host(); host != nullptr && host->HostWindow() != nullptr)
            PostMessageW(host->HostWindow(), WM_COMMAND, ID_REFRESH_NOW, 0);
        break;
    }
    case IDC_SUB_MINUTES:
        if (code == EN_CHANGE && !filling_)
            MarkChanged();
        break;
    default: break;
    }
}

LRESULT SubscriptionsPage::OnNotify(WPARAM id, NMHDR* header)
{
    if (header == nullptr || header->idFrom != IDC_SUB_LIST)
        return SettingsPage::OnNotify(id, header);
    SetResult(0);
    switch (header->code) {
    case LVN_ITEMCHANGED: {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if (filling_ || (change->uChanged & LVIF_STATE) == 0)
            break;
        if (((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) != 0 && change->iItem >= 0 &&
            change->iItem < static_cast<int>(working_.size())) {
            working_[static_cast<std::size_t>(change->iItem)].shown =
                ListView_GetCheckState(header->hwndFrom, change->iItem) != FALSE;
            MarkChanged();
        }
        EnableButtons();
        break;
    }
    case NM_DBLCLK: EditEntry(Selected()); break;
    case NM_CUSTOMDRAW: SetResult(CustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(header))); break;
    default: break;
    }
    return 0;
}

LRESULT SubscriptionsPage::CustomDraw(NMLVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        // The swatch column's text is drawn in the subscription's colour.
        const auto index = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
        if (draw.iSubItem == kColourColumn && index < working_.size())
            draw.clrText = ToColorRef(working_[index].color);
        else
            draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
        return CDRF_DODEFAULT;
    }
    default: return CDRF_DODEFAULT;
    }
}

void SubscriptionsPage::ApplyChanges()
{
    SubscriptionList& live = Sheet().Subscriptions();
    // Added entries, and entries that changed in any way, are fetched again if shown.
    std::vector<std::wstring> refresh;
    for (const Subscription& s : working_) {
        const auto old = std::find_if(live.items.begin(), live.items.end(),
                                      [&](const Subscription& o) { return SameAddress(o, s); });
        const bool same = old != live.items.end() && old->name == s.name && old->url == s.url &&
                          old->color == s.color && old->shown == s.shown;
        if (s.shown && !same)
            refresh.push_back(s.url);
    }
    BOOL valid = FALSE;
    const int minutes = static_cast<int>(GetDlgItemInt(Handle(), IDC_SUB_MINUTES, &valid, FALSE));
    if (valid)
        live.refreshMinutes =
            std::clamp(minutes, SubscriptionList::kMinRefreshMinutes, SubscriptionList::kMaxRefreshMinutes);
    filling_ = true;
    SetDlgItemInt(Handle(), IDC_SUB_MINUTES, static_cast<UINT>(live.refreshMinutes), FALSE);
    filling_ = false;
    live.items = working_;
    if (SettingsHost* host = Sheet().Host())
        host->SubscriptionsChanged(refresh);
}
