#include "ui/calendar/TrayIcon.h"

#include "app/Application.h"
#include "app/Handle.h"
#include "resource.h"
#include "ui/calendar/CalendarWindow.h"

#include <algorithm>

void TrayIcon::Show(HWND window) const
{
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof(nid);
    nid.hWnd = window;
    nid.uID = id_;
    const UniqueIcon icon(static_cast<HICON>(
        LoadImageW(TheApp()->Instance(), MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = callback_;
    nid.hIcon = icon.get();
    const std::wstring tip = calendar_window::TrayTip(ResString(IDS_PRODUCT));
    std::copy(tip.begin(), tip.end(), nid.szTip);
    nid.szTip[tip.size()] = L'\0';
    // An icon that is still there (TaskbarCreated also comes on a DPI change) is refreshed instead.
    if (!Shell_NotifyIconW(NIM_ADD, &nid))
        Shell_NotifyIconW(NIM_MODIFY, &nid);
    // Balloon clicks arrive as NIN_BALLOONUSERCLICK; mouse messages stay as they were.
    nid.uVersion = NOTIFYICON_VERSION;
    Shell_NotifyIconW(NIM_SETVERSION, &nid);
}

void TrayIcon::Remove(HWND window) const
{
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof(nid);
    nid.hWnd = window;
    nid.uID = id_;
    Shell_NotifyIconW(NIM_DELETE, &nid);
}

bool TrayIcon::OnShellRestart(HWND window, UINT msg) const
{
    if (msg != taskbarCreated_ || taskbarCreated_ == 0)
        return false;
    // Explorer restarted, or the shell came up after the program: the icon is gone.
    Show(window);
    return true;
}
