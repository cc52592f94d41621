#include "app/Application.h"

#include <vector>

namespace {
Application* g_app = nullptr;
}

Application* TheApp() { return g_app; }
void SetTheApp(Application* app) { g_app = app; }

void WindowMap::Insert(HWND hwnd, Window* window) { map_.emplace(reinterpret_cast<std::uintptr_t>(hwnd), window); }

void WindowMap::Erase(HWND hwnd) { map_.erase(reinterpret_cast<std::uintptr_t>(hwnd)); }

Window* WindowMap::Find(HWND hwnd) const
{
    auto it = map_.find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == map_.end() ? nullptr : it->second;
}

int Application::Run()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool Application::LoadResString(UINT id, std::wstring& text) const
{
    // LoadStringW cuts silently; a result that leaves fewer than two spare
    // characters may have been cut, so grow the buffer until it does not.
    std::vector<wchar_t> buffer(256);
    int length = LoadStringW(instance_, id, buffer.data(), static_cast<int>(buffer.size()));
    if (length <= 0)
        return false;
    while (length > static_cast<int>(buffer.size()) - 2) {
        buffer.assign(buffer.size() + 256, L'\0');
        length = LoadStringW(instance_, id, buffer.data(), static_cast<int>(buffer.size()));
        if (length <= 0)
            return false;
    }
    text.assign(buffer.data(), static_cast<std::size_t>(length));
    return true;
}

std::wstring ModulePath(HMODULE module)
{
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size() - 2)
            return std::wstring(buffer.data(), length);
        buffer.assign(buffer.size() + 256, L'\0');
    }
}

void Application::ModuleDirectory(std::wstring& directory) const
{
    const std::wstring path = ModulePath(instance_);
    const auto slash = path.find_last_of(L'\\');
    directory = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring ResString(UINT id)
{
    std::wstring text;
    if (TheApp() != nullptr)
        TheApp()->LoadResString(id, text);
    return text;
}
