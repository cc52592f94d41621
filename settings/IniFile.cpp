#include "settings/IniFile.h"

#include "app/Handle.h"
#include "app/Win.h"

#include <vector>

std::wstring IniFile::Read(const wchar_t* section, const wchar_t* key, const std::wstring& fallback) const
{
    // The reader cuts silently and then answers size - 1; a value that leaves
    // fewer than two spare characters may have been cut, so read again with
    // more room. Doubling keeps a huge hand-edited value from costing one
    // file parse per 256 characters.
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD length = GetPrivateProfileStringW(section, key, fallback.c_str(), buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), path_.c_str());
        if (length + 2 <= buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

bool IniFile::Write(const wchar_t* section, const wchar_t* key, const std::wstring& value) const
{
    return WritePrivateProfileStringW(section, key, value.c_str(), path_.c_str()) != FALSE;
}

bool IniFile::EnsureUnicode() const
{
    // CREATE_NEW fails when the file exists, so an existing file is never touched.
    UniqueHandle file(
        CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE)
        return GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
    static const unsigned char bom[] = {0xFF, 0xFE};
    DWORD written = 0;
    return WriteFile(file.get(), bom, sizeof bom, &written, nullptr) != FALSE && written == sizeof bom;
}
