#include "settings/IniFile.h"

#include "app/TextCodec.h"
#include "app/Win.h"

#include <algorithm>

namespace {
constexpr std::uint8_t kUtf16Mark[] = {0xFF, 0xFE};
constexpr std::uint8_t kUtf16BigMark[] = {0xFE, 0xFF};
constexpr std::uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

bool StartsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> mark)
{
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

std::string_view Chars(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}
} // namespace

std::vector<std::uint8_t> IniTextAsUtf16(std::span<const std::uint8_t> bytes)
{
    if (StartsWith(bytes, kUtf16Mark))
        return {bytes.begin(), bytes.end()};
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size() * 2 + 2);
    out.insert(out.end(), std::begin(kUtf16Mark), std::end(kUtf16Mark));
    if (StartsWith(bytes, kUtf16BigMark)) {
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            out.insert(out.end(), {bytes[i + 1], bytes[i]});
        return out;
    }
    std::wstring text;
    if (StartsWith(bytes, kUtf8Mark))
        text = FromCodePageLenient(Chars(bytes.subspan(3)), CP_UTF8);
    else if (text = FromUtf8(Chars(bytes)).value_or(std::wstring()); text.empty())
        text = FromCodePageLenient(Chars(bytes), CP_ACP);
    for (const wchar_t c : text)
        out.insert(out.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
    return out;
}

bool IniReadsWhole(std::span<const std::uint8_t> bytes)
{
    const bool wide = StartsWith(bytes, kUtf16Mark) || StartsWith(bytes, kUtf16BigMark);
    if (!wide)
        return std::find(bytes.begin(), bytes.end(), std::uint8_t{0}) == bytes.end();
    if (bytes.size() % 2 != 0)
        return false;
    for (std::size_t i = 2; i < bytes.size(); i += 2)
        if (bytes[i] == 0 && bytes[i + 1] == 0)
            return false;
    return true;
}

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

bool IniFile::Fail(DWORD code)
{
    error_ = {path_, code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE};
    return false;
}

bool IniFile::Open()
{
    error_ = {};
    if (path_.empty())
        return Fail(ERROR_INVALID_NAME);
    MappedFile file;
    const FileLock lock(L"Settings", path_);
    const ReadResult opened = lock.Held() ? Kept().Open(file) : file.Open(path_);
    if (opened == ReadResult::Failed)
        return Fail(file.Error());
    if (opened == ReadResult::Ok && !StartsWith(file.Bytes(), kUtf16Mark)) {
        file.Close();
        Write({}); // the same lock again: the holder may take it twice
        error_ = {};
    }
    // Opened again after the conversion, which may have replaced it.
    if (file.Open(path_) == ReadResult::Failed)
        return Fail(file.Error());
    return true;
}

bool IniFile::Write(std::span<const IniEntry> entries)
{
    error_ = {};
    if (path_.empty())
        return Fail(ERROR_INVALID_NAME);
    const FileLock lock(L"Settings", path_);
    if (!lock.Held())
        return Fail(lock.Error());
    // A file that exists but cannot be read is never overwritten: its other
    // sections would be lost.
    const KeptFile kept = Kept();
    MappedFile old;
    if (kept.Open(old) == ReadResult::Failed)
        return Fail(old.Error());
    const std::vector<std::uint8_t> text = IniTextAsUtf16(old.Bytes());
    old.Close();

    // The new version is the old text in UTF-16LE, changed key by key by the
    // profile writer, which keeps it in that encoding.
    FileReplacement replacement = kept.Replacement(hook_);
    const std::span<const std::uint8_t> pieces[] = {text};
    if (!replacement.Prepare(pieces))
        return Fail(replacement.Error());
    const wchar_t* temp = replacement.TempPath().c_str();
    DWORD failed = ERROR_SUCCESS;
    for (const IniEntry& e : entries) {
        const wchar_t* key = e.key.empty() ? nullptr : e.key.c_str();
        const wchar_t* value = e.value ? e.value->c_str() : nullptr;
        // Removing what is not there is no failure.
        if (failed == ERROR_SUCCESS && !WritePrivateProfileStringW(e.section.c_str(), key, value, temp) && e.value)
            failed = GetLastError();
    }
    // The profile functions may cache the file under the temporary name; the
    // next version must be read from the disk.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, temp);
    if (failed != ERROR_SUCCESS)
        return Fail(failed);
    if (!replacement.Flush() || !replacement.Commit())
        return Fail(replacement.Error());
    return true;
}
