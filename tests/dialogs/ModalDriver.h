// Drives a modal dialog from a thread timer while the dialog's own modal loop runs.
#pragma once
#include "app/Win.h"

#include <functional>
#include <string>
#include <vector>

class ModalDriver {
public:
    // A step gets the dialog found by its caption; it is repeated on every tick until it answers true.
    using Step = std::function<bool(HWND dialog)>;

    ModalDriver(std::wstring caption, std::vector<Step> steps, unsigned timeoutMs = 8000);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    // Every step ran to its end.
    bool Finished() const { return next_ == steps_.size(); }
    // The dialog was still open at the deadline and was closed by force.
    bool TimedOut() const { return timedOut_; }
    // The dialog window seen by the steps (null when it never appeared).
    HWND Dialog() const { return dialog_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Run();

    std::wstring caption_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    ULONGLONG deadline_ = 0;
    UINT_PTR timer_ = 0;
    HWND dialog_ = nullptr;
    bool busy_ = false;
    bool timedOut_ = false;
};

// Helpers for steps.
void ClickButton(HWND dialog, int id);
std::wstring ItemText(HWND dialog, int id);
// Waits inside a step: answers true once `ms` have passed since the first call for this `clock`.
bool Elapsed(ULONGLONG& clock, unsigned ms);
// Every text of the window's children, in z order.
std::vector<std::wstring> ChildTexts(HWND window);
