// Window objects: one virtual handler per message, defaults forward to the
// window's previous procedure.
#pragma once
#include "app/Win.h"

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    // Never destroys the window: destroying it and deleting the object are separate acts.
    virtual ~Window() = default;

    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual bool Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                        int width, int height, HWND parent, HMENU menu);

    HWND Handle() const { return hwnd_; }
    void SetHandle(HWND hwnd) { hwnd_ = hwnd; }

    // Takes over an existing window: this object sees its messages first.
    void Subclass(HWND hwnd);

    // Shared window procedure of every class the program registers.
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    LRESULT Forward(UINT msg, WPARAM wParam, LPARAM lParam);

    virtual void OnActivate(UINT state, HWND other, bool minimized);
    virtual void OnActivateApp(bool active, DWORD threadId);
    virtual void OnChar(WPARAM character, LPARAM keyData);
    virtual void OnClose();
    virtual void OnCommand(UINT code, UINT id, HWND control);
    virtual void OnContextMenu(HWND window, int x, int y);
    virtual bool OnCreate(CREATESTRUCTW* create);
    virtual LRESULT OnCtlColorEdit(HDC dc, HWND control);
    virtual LRESULT OnCtlColorListBox(HDC dc, HWND control);
    virtual LRESULT OnCtlColorStatic(HDC dc, HWND control);
    virtual LRESULT OnCtlColorBtn(HDC dc, HWND control);
    virtual void OnDestroy();
    virtual void OnDrawItem(DRAWITEMSTRUCT* item);
    virtual void OnDropFiles(HDROP drop);
    virtual void OnEnable(bool enabled);
    virtual bool OnEraseBkgnd(HDC dc);
    virtual void OnHelp(HELPINFO* info);
    virtual void OnGetMinMaxInfo(MINMAXINFO* info);
    virtual void OnHotKey(int id, UINT modifiers, UINT virtualKey);
    virtual void OnHScroll(UINT request, UINT position, HWND bar);
    virtual bool OnInitDialog(HWND focus, LPARAM initParam);
    virtual void OnInitMenu(HMENU menu);
    virtual void OnInitMenuPopup(HMENU menu, UINT index, bool windowMenu);
    virtual void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags);
    virtual void OnKeyUp(UINT virtualKey, UINT repeat, UINT flags);
    virtual void OnKillFocus(HWND gaining);
    virtual void OnLButtonDblClk(UINT keys, int x, int y);
    virtual void OnLButtonDown(UINT keys, int x, int y);
    virtual void OnLButtonUp(UINT keys, int x, int y);
    virtual void OnMeasureItem(UINT id, MEASUREITEMSTRUCT* item);
    virtual void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    virtual LRESULT OnMouseActivate(HWND topLevel, UINT hitTest, UINT mouseMsg);
    virtual void OnMouseMove(UINT keys, int x, int y);
    virtual void OnMove(int x, int y);
    virtual void OnMoving(UINT edge, RECT* rect);
    virtual LRESULT OnNotify(WPARAM id, NMHDR* header);
    virtual LRESULT OnNcHitTest(int x, int y);
    virtual void OnNcLButtonDown(UINT hitTest, int x, int y);
    virtual void OnNcLButtonUp(UINT hitTest, int x, int y);
    virtual void OnNcPaint(HRGN region);
    virtual void OnNcRButtonDown(UINT hitTest, int x, int y);
    virtual void OnNcRButtonUp(UINT hitTest, int x, int y);
    virtual void OnPaint();
    virtual void OnParentNotify(UINT event, LPARAM lParam, UINT childId);
    virtual bool OnQueryEndSession();
    virtual void OnRButtonDblClk(UINT keys, int x, int y);
    virtual void OnRButtonDown(UINT keys, int x, int y);
    virtual void OnRButtonUp(UINT keys, int x, int y);
    virtual bool OnSetCursor(HWND window, UINT hitTest, UINT mouseMsg);
    virtual void OnSetFocus(HWND losing);
    virtual void OnSetText(const wchar_t* text);
    virtual void OnShowWindow(bool shown, UINT status);
    virtual void OnSize(UINT type, int width, int height);
    virtual void OnSizing(UINT edge, RECT* rect);
    virtual void OnTimer(UINT_PTR id, LPARAM lParam);
    virtual void OnSysChar(WPARAM character, LPARAM keyData);
    virtual void OnSysColorChange();
    virtual void OnSysCommand(UINT command, int x, int y);
    virtual void OnSysKeyDown(UINT virtualKey, UINT repeat, UINT flags);
    virtual void OnSysKeyUp(UINT virtualKey, UINT repeat, UINT flags);
    virtual LRESULT OnVKeyToItem(UINT virtualKey, HWND listBox, int caret);
    virtual void OnVScroll(UINT request, UINT position, HWND bar);
    virtual void OnWindowPosChanged(WINDOWPOS* pos);
    virtual bool OnWindowPosChanging(WINDOWPOS* pos);

    // Routes one message of the handler table; false when the message has no slot.
    bool DispatchToSlot(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    HWND hwnd_ = nullptr;
    WNDPROC previous_ = DefWindowProcW;
};

ATOM RegisterWindowClass(const wchar_t* className, UINT style, HICON icon, HICON smallIcon, HCURSOR cursor,
                         HBRUSH background);
