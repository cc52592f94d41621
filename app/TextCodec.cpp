#include "app/TextCodec.h"

namespace {
std::optional<std::wstring> Decode(std::string_view bytes, UINT codePage, DWORD flags)
{
    if (bytes.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), size);
    return out;
}
} // namespace

std::string ToUtf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::optional<std::wstring> FromUtf8(std::string_view bytes) { return Decode(bytes, CP_UTF8, MB_ERR_INVALID_CHARS); }

bool IsUtf8(std::string_view bytes)
{
    // Asks the converter for the size alone: nothing is allocated for the many values of a file.
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::optional<std::wstring> FromCodePage(std::string_view bytes, UINT codePage)
{
    return Decode(bytes, codePage, codePage == 50220 ? 0 : MB_ERR_INVALID_CHARS);
}

std::wstring FromCodePageLenient(std::string_view bytes, UINT codePage)
{
    return Decode(bytes, codePage, 0).value_or(std::wstring());
}

std::string AsciiUpper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}
