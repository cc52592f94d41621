// Text forms of setting values in qv.ini, and back.
#pragma once
#include "settings/Settings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ini {

// "Yes" / "No"; only the exact text "Yes" reads as true.
std::wstring FormatYesNo(bool value);
bool ParseYesNo(std::wstring_view text);

// "%d".
std::wstring FormatInteger(std::int32_t value);
// Leading white space and a sign are accepted, reading stops at the first
// non-digit; text without digits reads as 0, values beyond 32 bits saturate.
std::int32_t ParseInteger(std::wstring_view text);

// The 32 ARGB bits as a signed "%d": 0x80FFFFFF is -2130706433.
std::wstring FormatColour(Argb value);
// Accepts -2147483648 .. 4294967295 (signed or unsigned spelling of the same
// bits); beyond that saturates.
Argb ParseColour(std::wstring_view text);

// "%.0f": a whole number ("10" for 10.4); "nan", "inf", "-inf" for the rest.
std::wstring FormatSize(float value);
// Decimal conversion after leading white space; no number reads as 0, and
// anything beyond the float range as an infinity of its sign.
float ParseSize(std::wstring_view text);
// The text to write for a size that was read as `readText`: a value that is
// not finite and is still what that text said is written back as that very
// text, so a hand-written "1e39" or "NaN" is not rewritten; otherwise FormatSize.
std::wstring FormatSizeKeeping(float value, std::wstring_view readText);

} // namespace ini
