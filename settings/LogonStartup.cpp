#include "settings/LogonStartup.h"

#include "app/TextCodec.h"
#include "app/Application.h"
#include "calendar/FileIO.h"
#include "resource.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <sstream>
#include <vector>

namespace {

std::wstring Environment(const wchar_t* name)
{
    std::vector<wchar_t> value(GetEnvironmentVariableW(name, nullptr, 0) + 1, L'\0');
    const DWORD n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    return n > 0 && n < value.size() ? std::wstring(value.data(), n) : std::wstring{};
}

// A desktop entry as far as autostart goes: its bytes, the Exec line of its main group, and
// whether the desktop was told to skip it (the session's own start-up settings write these keys).
struct DesktopFile {
    std::optional<std::string> bytes;
    std::string exec;
    bool skipped = false;

    explicit DesktopFile(const std::wstring& path)
    {
        std::ifstream file(std::filesystem::path(path), std::ios::binary);
        if (!file)
            return;
        bytes.emplace(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        std::istringstream lines(*bytes);
        int group = 0;
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.starts_with('['))
                ++group;
            else if (group == 1 && line.starts_with("Exec="))
                exec = line.substr(5);
            else if (group == 1 && (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false"))
                skipped = true;
        }
    }
};

} // namespace

LogonStartup::LogonStartup() : LogonStartup(kRunKey, ModulePath(nullptr))
{
    entry_ = Environment(L"MOSARYN_AUTOSTART_ENTRY");
    source_ = Environment(L"MOSARYN_DESKTOP_ENTRY");
    if (source_.empty())
        entry_.clear();
}

LogonStartup::LogonStartup(std::wstring subKey, std::wstring executable)
    : subKey_(std::move(subKey)), executable_(std::move(executable))
{
}

LogonStartup LogonStartup::DesktopEntry(std::wstring entry, std::wstring source, std::wstring subKey)
{
    LogonStartup startup(std::move(subKey), {});
    startup.entry_ = std::move(entry);
    startup.source_ = std::move(source);
    return startup;
}

std::wstring LogonStartup::Command() const
{
    if (entry_.empty())
        return L"\"" + executable_ + L"\"";
    return FromUtf8(DesktopFile(source_).exec).value_or(std::wstring{});
}

UINT LogonStartup::FailureText() const { return entry_.empty() ? IDS_LOGON_START_FAILED : IDS_AUTOSTART_FAILED; }

std::optional<std::wstring> LogonStartup::Stored() const
{
    if (entry_.empty())
        return RunValue();
    const DesktopFile entry(entry_);
    if (!entry.bytes || entry.skipped)
        return std::nullopt;
    return FromUtf8(entry.exec).value_or(std::wstring{});
}

bool LogonStartup::Set(bool on) const
{
    if (entry_.empty())
        return SetRunValue(on);
    std::error_code error;
    if (!on)
        return std::filesystem::remove(std::filesystem::path(entry_), error) || !error;
    const DesktopFile source(source_);
    if (!source.bytes || source.exec.empty())
        return false;
    std::filesystem::create_directories(std::filesystem::path(entry_).parent_path(), error);
    const auto* data = reinterpret_cast<const std::uint8_t*>(source.bytes->data());
    const std::span<const std::uint8_t> pieces[] = {{data, source.bytes->size()}};
    FileReplacement replacement(entry_, entry_ + L".new");
    return replacement.Write(pieces) && replacement.Commit();
}

bool LogonStartup::FollowExecutable() const
{
    const std::optional<std::wstring> stored = Stored();
    if (!entry_.empty()) {
        // An older version kept the choice as a Run value in the launcher's prefix.
        if (RunValue())
            return (stored || Set(true)) && SetRunValue(false) && FollowExecutable();
        if (!stored)
            return true;
        return DesktopFile(entry_).exec == DesktopFile(source_).exec || Set(true);
    }
    if (!stored)
        return true;
    // Paths compare without regard to case, as the file system does.
    const std::wstring own = Command();
    if (CompareStringOrdinal(stored->c_str(), -1, own.c_str(), -1, TRUE) == CSTR_EQUAL)
        return true;
    return Set(true);
}

std::optional<std::wstring> LogonStartup::RunValue() const
{
    UniqueKey run;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, KEY_QUERY_VALUE, run.Put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(run.get(), kValueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(run.get(), kValueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return std::wstring{}; // there, but nothing this program wrote
    return std::wstring(text.data());
}

bool LogonStartup::SetRunValue(bool on) const
{
    if (!on) {
        UniqueKey run;
        const LSTATUS opened = RegOpenKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, KEY_SET_VALUE, run.Put());
        if (opened == ERROR_FILE_NOT_FOUND)
            return true; // no key, no value
        if (opened != ERROR_SUCCESS)
            return false;
        const LSTATUS removed = RegDeleteValueW(run.get(), kValueName);
        return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
    }
    if (executable_.empty())
        return false;
    UniqueKey run;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        run.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring command = Command();
    const auto bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(run.get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()), bytes) ==
           ERROR_SUCCESS;
}
