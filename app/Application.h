// The application object: instance handle, window map, shared helpers, message loop.
#pragma once
#include "app/Win.h"

#include <algorithm>
#include <cwchar>
#include <map>
#include <span>
#include <string>
#include <vector>

class Window;

// The program's one exception type; caught only around start-up.
class qv_error {
public:
    explicit qv_error(std::wstring message) : message_(std::move(message)) {}
    const std::wstring& message() const { return message_; }

private:
    std::wstring message_;
};

// Window handle -> window object, ordered by the handle as an unsigned number.
class WindowMap {
public:
    // Never replaces an entry that exists for the handle.
    void Insert(HWND hwnd, Window* window);
    void Erase(HWND hwnd);
    Window* Find(HWND hwnd) const;
    std::size_t Size() const { return map_.size(); }

private:
    std::map<std::uintptr_t, Window*> map_;
};

class Application {
public:
    Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application() = default;

    virtual bool InitInstance() { return true; }
    virtual bool ExitInstance() { return true; }
    virtual int Run();

    HINSTANCE Instance() const { return instance_; }
    void SetInstance(HINSTANCE instance) { instance_ = instance; }
    WindowMap& Windows() { return windows_; }

    // A string-table entry of any length; false (text untouched) when missing or empty.
    bool LoadResString(UINT id, std::wstring& text) const;
    // Directory of the executable, with its trailing backslash.
    void ModuleDirectory(std::wstring& directory) const;

private:
    HINSTANCE instance_ = nullptr;
    WindowMap windows_;
};

// The one application object of the process.
// Full path of a module (null: the executable), however long; empty when it cannot be had.
std::wstring ModulePath(HMODULE module);

Application* TheApp();
void SetTheApp(Application* app);

// Convenience: the entry's text, or an empty text when it is missing.
std::wstring ResString(UINT id);
// What every open and save dialog of the program fills in: its owner, its filter (stored with
// '|' for the null characters a resource string cannot hold) and the buffer of the file name.
struct FileDialogFields {
    FileDialogFields(HWND owner, UINT filterId, std::span<wchar_t> file) : filter(ResString(filterId))
    {
        std::replace(filter.begin(), filter.end(), L'|', L'\0');
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = filter.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = static_cast<DWORD>(file.size());
    }
    FileDialogFields(const FileDialogFields&) = delete; // the fields point into the filter
    FileDialogFields& operator=(const FileDialogFields&) = delete;

    std::wstring filter;
    OPENFILENAMEW ofn{};
};
// The entry used as a printf format for these values (ints and wide strings, "%ls"), whole.
template <class... Args> std::wstring ResFormat(UINT id, Args... args)
{
    const std::wstring format = ResString(id);
    for (std::size_t size = format.size() + 256;; size *= 2) {
        std::vector<wchar_t> text(size);
        if (std::swprintf(text.data(), text.size(), format.c_str(), args...) >= 0 || size > (1u << 22))
            return text.data();
    }
}
