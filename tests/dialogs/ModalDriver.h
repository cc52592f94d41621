// Drives a modal dialog from a thread timer while the dialog's own modal loop runs.
#pragma once
#include "support/TestSupport.h"

#include <functional>
#include <string>
#include <vector>

// Each step gets the dialog found by its caption and is repeated on every tick until it
// answers true. At the deadline every dialog of the thread is closed, so no test hangs.
class ModalDriver {
public:
    using Step = std::function<bool(HWND dialog)>;
    ModalDriver(std::wstring caption, std::vector<Step> steps) : caption_(std::move(caption)), steps_(std::move(steps))
    {
        current_ = this;
    }
    ~ModalDriver()
    {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    // Every step ran and the dialog closed before the deadline.
    bool Finished() const { return next_ == steps_.size() && !timedOut_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ModalDriver* self = current_;
        if (self == nullptr || self->busy_) // a step's nested loop must not start the next step
            return;
        self->busy_ = true;
        if (GetTickCount64() > self->deadline_) {
            self->timedOut_ = true; // still open: the steps did not close it
            self->next_ = self->steps_.size();
            EnumThreadWindows(GetCurrentThreadId(), &CloseDialog, 0);
        } else if (HWND dialog = FindWindowW(L"#32770", self->caption_.c_str()); dialog && IsWindowVisible(dialog)) {
            if (self->next_ < self->steps_.size() && self->steps_[self->next_](dialog))
                ++self->next_;
        }
        self->busy_ = false;
    }
    static BOOL CALLBACK CloseDialog(HWND window, LPARAM)
    {
        wchar_t name[16] = {};
        if (GetClassNameW(window, name, 16) && std::wstring(name) == L"#32770")
            PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
    }

    static inline ModalDriver* current_ = nullptr;
    std::wstring caption_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    ULONGLONG deadline_ = GetTickCount64() + 8000;
    UINT_PTR timer_ = SetTimer(nullptr, 0, 20, &ModalDriver::Tick);
    bool busy_ = false, timedOut_ = false;
};

inline void ClickButton(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }
