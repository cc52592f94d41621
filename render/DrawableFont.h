// The one way the calendar and the day-information popup make a font from a setting.
#pragma once
#include "app/Dpi.h"
#include "render/Graphics.h"
#include "settings/Settings.h"

// A font of the settings as it is safe to draw (size and style sanitised, the stored value
// untouched), for a monitor of `dpi`: device contexts measure points at the system DPI, so the
// size is scaled from that to the monitor's.
gfx::Font DrawableFont(const FontSetting& font, float defaultSize, UINT dpi = SystemDpi());
