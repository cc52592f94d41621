// One ini file through the platform's private-profile functions.
#pragma once
#include <string>

class IniFile {
public:
    explicit IniFile(std::wstring path) : path_(std::move(path)) {}

    const std::wstring& Path() const { return path_; }

    // The key's value, whole whatever its length; `fallback` when the key or
    // the file is missing.
    std::wstring Read(const wchar_t* section, const wchar_t* key, const std::wstring& fallback) const;
    // Changes or adds this one key; other keys, sections and comments stay.
    bool Write(const wchar_t* section, const wchar_t* key, const std::wstring& value) const;

    // The profile writer creates a missing file in the system's ANSI code
    // page, which loses Japanese text on most systems; a file that starts
    // with a UTF-16LE byte-order mark is kept in UTF-16. So a missing file is
    // created as just that mark. An existing file is left as it is.
    bool EnsureUnicode() const;

private:
    std::wstring path_;
};
