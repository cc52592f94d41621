// The settings record: options and the eight design groups, as kept in qv.ini.
#pragma once
#include <cstdint>
#include <string>

// 0xAARRGGBB, the layout GDI+ takes.
using Argb = std::uint32_t;

struct FontSetting {
    Argb Color = 0xFF000000;
    std::wstring Name = L"MS UI Gothic";
    float Size = 9.0f;
    std::int32_t Style = 0; // 1 bold, 2 italic, 4 underline (GDI+ FontStyle bits)
};

struct DayFontGroup {
    FontSetting Font{0xFF000000, L"MS UI Gothic", 10.0f, 0};
    Argb SunFontColor = 0xFFFF0000;
    Argb SatFontColor = 0xFF0000FF;
    Argb MemorialdayFontColor = 0xFFFF8040;
};

struct LNMonthFontGroup {
    FontSetting Font{0xFF646464, L"MS UI Gothic", 8.0f, 0};
    Argb LNMonthFontBackColor = 0x32DCDCC8;
};

struct DayBackColorsGroup {
    Argb DayBackColor = 0xFFE6E6E6;
    Argb TodayBackColor = 0xFF3FBBF8;
    Argb MemodayBackColor = 0xFFF2C744;
};

struct ButtonColorsGroup {
    Argb ButtonForColor = 0xFF000000;
    Argb ButtonBackColor = 0xFFDCDCDC;
};

struct BackgroundGroup {
    Argb BackColor = 0x80FFFFFF;
    std::wstring BackImageFile;
    std::int32_t BackImageAlpha = 255;
    std::int32_t BackImageDraw = 0; // 0 fit, 1 stretch, 2 cover
    std::int32_t BackImagePos = 0;  // 0 date area, other: whole calendar
    bool DropShadow = false;
};

struct DayinfoGroup {
    FontSetting TitleFont{0xFF000000, L"MS UI Gothic", 9.0f, 0};
    Argb DayinfoHolidayColor = 0xFFFF0000;
    Argb DayinfoMemorialColor = 0xFF0000FF;
    FontSetting MemoFont{0xFF000000, L"MS UI Gothic", 8.0f, 0};
    Argb DayinfoBackColor = 0xDCFFFFFF;
};

// Plain values: copying copies every string, assignment replaces all eight groups.
struct DesignSettings {
    FontSetting MonthFont{0xFF000000, L"MS UI Gothic", 9.0f, 0};
    FontSetting WeekFont{0xFF000000, L"MS UI Gothic", 7.0f, 0};
    DayFontGroup DayFont;
    LNMonthFontGroup LNMonthFont;
    DayBackColorsGroup DayBackColors;
    ButtonColorsGroup ButtonColors;
    BackgroundGroup Background;
    DayinfoGroup Dayinfo;
};

struct Settings {
    DesignSettings Design;
    std::int32_t PosX = 200;
    std::int32_t PosY = 100;
    bool StayTop = false;
    bool TodayInfo = true;
    bool ShowBegin = true;
    std::int32_t Hotkey = 0x0443; // Alt+C in hot-key control encoding
};
