// Owning wrappers for Windows handles.
#pragma once
#include "app/Win.h"

#include <memory>
#include <type_traits>

struct HandleCloser {
    void operator()(HANDLE h) const
    {
        if (h != nullptr && h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

struct GdiObjectDeleter {
    void operator()(HGDIOBJ h) const
    {
        if (h != nullptr)
            DeleteObject(h);
    }
};
template <class T> using UniqueGdi = std::unique_ptr<std::remove_pointer_t<T>, GdiObjectDeleter>;

struct MenuDestroyer {
    void operator()(HMENU h) const
    {
        if (h != nullptr)
            DestroyMenu(h);
    }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

struct IconDestroyer {
    void operator()(HICON h) const
    {
        if (h != nullptr)
            DestroyIcon(h);
    }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

// A device context from GetDC, released on scope exit.
class ScreenDC {
public:
    explicit ScreenDC(HWND hwnd = nullptr) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~ScreenDC()
    {
        if (dc_ != nullptr)
            ReleaseDC(hwnd_, dc_);
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};
