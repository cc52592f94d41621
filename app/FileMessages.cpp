#include "app/FileMessages.h"

#include "app/Application.h"
#include "app/Handle.h"
#include "resource.h"

#include <cwchar>
#include <memory>
#include <vector>

namespace {
std::wstring Detail(UINT formatId, const FileError& error)
{
    const std::wstring format = ResString(formatId);
    const std::wstring path = FullPath(error.path);
    const std::wstring reason = SystemErrorText(error.code);
    std::vector<wchar_t> text(format.size() + path.size() + reason.size() + 16);
    std::swprintf(text.data(), text.size(), format.c_str(), path.c_str(), reason.c_str());
    return text.data();
}
} // namespace

std::wstring SystemErrorText(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocal<wchar_t*> owned(buffer);
    std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (!text.empty())
        return text;
    // Wine has no text for a read-only file; the code alone tells a user nothing.
    if (code == ERROR_FILE_READ_ONLY)
        return ResString(IDS_REASON_READ_ONLY);
    const std::wstring format = ResString(IDS_REASON_CODE);
    std::vector<wchar_t> out(format.size() + 16);
    std::swprintf(out.data(), out.size(), format.c_str(), static_cast<unsigned long>(code));
    return out.data();
}

std::wstring FileErrorDetail(const FileError& error) { return Detail(IDS_FILE_DETAIL, error); }

std::wstring FolderErrorDetail(const FileError& error) { return Detail(IDS_FOLDER_DETAIL, error); }
