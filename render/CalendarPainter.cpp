#include "render/CalendarPainter.h"

#include "app/Application.h"
#include "app/Handle.h"
#include "calendar/MonthModel.h"
#include "res/resource.h"
#include "settings/SafeValues.h"

#include <algorithm>
#include <cmath>
#include <string>

using gfx::PointF;
using gfx::RectF;

namespace {

const DesignSettings& Defaults()
{
    static const DesignSettings defaults{};
    return defaults;
}

// A measurement that GDI+ could not make, or made absurd, counts as 0.
float SafeMeasure(float value)
{
    if (!std::isfinite(value) || value < 0)
        return 0;
    return std::min(value, 4096.0f);
}

std::wstring Number(int value) { return std::to_wstring(value); }

} // namespace

// ---- colour space -------------------------------------------------------------------------

Hls RgbToHls(int r, int g, int b)
{
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    Hls out;
    out.l = ((mx + mn) * 255 + 255) / 510;
    if (mx == mn) {
        out.s = 0;
        out.h = 170; // hue undefined
        return out;
    }
    const int d = out.l <= 127 ? mx + mn : 510 - mx - mn;
    out.s = ((mx - mn) * 255 + d / 2) / d;
    const int q = mx - mn;
    const int rd = ((mx - r) * 42 + q / 2) / q;
    const int gd = ((mx - g) * 42 + q / 2) / q;
    const int bd = ((mx - b) * 42 + q / 2) / q;
    if (r == mx)
        out.h = bd - gd;
    else if (g == mx)
        out.h = 85 + rd - bd;
    else
        out.h = 170 + gd - rd;
    if (out.h < 0)
        out.h += 255;
    if (out.h > 255)
        out.h -= 255;
    return out;
}

namespace {

int Hue(int lo, int hi, int h)
{
    if (h < 0)
        h += 255;
    if (h > 255)
        h -= 255;
    if (h < 42)
        return lo + ((hi - lo) * h + 21) / 42;
    if (h < 127)
        return hi;
    if (h < 170)
        return lo + ((hi - lo) * (170 - h) + 21) / 42;
    return lo;
}

} // namespace

Rgb HlsToRgb(int h, int l, int s)
{
    if (s == 0)
        return Rgb{l, l, l};
    const int m2 = l <= 127 ? (l * (255 + s) + 127) / 255 : l + s - (l * s + 127) / 255;
    const int m1 = 2 * l - m2;
    return Rgb{(Hue(m1, m2, h + 85) * 255 + 127) / 255, (Hue(m1, m2, h) * 255 + 127) / 255,
               (Hue(m1, m2, h - 85) * 255 + 127) / 255};
}

Argb ShiftLightness(Argb colour)
{
    const Hls hls = RgbToHls((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
    const int l = hls.l <= 128 ? hls.l + 65 : hls.l - 65;
    const Rgb rgb = HlsToRgb(hls.h, l, hls.s);
    auto channel = [](int v) { return static_cast<Argb>(std::clamp(v, 0, 255)); };
    return (colour & 0xFF000000u) | (channel(rgb.r) << 16) | (channel(rgb.g) << 8) | channel(rgb.b);
}

// ---- painter ------------------------------------------------------------------------------

CalendarPainter::CalendarPainter(const DesignSettings& settings) : settings_(settings) {}

CalendarPainter::~CalendarPainter() = default;

void CalendarPainter::Layout()
{
    float d = 0;
    float t = 0;
    float k = 0;
    {
        ScreenDC screen;
        gfx::Graphics graphics = gfx::Graphics::FromHdc(screen.get());
        const gfx::Font monthFont = DrawableFont(settings_.MonthFont, Defaults().MonthFont.Size, dpi_);
        const gfx::Font weekFont = DrawableFont(settings_.WeekFont, Defaults().WeekFont.Size, dpi_);
        const gfx::Font dayFont = DrawableFont(settings_.DayFont.Font, Defaults().DayFont.Font.Size, dpi_);
        if (graphics) {
            // A font that could not be made at all measures 0.
            if (dayFont)
                d = SafeMeasure(graphics.MeasureString(L"00", dayFont, PointF{}).width);
            if (monthFont)
                t = SafeMeasure(graphics.MeasureString(L"WW", monthFont, PointF{}).height);
            if (weekFont)
                k = SafeMeasure(graphics.MeasureString(L"WW", weekFont, PointF{}).height);
        }
    }

    // Margins and gaps are pixels at 96 DPI; the fonts are already sized for the monitor.
    const float w = 7 * d + Px(76);
    const float h = 6 * d + t + k + Px(53);
    const float b = 0.8f * t;
    const float top = Px(8) + 0.5f * t - 0.5f * b;
    whole_ = RectF{0, 0, w, h};
    titleRect_ = RectF{Px(8), Px(8), 7 * d + Px(60), t};
    weekdayRect_ = RectF{Px(8), t + Px(13), 7 * d + Px(60), k};
    gridRect_ = RectF{Px(8), t + k + Px(18), 7 * d + Px(60), 6 * d + Px(25)};
    prevYearButton_ = RectF{Px(8), top, b, b};
    prevMonthButton_ = RectF{Px(8) + 1.25f * b, top, b, b};
    nextMonthButton_ = RectF{w - Px(8) - 2.25f * b, top, b, b};
    nextYearButton_ = RectF{w - Px(8) - b, top, b, b};
    cellWidth_ = d;
    LoadPicture();
}

PixelSize CalendarPainter::GetSize() const
{
    return PixelSize{static_cast<int>(whole_.width), static_cast<int>(whole_.height)};
}

int CalendarPainter::HitTest(int x, int y) const
{
    const float px = static_cast<float>(x);
    const float py = static_cast<float>(y);
    const std::pair<const RectF*, int> order[] = {
        {&nextMonthButton_, AREA_NEXT_MONTH},
        {&nextYearButton_, AREA_NEXT_YEAR},
        {&prevMonthButton_, AREA_PREV_MONTH},
        {&prevYearButton_, AREA_PREV_YEAR},
        {&titleRect_, AREA_TITLE},
        {&weekdayRect_, AREA_WEEKDAYS},
        {&gridRect_, AREA_DAYS},
    };
    for (const auto& [rect, area] : order) {
        if (rect->Contains(px, py))
            return area;
    }
    return AREA_NONE;
}

RectF CalendarPainter::CellRect(int column, int row) const
{
    return RectF{gridRect_.x + static_cast<float>(column) * (cellWidth_ + Px(10)),
                 gridRect_.y + static_cast<float>(row) * (cellWidth_ + Px(5)), cellWidth_, cellWidth_};
}

int CalendarPainter::CellAt(int x, int y) const
{
    if (HitTest(x, y) != AREA_DAYS)
        return -1;
    const float px = static_cast<float>(x);
    const float py = static_cast<float>(y);
    for (int column = 0; column < 7; ++column) {
        for (int row = 0; row < 6; ++row) {
            if (CellRect(column, row).Contains(px, py))
                return (row << 16) | column;
        }
    }
    return -1;
}

void CalendarPainter::Paint(const MonthModel& model, HDC hdc, int hover) const
{
    gfx::Graphics graphics = gfx::Graphics::FromHdc(hdc);
    if (!graphics)
        return;
    graphics.SetHighQuality();
    Paint(model, graphics, hover);
    graphics.Flush();
    GdiFlush();
    PaintDots(hdc, model);
}

void CalendarPainter::Paint(const MonthModel& model, gfx::Graphics& graphics, int hover) const
{
    PaintBackground(graphics);
    PaintButtons(graphics, hover);
    PaintTitle(graphics, model);
    PaintDays(graphics, model);
}

void CalendarPainter::PaintBackground(gfx::Graphics& graphics) const
{
    const gfx::SolidBrush back(settings_.Background.BackColor);
    // The whole canvas to its last pixel: a fill to (W - 1, H - 1) left a see-through line
    // between the calendar and its shadow.
    const PixelSize size = GetSize();
    graphics.FillPixels(back, size.width, size.height);
    if (const gfx::Bitmap* picture = background_.Get())
        graphics.DrawImage(*picture, pictureRect_);
}

void CalendarPainter::PaintButtons(gfx::Graphics& graphics, int hover) const
{
    if (hover == 0)
        return;
    DrawButton(graphics, ButtonShape::DoubleLeft, prevYearButton_, hover == AREA_PREV_YEAR);
    DrawButton(graphics, ButtonShape::SingleLeft, prevMonthButton_, hover == AREA_PREV_MONTH);
    DrawButton(graphics, ButtonShape::DoubleRight, nextYearButton_, hover == AREA_NEXT_YEAR);
    DrawButton(graphics, ButtonShape::SingleRight, nextMonthButton_, hover == AREA_NEXT_MONTH);
}

namespace {

std::wstring TitleText(const MonthModel& model)
{
    return ResString(static_cast<UINT>(IDS_MONTH_BASE + model.Month())) + L" " + Number(model.Year());
}

} // namespace

RectF CalendarPainter::PaintTitle(gfx::Graphics& graphics, const MonthModel& model) const
{
    const gfx::StringFormat centred(Gdiplus::StringAlignmentCenter, Gdiplus::StringAlignmentCenter);
    const gfx::Font font = DrawableFont(settings_.MonthFont, Defaults().MonthFont.Size, dpi_);
    const gfx::SolidBrush brush(settings_.MonthFont.Color);
    const std::wstring text = TitleText(model);
    graphics.DrawString(text, font, titleRect_, centred, brush);

    // Measured unbounded and centred as DrawString centres it: measuring inside the box gives the
    // whole box on some systems, which would make the title seem to reach into the buttons.
    const RectF natural = graphics.MeasureString(text, font, PointF{});
    if (graphics.LastStatus() != Gdiplus::Ok || !(natural.width > 0))
        return titleRect_;
    const float width = std::min(natural.width, titleRect_.width), height = std::min(natural.height, titleRect_.height);
    RectF bounds{titleRect_.x + (titleRect_.width - width) / 2, titleRect_.y + (titleRect_.height - height) / 2, width,
                 height};
    // Anti-aliased glyph edges may reach a pixel past the measured box; the text never leaves its box.
    bounds.Inflate(Px(2), Px(2));
    return bounds;
}

void CalendarPainter::PaintDays(gfx::Graphics& graphics, const MonthModel& model) const
{
    PaintWeekdays(graphics);
    PaintCells(graphics, model, nullptr);
}

void CalendarPainter::PaintWeekdays(gfx::Graphics& graphics) const
{
    const gfx::StringFormat centred(Gdiplus::StringAlignmentCenter, Gdiplus::StringAlignmentCenter);
    const gfx::Font weekFont = DrawableFont(settings_.WeekFont, Defaults().WeekFont.Size, dpi_);
    const gfx::SolidBrush weekBrush(settings_.WeekFont.Color);
    for (int column = 0; column < 7; ++column) {
        const RectF header{weekdayRect_.x + static_cast<float>(column) * (cellWidth_ + Px(10)) - Px(5), weekdayRect_.y,
                           cellWidth_ + Px(10), weekdayRect_.height};
        graphics.DrawString(ResString(static_cast<UINT>(IDS_WEEKDAY_BASE + column)), weekFont, header, centred,
                            weekBrush);
    }
}

void CalendarPainter::PaintCells(gfx::Graphics& graphics, const MonthModel& model,
                                 const std::function<bool(int, int)>& which) const
{
    const DesignSettings& defaults = Defaults();
    const gfx::StringFormat centred(Gdiplus::StringAlignmentCenter, Gdiplus::StringAlignmentCenter);
    const gfx::Font dayFont = DrawableFont(settings_.DayFont.Font, defaults.DayFont.Font.Size, dpi_);
    const gfx::Font adjacentFont = DrawableFont(settings_.LNMonthFont.Font, defaults.LNMonthFont.Font.Size, dpi_);

    const gfx::SolidBrush adjacentDisc(settings_.LNMonthFont.LNMonthFontBackColor);
    const gfx::SolidBrush adjacentText(settings_.LNMonthFont.Font.Color);
    const gfx::SolidBrush memoDisc(settings_.DayBackColors.MemodayBackColor);
    const gfx::SolidBrush plainDisc(settings_.DayBackColors.DayBackColor);
    const gfx::Pen todayRing(settings_.DayBackColors.TodayBackColor, Px(2));
    const gfx::SolidBrush memorialText(settings_.DayFont.MemorialdayFontColor);
    const gfx::SolidBrush sundayText(settings_.DayFont.SunFontColor);
    const gfx::SolidBrush saturdayText(settings_.DayFont.SatFontColor);
    const gfx::SolidBrush plainText(settings_.DayFont.Font.Color);

    for (int column = 0; column < 7; ++column) {
        for (int row = 0; row < 6; ++row) {
            if (which && !which(column, row))
                continue;
            const DayRecord& day = model.Cell(column, row);
            const RectF text = CellRect(column, row);
            const RectF disc{text.x - Px(1), text.y - Px(1), text.width, text.height};
            if ((day.flags & (DAY_PREV_MONTH | DAY_NEXT_MONTH)) != 0) {
                graphics.FillEllipse(adjacentDisc, disc);
                graphics.DrawString(Number(day.day), adjacentFont, text, centred, adjacentText);
                continue;
            }
            graphics.FillEllipse((day.flags & DAY_MEMO) != 0 ? memoDisc : plainDisc, disc);
            if ((day.flags & DAY_TODAY) != 0)
                graphics.DrawEllipse(todayRing, disc);
            const gfx::SolidBrush* brush = &plainText;
            if ((day.flags & DAY_MEMORIAL) != 0)
                brush = &memorialText;
            else if ((day.flags & (DAY_REST | DAY_HOLIDAY)) != 0)
                brush = &sundayText;
            else if ((day.flags & DAY_SATURDAY) != 0)
                brush = &saturdayText;
            graphics.DrawString(Number(day.day), dayFont, text, centred, *brush);
        }
    }
}

namespace {

// A disc over 32-bit premultiplied pixels (rows bottom-up), its edge covered by 4 x 4 samples per pixel.
void FillDisc(const DIBSECTION& dib, float cx, float cy, float r, Argb colour)
{
    const int width = dib.dsBm.bmWidth, height = std::abs(dib.dsBm.bmHeight);
    auto* bits = static_cast<std::uint32_t*>(dib.dsBm.bmBits);
    const std::uint32_t a = colour >> 24;
    const std::uint32_t premultiplied[3] = {((colour >> 16) & 0xFF) * a / 255, ((colour >> 8) & 0xFF) * a / 255,
                                            (colour & 0xFF) * a / 255};
    for (int y = std::max(0, static_cast<int>(cy - r)); y <= std::min(height - 1, static_cast<int>(cy + r)); ++y) {
        std::uint32_t* row = bits + static_cast<std::ptrdiff_t>(dib.dsBm.bmHeight > 0 ? height - 1 - y : y) * width;
        for (int x = std::max(0, static_cast<int>(cx - r)); x <= std::min(width - 1, static_cast<int>(cx + r)); ++x) {
            int inside = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const float dx = static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / 4 - cx;
                    const float dy = static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / 4 - cy;
                    inside += dx * dx + dy * dy <= r * r;
                }
            if (inside == 0)
                continue;
            // Source over, the source's coverage in sixteenths.
            const std::uint32_t cover = static_cast<std::uint32_t>(inside), keep = 255 * 16 - a * cover;
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c) {
                const std::uint32_t source = c == 3 ? a : premultiplied[2 - c];
                const std::uint32_t old = (row[x] >> (8 * c)) & 0xFF;
                out |= std::min<std::uint32_t>(255, (source * cover * 255 + old * keep) / (255 * 16)) << (8 * c);
            }
            row[x] = out;
        }
    }
}

} // namespace

void CalendarPainter::PaintDots(HDC hdc, const MonthModel& model) const
{
    DIBSECTION dib{};
    const auto bitmap = static_cast<HBITMAP>(GetCurrentObject(hdc, OBJ_BITMAP));
    if (dots_ == nullptr || bitmap == nullptr || GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib ||
        dib.dsBm.bmBits == nullptr || dib.dsBm.bmBitsPixel != 32)
        return;
    // Small enough to leave the number and the disc colours readable.
    const float r = std::max(Px(2), cellWidth_ * 0.07f), pitch = 3 * r;
    for (int column = 0; column < 7; ++column) {
        for (int row = 0; row < 6; ++row) {
            const DayDots* dots = DotsOf(model.Cell(column, row));
            if (dots == nullptr)
                continue;
            const RectF cell = CellRect(column, row);
            const float y = cell.y - Px(1) + cell.height - 2.5f * r;
            const float x = cell.x - Px(1) + cell.width / 2 - pitch * static_cast<float>(dots->count - 1) / 2;
            for (int i = 0; i < dots->count; ++i)
                FillDisc(dib, x + pitch * static_cast<float>(i), y, r, dots->colours[static_cast<std::size_t>(i)]);
        }
    }
}

std::uint64_t CalendarPainter::DotsKey(const MonthModel& model) const
{
    std::uint64_t hash = 0;
    for (int column = 0; column < 7; ++column)
        for (int row = 0; row < 6; ++row)
            if (const DayDots* dots = DotsOf(model.Cell(column, row))) {
                hash = (hash ^ static_cast<std::uint64_t>(row * 7 + column + 1)) * 1099511628211ull;
                for (int i = 0; i < dots->count; ++i)
                    hash = (hash ^ dots->colours[static_cast<std::size_t>(i)]) * 1099511628211ull;
            }
    return hash;
}

const DayDots* CalendarPainter::DotsOf(const DayRecord& day) const
{
    if (dots_ == nullptr || !day.InShownMonth() || day.year != dots_->year || day.month != dots_->month ||
        day.day < 1 || day.day > 31)
        return nullptr;
    const DayDots& dots = dots_->days[static_cast<std::size_t>(day.day)];
    return dots.count > 0 ? &dots : nullptr;
}

void CalendarPainter::DrawButton(gfx::Graphics& graphics, ButtonShape shape, const RectF& rect, bool highlighted) const
{
    Argb disc = settings_.ButtonColors.ButtonBackColor;
    if (highlighted)
        disc = ShiftLightness(disc);
    graphics.FillEllipse(gfx::SolidBrush(disc), rect);

    const gfx::SolidBrush arrow(settings_.ButtonColors.ButtonForColor);
    const float cx = rect.x + rect.width / 2;
    const float cy = rect.y + rect.height / 2;
    const float s = rect.width;
    const bool left = shape == ButtonShape::SingleLeft || shape == ButtonShape::DoubleLeft;
    if (shape == ButtonShape::SingleLeft || shape == ButtonShape::SingleRight) {
        DrawArrow(graphics, arrow, PointF{cx, cy}, 0.5f * s, left);
        return;
    }
    const float d = 0.35f * s;
    DrawArrow(graphics, arrow, PointF{cx - 0.5f * d, cy}, d, left);
    DrawArrow(graphics, arrow, PointF{cx + 0.5f * d, cy}, d, left);
}

void CalendarPainter::DrawArrow(gfx::Graphics& graphics, const gfx::SolidBrush& brush, PointF centre, float size,
                                bool left)
{
    const float k = left ? -size : size;
    const float h = size * 1.154700538358503f; // side of an equilateral triangle of height `size`
    const PointF points[] = {
        {centre.x + 2 * k / 3, centre.y},
        {centre.x - k / 3, centre.y - h / 2},
        {centre.x - k / 3, centre.y + h / 2},
        {centre.x + 2 * k / 3, centre.y},
    };
    graphics.FillPolygon(brush, points);
}

// ---- background picture -------------------------------------------------------------------

void CalendarPainter::LoadPicture()
{
    ++generation_;
    const BackgroundGroup& background = settings_.Background;
    pictureRect_ = background.BackImagePos == 0 ? RectF{gridRect_.x - Px(4), gridRect_.y - Px(2.5f),
                                                        gridRect_.width + Px(8), gridRect_.height + Px(7.5f)}
                                                : RectF{0, 0, whole_.width, whole_.height};
    background_.Update(background, pictureRect_);
}
