// Dialogs, property pages and the property sheet as window objects.
#pragma once
#include "ui/framework/Window.h"

#include <memory>
#include <string>
#include <vector>

// The class below is named after what it is; the Windows macro of the same
// name would turn it into the API function. Call PropertySheetW directly.
#ifdef PropertySheet
#undef PropertySheet
#endif

class Dialog : public Window {
public:
    // OK and Cancel: WM_COMMAND with id IDOK / IDCANCEL and notification code 0.
    virtual void OnOK() {}
    virtual void OnCancel() {}

    // Modal run of the template; the value given to EndDialog (-1 when the template cannot be loaded).
    INT_PTR DoModal(UINT templateId, HWND owner);
    // Modeless child dialog of `parent`.
    bool CreateChild(UINT templateId, HWND parent);
    void CloseDialog();

    void GetItemText(int id, std::wstring& text) const;
    // The first checked button of first..last, or -1.
    int CheckedButton(int first, int last) const;

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    // Routes the dialog messages of the handler table; FALSE leaves a message to the system.
    INT_PTR DialogDispatch(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Dialog* initObject);
};

class PropertyPage : public Dialog {
public:
    PropertyPage(UINT templateId, const wchar_t* title = nullptr, DWORD flags = 0, UINT iconId = 0);

    const PROPSHEETPAGEW& SheetPage() const { return page_; }

    // true keeps the user on this page.
    virtual bool OnKillActive() { return false; }
    // true accepts the activation (answered 0); false passes the page over (answered -1).
    virtual bool OnSetActive() { return true; }
    // true keeps the sheet open on this page.
    virtual bool OnApply() { return false; }
    virtual void OnReset() {}
    virtual void OnHelp() {}

protected:
    LRESULT OnNotify(WPARAM id, NMHDR* header) override;
    void SetResult(LONG_PTR value);

private:
    PROPSHEETPAGEW page_{};
    std::wstring title_;
};

class PropertySheet : public Window {
public:
    void AddPage(PropertyPage* page) { pages_.push_back(page); }
    const std::vector<PropertyPage*>& Pages() const { return pages_; }

    // Builds the page array and opens the sheet; a modeless sheet's window is subclassed.
    INT_PTR Show(DWORD extraFlags, HWND parent, UINT iconId, const wchar_t* caption, UINT startPage);

    const PROPSHEETPAGEW* PageArray() const { return pageArray_.get(); }
    // A modeless sheet asks to be closed (after OK or Cancel went through) when it has no current page.
    bool WantsToClose() const;

private:
    std::vector<PropertyPage*> pages_;
    std::unique_ptr<PROPSHEETPAGEW[]> pageArray_;
};
