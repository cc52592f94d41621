// Text between UTF-16 (what the program holds) and the bytes of files, pipes and the network.
#pragma once
#include "app/Win.h"

#include <optional>
#include <string>
#include <string_view>

std::string ToUtf8(std::wstring_view text);
// Null when the bytes are no valid UTF-8.
std::optional<std::wstring> FromUtf8(std::string_view bytes);
// Without allocating: whether the bytes are valid UTF-8.
bool IsUtf8(std::string_view bytes);
// Null when the bytes are no valid text of the code page (ISO-2022-JP, 50220, is not checked:
// its converter takes no flags).
std::optional<std::wstring> FromCodePage(std::string_view bytes, UINT codePage);
// What cannot be decoded becomes U+FFFD (or the code page's own replacement).
std::wstring FromCodePageLenient(std::string_view bytes, UINT codePage);
// ASCII letters in upper case, the rest as it is: names and keywords of file formats.
std::string AsciiUpper(std::string_view text);
