// Layout, hit testing and drawing of one month of the calendar.
#pragma once
#include "render/BackgroundPicture.h"
#include "render/DrawableFont.h"
#include "render/Graphics.h"
#include "settings/Settings.h"

#include <array>
#include <functional>

class MonthModel;
struct DayRecord;

// Up to three colours of the calendars with events on a day: dots under its number.
struct DayDots {
    std::array<Argb, 3> colours{};
    int count = 0;
};
// The dots of one month's days, by day of the month.
struct MonthDots {
    int year = 0, month = 0;
    std::array<DayDots, 32> days{};
};

// Area codes of the calendar; 0 means the pointer is not over it.
enum : int {
    AREA_NONE = 1,
    AREA_TITLE = 2,
    AREA_WEEKDAYS = 3,
    AREA_PREV_MONTH = 4,
    AREA_PREV_YEAR = 5,
    AREA_NEXT_MONTH = 6,
    AREA_NEXT_YEAR = 7,
    AREA_DAYS = 8,
};

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
struct Hls {
    int h = 0, l = 0, s = 0;
    bool operator==(const Hls&) const = default;
};

// Integer colour-space conversions on a 0-255 scale.
Hls RgbToHls(int r, int g, int b);
Rgb HlsToRgb(int h, int l, int s);
// Lightness +65 when at most 128, otherwise -65; alpha kept.
Argb ShiftLightness(Argb colour);

enum class ButtonShape { SingleLeft, SingleRight, DoubleLeft, DoubleRight };

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

class CalendarPainter {
public:
    explicit CalendarPainter(const DesignSettings& settings);
    ~CalendarPainter();
    CalendarPainter(const CalendarPainter&) = delete;
    CalendarPainter& operator=(const CalendarPainter&) = delete;

    // Recomputes every rectangle from the settings, then rebuilds the background picture.
    void Layout();
    // The DPI of the monitor the calendar stands on, for the next Layout; 96 by default.
    void SetDpi(UINT dpi) { dpi_ = dpi; }
    UINT Dpi() const { return dpi_; }
    // Fits the background picture anew; none when the file is empty or unusable. The file is
    // decoded again only when it or the size it is drawn at changed.
    void LoadPicture();

    PixelSize GetSize() const;
    int HitTest(int x, int y) const;
    // (row << 16) | column of the cell under the point, or -1.
    int CellAt(int x, int y) const;

    // Draws the calendar onto the 32-bit bitmap selected into hdc.
    void Paint(const MonthModel& model, HDC hdc, int hover) const;
    // The same without the event dots, which go straight into the pixels (PaintDots).
    void Paint(const MonthModel& model, gfx::Graphics& graphics, int hover) const;

    // The steps of Paint, so that a composed frame can redraw only what changed.
    void PaintBackground(gfx::Graphics& graphics) const;
    void PaintButtons(gfx::Graphics& graphics, int hover) const;
    // Returns where the title's glyphs can land.
    gfx::RectF PaintTitle(gfx::Graphics& graphics, const MonthModel& model) const;
    void PaintDays(gfx::Graphics& graphics, const MonthModel& model) const;
    void PaintWeekdays(gfx::Graphics& graphics) const;
    // The discs and numbers of the cells `which` picks (all when null).
    void PaintCells(gfx::Graphics& graphics, const MonthModel& model, const std::function<bool(int, int)>& which) const;
    // The event dots of every cell over what was drawn into the 32-bit DIB section selected into
    // hdc (flushed), written into its pixels: a few hundred small discs through GDI+ would cost
    // more than the month's whole picture.
    void PaintDots(HDC hdc, const MonthModel& model) const;
    // A hash of the dots the month shows (0 for none), so a kept frame knows when they changed.
    std::uint64_t DotsKey(const MonthModel& model) const;

    // The event dots of the shown month; not owned, null for none.
    void SetMonthDots(const MonthDots* dots) { dots_ = dots; }
    // The dots of a cell: days of the shown month only; null for none.
    const DayDots* DotsOf(const DayRecord& day) const;

    void DrawButton(gfx::Graphics& graphics, ButtonShape shape, const gfx::RectF& rect, bool highlighted) const;
    static void DrawArrow(gfx::Graphics& graphics, const gfx::SolidBrush& brush, gfx::PointF centre, float size,
                          bool left);

    gfx::RectF CellRect(int column, int row) const;
    const gfx::RectF& Whole() const { return whole_; }
    const gfx::RectF& TitleRect() const { return titleRect_; }
    const gfx::RectF& WeekdayRect() const { return weekdayRect_; }
    const gfx::RectF& GridRect() const { return gridRect_; }
    const gfx::RectF& PrevMonthButton() const { return prevMonthButton_; }
    const gfx::RectF& PrevYearButton() const { return prevYearButton_; }
    const gfx::RectF& NextMonthButton() const { return nextMonthButton_; }
    const gfx::RectF& NextYearButton() const { return nextYearButton_; }
    // Cells are square.
    float CellWidth() const { return cellWidth_; }
    const gfx::Bitmap* Picture() const { return background_.Get(); }
    const BackgroundPicture& Background() const { return background_; }
    const DesignSettings& Settings() const { return settings_; }
    // Bumped by every Layout, so kept frames know their rectangles are stale.
    unsigned LayoutGeneration() const { return generation_; }

private:
    // Pixels at 96 DPI to pixels at this painter's DPI; exactly 1 at 96, so nothing moves there.
    float Px(float pixels) const { return pixels * DpiScale(dpi_); }

    const DesignSettings& settings_;
    UINT dpi_ = kBaseDpi;
    gfx::RectF whole_, prevMonthButton_, prevYearButton_, nextMonthButton_, nextYearButton_;
    gfx::RectF titleRect_, weekdayRect_, gridRect_, pictureRect_;
    float cellWidth_ = 0;
    BackgroundPicture background_;
    unsigned generation_ = 0;
    const MonthDots* dots_ = nullptr;
};
