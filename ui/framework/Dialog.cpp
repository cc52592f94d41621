#include "ui/framework/Dialog.h"

#include "app/Application.h"

INT_PTR Dialog::DoModal(UINT templateId, HWND owner)
{
    return DialogBoxParamW(TheApp()->Instance(), MAKEINTRESOURCEW(templateId), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateChild(UINT templateId, HWND parent)
{
    HWND hwnd = CreateDialogParamW(TheApp()->Instance(), MAKEINTRESOURCEW(templateId), parent, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr)
        return false;
    SetHandle(hwnd);
    TheApp()->Windows().Insert(hwnd, this);
    return true;
}

void Dialog::CloseDialog() { EndDialog(Handle(), 0); }

void Dialog::GetItemText(int id, std::wstring& text) const
{
    HWND item = GetDlgItem(Handle(), id);
    const int length = GetWindowTextLengthW(item);
    if (length <= 0) {
        text.clear();
        return;
    }
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(item, buffer.data(), length + 1);
    buffer.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    text = std::move(buffer);
}

int Dialog::CheckedButton(int first, int last) const
{
    for (int id = first; id <= last; ++id)
        if (IsDlgButtonChecked(Handle(), id) == BST_CHECKED)
            return id;
    return -1;
}

INT_PTR Dialog::Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Dialog* initObject)
{
    WindowMap& map = TheApp()->Windows();
    auto* dialog = static_cast<Dialog*>(map.Find(hwnd));
    if (msg == WM_INITDIALOG && initObject != nullptr) {
        map.Insert(hwnd, initObject);
        initObject->SetHandle(hwnd);
        dialog = initObject;
    }
    if (dialog == nullptr)
        return FALSE;
    if (msg == WM_NCDESTROY) {
        // A destroyed dialog's object is never reached again, even if the handle is reused.
        map.Erase(hwnd);
        return FALSE;
    }
    return dialog->DialogDispatch(msg, wParam, lParam);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Dialog* init = msg == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam) : nullptr;
    return Route(hwnd, msg, wParam, lParam, init);
}

INT_PTR CALLBACK Dialog::PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Dialog* init = nullptr;
    if (msg == WM_INITDIALOG && lParam != 0)
        init = reinterpret_cast<Dialog*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
    return Route(hwnd, msg, wParam, lParam, init);
}

INT_PTR Dialog::DialogDispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DESTROY:
    case WM_SETFOCUS:
    case WM_CLOSE:
    case WM_SHOWWINDOW:
    case WM_DRAWITEM:
    case WM_NOTIFY:
    case WM_HELP:
    case WM_SYSCOMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL: {
        LRESULT ignored = 0;
        DispatchToSlot(msg, wParam, lParam, ignored);
        return TRUE;
    }
    case WM_INITDIALOG: {
        LRESULT result = 0;
        DispatchToSlot(msg, wParam, lParam, result);
        return result != 0 ? TRUE : FALSE;
    }
    case WM_COMMAND: {
        LRESULT ignored = 0;
        DispatchToSlot(msg, wParam, lParam, ignored);
        if (HIWORD(wParam) == 0) {
            if (LOWORD(wParam) == IDOK)
                OnOK();
            else if (LOWORD(wParam) == IDCANCEL)
                OnCancel();
        }
        return TRUE;
    }
    default: return FALSE;
    }
}

PropertyPage::PropertyPage(UINT templateId, const wchar_t* title, DWORD flags, UINT iconId)
{
    if (title != nullptr)
        title_ = title;
    page_.dwSize = sizeof(page_);
    page_.dwFlags = flags | (title_.empty() ? 0 : PSP_USETITLE);
    page_.hInstance = nullptr;
    page_.pszTemplate = MAKEINTRESOURCEW(templateId);
    page_.pszIcon = MAKEINTRESOURCEW(iconId);
    page_.pszTitle = title_.empty() ? nullptr : title_.c_str();
    page_.pfnDlgProc = PageProc;
    page_.lParam = reinterpret_cast<LPARAM>(this);
}

void PropertyPage::SetResult(LONG_PTR value) { SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, value); }

LRESULT PropertyPage::OnNotify(WPARAM, NMHDR* header)
{
    if (header == nullptr)
        return 0;
    switch (header->code) {
    // Any other non-zero answer would name the resource id of a page to jump to.
    case PSN_SETACTIVE: SetResult(OnSetActive() ? 0 : -1); break;
    case PSN_KILLACTIVE: SetResult(OnKillActive() ? 1 : 0); break;
    case PSN_APPLY: SetResult(OnApply() ? PSNRET_INVALID : PSNRET_NOERROR); break;
    case PSN_RESET: OnReset(); break;
    case PSN_HELP: OnHelp(); break;
    default: break;
    }
    return 0;
}

INT_PTR PropertySheet::Show(DWORD extraFlags, HWND parent, UINT iconId, const wchar_t* caption, UINT startPage)
{
    // A new array for every opening; the previous one is freed here.
    pageArray_ = std::make_unique<PROPSHEETPAGEW[]>(pages_.size());
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        pageArray_[i] = pages_[i]->SheetPage();
        if (pageArray_[i].hInstance == nullptr)
            pageArray_[i].hInstance = TheApp()->Instance();
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = extraFlags | PSH_PROPSHEETPAGE | PSH_USEICONID;
    header.hwndParent = parent;
    header.hInstance = TheApp()->Instance();
    header.pszIcon = MAKEINTRESOURCEW(iconId);
    header.pszCaption = caption;
    header.nPages = static_cast<UINT>(pages_.size());
    header.nStartPage = startPage;
    header.ppsp = pageArray_.get();
    const INT_PTR result = PropertySheetW(&header);
    if ((extraFlags & PSH_MODELESS) != 0 && result != 0 && result != -1)
        Subclass(reinterpret_cast<HWND>(result));
    return result;
}

bool PropertySheet::WantsToClose() const
{
    return Handle() != nullptr && IsWindow(Handle()) && PropSheet_GetCurrentPageHwnd(Handle()) == nullptr;
}
