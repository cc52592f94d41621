// Reading and writing qv.ini files byte for byte, apart from the profile functions.
#pragma once
#include "support/TestSupport.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

struct IniEntry {
    std::wstring section, key, value;
    bool operator==(const IniEntry&) const = default;
};
void PrintTo(const IniEntry& entry, std::ostream* out);

// The file as UTF-16LE with a byte-order mark.
void WriteUtf16Ini(const std::filesystem::path& file, const std::wstring& text);
// The file's text: UTF-16LE after a byte-order mark, else single-byte ASCII.
std::wstring ReadIniText(const std::filesystem::path& file);
// key=value lines in file order, with their sections; comments and blank lines skipped.
std::vector<IniEntry> ParseIni(const std::wstring& text);
// The value of one key as it stands in the file; "<missing>" when absent.
std::wstring IniValue(const std::filesystem::path& file, const std::wstring& section, const std::wstring& key);
// Whether `needle` occurs in `bytes` encoded as UTF-16LE.
bool ContainsUtf16(const std::vector<std::uint8_t>& bytes, const std::wstring& needle);
