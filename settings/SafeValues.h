// qv.ini keeps whatever the user wrote; these turn a stored value into one
// that is safe to draw with, at the point of use. The stored value stays.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

// Font sizes in points that a font can be made from without absurd glyph sizes.
inline constexpr float kMinFontSize = 1.0f;
inline constexpr float kMaxFontSize = 200.0f;
inline constexpr float kFallbackFontSize = 9.0f;

// NaN, infinities, zero and negatives give `fallback`; the rest is clamped to
// [kMinFontSize, kMaxFontSize] (so 1e9 draws at 200 points).
inline float DrawableFontSize(float stored, float fallback = kFallbackFontSize)
{
    if (!std::isfinite(stored) || stored <= 0.0f)
        return fallback;
    return std::clamp(stored, kMinFontSize, kMaxFontSize);
}

// An alpha (BackImageAlpha, or a colour's alpha) in [0, 255].
inline int ClampAlpha(int stored) { return std::clamp(stored, 0, 255); }

// Font style bits GDI+ knows (bold 1, italic 2, underline 4, strikeout 8); others dropped.
inline std::int32_t DrawableFontStyle(std::int32_t stored) { return stored & 0xF; }
