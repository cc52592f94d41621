#include "settings/IniValues.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cwctype>
#include <limits>
#include <string>

namespace ini {
namespace {

std::wstring_view SkipSpace(std::wstring_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(text[i]))
        ++i;
    return text.substr(i);
}

// Sign and digits, saturating at the 64-bit range; false without a digit.
bool ParseWide(std::wstring_view text, std::int64_t& value)
{
    text = SkipSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) {
        negative = text[0] == L'-';
        text.remove_prefix(1);
    }
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / 10;
    std::int64_t magnitude = 0;
    bool digits = false;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            break;
        digits = true;
        if (magnitude <= limit)
            magnitude = magnitude * 10 + (c - L'0');
    }
    value = negative ? -magnitude : magnitude;
    return digits;
}

bool SameNonFinite(float a, float b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return std::isinf(a) && a == b;
}

// Whether a decimal literal that from_chars found out of range is too large
// (rather than too small): its order of magnitude is that of its first
// significant digit plus the exponent.
bool TooLarge(std::string_view literal)
{
    std::int64_t order = 0;
    bool seenPoint = false, significant = false;
    std::size_t i = 0;
    for (; i < literal.size(); ++i) {
        const char c = literal[i];
        if (c == '.') {
            seenPoint = true;
        } else if (c >= '0' && c <= '9') {
            if (c != '0')
                significant = true;
            if (significant && !seenPoint)
                ++order;
            else if (!significant && seenPoint)
                --order;
        } else {
            break;
        }
    }
    std::int64_t exponent = 0;
    if (i < literal.size() && (literal[i] == 'e' || literal[i] == 'E')) {
        bool negative = false;
        if (++i < literal.size() && (literal[i] == '-' || literal[i] == '+'))
            negative = literal[i++] == '-';
        // Capped far beyond any float exponent, far below overflow.
        for (; i < literal.size() && literal[i] >= '0' && literal[i] <= '9'; ++i)
            exponent = std::min<std::int64_t>(exponent * 10 + (literal[i] - '0'), std::int64_t{1} << 40);
        if (negative)
            exponent = -exponent;
    }
    return significant && order + exponent > 0;
}

} // namespace

std::wstring FormatYesNo(bool value) { return value ? L"Yes" : L"No"; }

bool ParseYesNo(std::wstring_view text) { return text == L"Yes"; }

std::wstring FormatInteger(std::int32_t value) { return std::to_wstring(value); }

std::int32_t ParseInteger(std::wstring_view text)
{
    std::int64_t value = 0;
    if (!ParseWide(text, value))
        return 0;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::wstring FormatColour(Argb value) { return std::to_wstring(static_cast<std::int32_t>(value)); }

Argb ParseColour(std::wstring_view text)
{
    std::int64_t value = 0;
    if (!ParseWide(text, value))
        return 0;
    value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::uint32_t>::max());
    return static_cast<Argb>(value); // modulo 2^32: -1 and 4294967295 are the same bits
}

std::wstring FormatSize(float value)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::fixed, 0);
    return std::wstring(buffer, result.ptr);
}

float ParseSize(std::wstring_view text)
{
    text = SkipSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) {
        negative = text[0] == L'-';
        text.remove_prefix(1);
    }
    // from_chars knows no locale and no wide text; a number is ASCII anyway.
    std::string narrow;
    for (wchar_t c : text) {
        if (c > 0x7F)
            break;
        narrow.push_back(static_cast<char>(c));
    }
    if (!narrow.empty() && narrow[0] == '-') // a second sign is no number
        return 0.0f;
    double value = 0.0;
    const auto result = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    if (result.ec == std::errc::invalid_argument)
        return 0.0f;
    if (result.ec == std::errc::result_out_of_range) {
        const std::string_view literal(narrow.data(), static_cast<std::size_t>(result.ptr - narrow.data()));
        value = TooLarge(literal) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    if (negative)
        value = -value;
    // A double outside the float range must not be converted as it is.
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
        return value < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

std::wstring FormatSizeKeeping(float value, std::wstring_view readText)
{
    if (!std::isfinite(value) && !readText.empty() && SameNonFinite(ParseSize(readText), value))
        return std::wstring(readText);
    return FormatSize(value);
}

} // namespace ini
