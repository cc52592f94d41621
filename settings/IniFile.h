// One ini file through the platform's private-profile functions, written as a
// whole new version that replaces it in one step.
#pragma once
#include "calendar/FileIO.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// One change of an ini file: a key set to a value, a key removed (no value),
// or a whole section removed (no key and no value).
struct IniEntry {
    std::wstring section;
    std::wstring key;
    std::optional<std::wstring> value;
    bool operator==(const IniEntry&) const = default;
};

// The text of an ini file as UTF-16LE with its byte-order mark. UTF-16LE stays
// as it is, UTF-16BE is turned round; UTF-8 (with or without its mark) and,
// failing that, the ANSI code page are converted.
std::vector<std::uint8_t> IniTextAsUtf16(std::span<const std::uint8_t> bytes);

// Whether bytes are a whole ini file: text in one of those encodings, without
// the NUL characters that binary data or a UTF-16 file cut short would bring.
bool IniReadsWhole(std::span<const std::uint8_t> bytes);

class IniFile {
public:
    explicit IniFile(std::wstring path, ReplaceHook hook = {}) : path_(std::move(path)), hook_(std::move(hook)) {}

    // The key's value, whole whatever its length; `fallback` when the key or
    // the file is missing.
    std::wstring Read(const wchar_t* section, const wchar_t* key, const std::wstring& fallback) const;

    // Makes the file ready for Read: recovered from an interrupted
    // replacement, converted to UTF-16LE (the profile functions keep a file's
    // encoding and read 8-bit files in the ANSI code page, which loses
    // Japanese text; a file that cannot be converted is read as it is), and
    // checked to open and read whole. True when it does or does not exist;
    // false when it exists but cannot be read (Error says why).
    bool Open();

    // Replaces the file with a UTF-16LE copy of itself in which these keys
    // have these values; every other section, key and comment stays. False
    // when any step failed (Error says why): the file is then exactly as it
    // was, and no temporary file is left.
    bool Write(std::span<const IniEntry> entries);

    const FileError& Error() const { return error_; }

private:
    KeptFile Kept() const { return KeptFile(path_, &IniReadsWhole); }
    bool Fail(DWORD code);

    std::wstring path_;
    ReplaceHook hook_;
    FileError error_;
};
