// The calendar's icon in the notification area, kept there across shell restarts.
#pragma once
#include "app/Win.h"

class TrayIcon {
public:
    // `callbackMessage` carries the icon's mouse and balloon messages to the window.
    TrayIcon(UINT id, UINT callbackMessage) : id_(id), callback_(callbackMessage) {}

    // Adds the icon, or refreshes one that is still there.
    void Show(HWND window) const;
    void Remove(HWND window) const;
    // True for the message the shell sends when it (re)starts: the icon was shown again.
    bool OnShellRestart(HWND window, UINT msg) const;

private:
    UINT id_;
    UINT callback_;
    // Sent to every top-level window when the shell (re)starts: the icon must be added again.
    UINT taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
};
