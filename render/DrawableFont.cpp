#include "render/DrawableFont.h"

#include "settings/SafeValues.h"

gfx::Font DrawableFont(const FontSetting& font, float defaultSize, UINT dpi)
{
    float size = DrawableFontSize(font.Size, defaultSize);
    if (dpi != SystemDpi())
        size = size * static_cast<float>(dpi) / static_cast<float>(SystemDpi());
    return gfx::Font(font.Name, size, DrawableFontStyle(font.Style));
}
