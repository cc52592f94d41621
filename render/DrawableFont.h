// The one way the calendar and the day-information popup make a font from a setting.
#pragma once
#include "app/Dpi.h"
#include "render/Graphics.h"
#include "settings/Settings.h"

#include <bit>
#include <cstdint>
#include <string>

// A font of the settings as it is safe to draw (size and style sanitised, the stored value
// untouched), for a monitor of `dpi`: device contexts measure points at the system DPI, so the
// size is scaled from that to the monitor's.
gfx::Font DrawableFont(const FontSetting& font, float defaultSize, UINT dpi = SystemDpi());

// What a font drawn from a setting looks like, comparable: a layout measured with it holds
// while this stays the same.
struct FontLook {
    Argb colour = 0;
    std::wstring name;
    std::uint32_t size = 0; // bit pattern: a NaN stays equal to itself
    std::int32_t style = 0;
    bool operator==(const FontLook&) const = default;
};

inline FontLook LookOf(const FontSetting& font)
{
    return FontLook{font.Color, font.Name, std::bit_cast<std::uint32_t>(font.Size), font.Style};
}
