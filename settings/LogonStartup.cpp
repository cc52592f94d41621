#include "settings/LogonStartup.h"

#include "app/Application.h"

#include <vector>

namespace {

struct KeyCloser {
    HKEY key = nullptr;
    ~KeyCloser()
    {
        if (key != nullptr)
            RegCloseKey(key);
    }
};

} // namespace

LogonStartup::LogonStartup() : LogonStartup(kRunKey, ModulePath(nullptr)) {}

LogonStartup::LogonStartup(std::wstring subKey, std::wstring executable)
    : subKey_(std::move(subKey)), executable_(std::move(executable))
{
}

std::optional<std::wstring> LogonStartup::Stored() const
{
    KeyCloser run;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, KEY_QUERY_VALUE, &run.key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(run.key, kValueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(run.key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return std::wstring{}; // there, but nothing this program wrote
    return std::wstring(text.data());
}

bool LogonStartup::Set(bool on) const
{
    if (!on) {
        KeyCloser run;
        const LSTATUS opened = RegOpenKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, KEY_SET_VALUE, &run.key);
        if (opened == ERROR_FILE_NOT_FOUND)
            return true; // no key, no value
        if (opened != ERROR_SUCCESS)
            return false;
        const LSTATUS removed = RegDeleteValueW(run.key, kValueName);
        return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
    }
    if (executable_.empty())
        return false;
    KeyCloser run;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &run.key, nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring command = Command();
    const auto bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(run.key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()), bytes) ==
           ERROR_SUCCESS;
}

bool LogonStartup::FollowExecutable() const
{
    const std::optional<std::wstring> stored = Stored();
    if (!stored)
        return true;
    // Paths compare without regard to case, as the file system does.
    const std::wstring own = Command();
    if (CompareStringOrdinal(stored->c_str(), -1, own.c_str(), -1, TRUE) == CSTR_EQUAL)
        return true;
    return Set(true);
}
