#include "render/Composition.h"

#include "calendar/MonthModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using gfx::RectF;

// ---- surface ------------------------------------------------------------------------------

DibSurface::~DibSurface() { Destroy(); }

void DibSurface::Destroy()
{
    if (dc_)
        SelectObject(dc_.get(), previous_);
    dc_.reset();
    bitmap_.reset();
    previous_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
}

bool DibSurface::Create(int width, int height)
{
    Destroy();
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<long long>(width) * height > kMaxPixels)
        return false;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    const ScreenDC screen;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap_)
        dc_.reset(CreateCompatibleDC(screen.get()));
    if (!bitmap_ || !dc_ || bits == nullptr) {
        Destroy();
        return false;
    }
    previous_ = SelectObject(dc_.get(), bitmap_.get());
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

void DibSurface::Clear()
{
    if (bits_ == nullptr)
        return;
    GdiFlush();
    std::memset(bits_, 0, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
}

// ---- shadow -------------------------------------------------------------------------------

namespace {

// Strength along a band of `length` pixels: fades in over the first s, out over the last s.
int Strength(int i, int length, float s)
{
    if (static_cast<float>(i) < s)
        return static_cast<int>(125.0f * static_cast<float>(i) / s);
    if (static_cast<float>(i) >= static_cast<float>(length) - s)
        return static_cast<int>(static_cast<float>(length - i) * 125.0f / s);
    return 125;
}

bool DrawableSide(float value) { return std::isfinite(value) && value >= 1 && value <= DibSurface::kMaxSide; }

} // namespace

int DropShadowSize(UINT dpi) { return static_cast<int>(std::lround(5 * DpiScale(dpi))); }

void DrawDropShadow(gfx::Graphics& graphics, const RectF& rect, float size)
{
    if (!DrawableSide(rect.width) || !DrawableSide(rect.height) || !DrawableSide(size))
        return;
    const int across = static_cast<int>(size);

    // Bottom band: along x, fading downwards.
    gfx::Bitmap bottom = gfx::Bitmap::Blank(static_cast<int>(rect.width), across);
    if (bottom) {
        {
            gfx::BitmapPixels pixels = bottom.Lock();
            if (pixels) {
                for (int x = 0; x < pixels.Width(); ++x) {
                    const int o = Strength(x, pixels.Width(), size);
                    for (int y = 0; y < pixels.Height(); ++y) {
                        const auto alpha = static_cast<std::uint32_t>(o * (pixels.Height() - y) / pixels.Height());
                        pixels.At(x, y) = alpha << 24;
                    }
                }
            }
        }
        graphics.DrawImage(bottom, rect.x + size, rect.y + rect.height);
    }

    // Right band: along y, fading rightwards; its last `size` rows are cut off by the clip.
    gfx::Bitmap right = gfx::Bitmap::Blank(across, static_cast<int>(rect.height));
    if (right) {
        {
            gfx::BitmapPixels pixels = right.Lock();
            if (pixels) {
                for (int y = 0; y < pixels.Height(); ++y) {
                    const int o = Strength(y, pixels.Height(), size);
                    for (int x = 0; x < pixels.Width(); ++x) {
                        const auto alpha = static_cast<std::uint32_t>(o * (pixels.Width() - x) / pixels.Width());
                        pixels.At(x, y) = alpha << 24;
                    }
                }
            }
        }
        graphics.SetClipRect(RectF{rect.x + rect.width, rect.y + size, size, rect.height - size});
        graphics.DrawImage(right, rect.x + rect.width, rect.y + size);
        graphics.ResetClip();
    }
}

// ---- hand-over ----------------------------------------------------------------------------

bool HandOver(HWND window, HDC source, int width, int height)
{
    const ScreenDC screen;
    RECT placed{};
    GetWindowRect(window, &placed);
    POINT destination{placed.left, placed.top};
    SIZE size{width, height};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return UpdateLayeredWindow(window, screen.get(), &destination, &size, source, &origin, 0, &blend, ULW_ALPHA) !=
           FALSE;
}

bool UpdateLayered(HWND window, int width, int height, const std::function<void(HDC)>& paint)
{
    DibSurface surface;
    if (!surface.Create(width, height))
        return false;
    if (paint)
        paint(surface.Dc());
    GdiFlush();
    return HandOver(window, surface.Dc(), width, height);
}

// ---- kept calendar frame ------------------------------------------------------------------

// Everything a full paint depends on besides the hover area: the look, which only a full
// paint can follow, and the month with its days' marks, which a month change follows.
struct CalendarFrame::Key {
    struct Look {
        unsigned generation = 0;
        int width = 0, height = 0;
        FontLook month_font, week_font, day_font, adjacent_font;
        std::array<Argb, 10> colours{};
        bool shadow = false;
        bool operator==(const Look&) const = default;
    } look;
    int year = 0, month = 0;
    std::array<std::uint32_t, 42> days{};
    std::uint64_t dots = 0;
    bool operator==(const Key&) const = default;
};

namespace {

std::uint32_t DayCode(const DayRecord& day) { return (static_cast<std::uint32_t>(day.day) << 16) ^ day.flags; }

CalendarFrame::Key MakeKey(const CalendarPainter& painter, const MonthModel& model, int width, int height)
{
    const DesignSettings& s = painter.Settings();
    CalendarFrame::Key key;
    key.look.generation = painter.LayoutGeneration();
    key.look.width = width;
    key.look.height = height;
    key.year = model.Year();
    key.month = model.Month();
    for (int column = 0; column < 7; ++column)
        for (int row = 0; row < 6; ++row)
            key.days[static_cast<std::size_t>(row * 7 + column)] = DayCode(model.Cell(column, row));
    key.dots = painter.DotsKey(model);
    key.look.month_font = LookOf(s.MonthFont);
    key.look.week_font = LookOf(s.WeekFont);
    key.look.day_font = LookOf(s.DayFont.Font);
    key.look.adjacent_font = LookOf(s.LNMonthFont.Font);
    key.look.colours = {s.DayFont.SunFontColor,           s.DayFont.SatFontColor,
                        s.DayFont.MemorialdayFontColor,   s.LNMonthFont.LNMonthFontBackColor,
                        s.DayBackColors.DayBackColor,     s.DayBackColors.TodayBackColor,
                        s.DayBackColors.MemodayBackColor, s.ButtonColors.ButtonForColor,
                        s.ButtonColors.ButtonBackColor,   s.Background.BackColor};
    key.look.shadow = s.Background.DropShadow;
    return key;
}

using PixelRect = CalendarFrame::PixelRect;

// Whole pixels around a float rectangle grown by `margin`, inside the width x height image.
PixelRect Around(const RectF& r, float margin, int width, int height)
{
    PixelRect p;
    p.left = std::clamp(static_cast<int>(std::floor(r.x - margin)), 0, width);
    p.top = std::clamp(static_cast<int>(std::floor(r.y - margin)), 0, height);
    p.right = std::clamp(static_cast<int>(std::ceil(r.Right() + margin)), p.left, width);
    p.bottom = std::clamp(static_cast<int>(std::ceil(r.Bottom() + margin)), p.top, height);
    return p;
}

// Whole pixels around the two button pairs, with room for anti-aliased edges, inside the calendar.
std::array<PixelRect, 2> ButtonRegions(const CalendarPainter& painter, int width, int height)
{
    auto around = [&](const RectF& a, const RectF& b) {
        const float left = std::min(a.x, b.x), top = std::min(a.y, b.y);
        const RectF both{left, top, std::max(a.Right(), b.Right()) - left, std::max(a.Bottom(), b.Bottom()) - top};
        return Around(both, 2, width, height);
    };
    return {around(painter.PrevYearButton(), painter.PrevMonthButton()),
            around(painter.NextMonthButton(), painter.NextYearButton())};
}

RectF RegionRect(const PixelRect& r)
{
    return RectF{static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right - r.left),
                 static_cast<float>(r.bottom - r.top)};
}

std::size_t Area(const PixelRect& r)
{
    return static_cast<std::size_t>(r.right - r.left) * static_cast<std::size_t>(r.bottom - r.top);
}

// Copies the pixels of `region` between the surface and `kept` (rows one after another).
void CopyRegion(DibSurface& surface, const PixelRect& region, std::uint32_t* kept, bool toSurface)
{
    const auto count = static_cast<std::size_t>(region.right - region.left);
    for (int y = region.top; y < region.bottom && count > 0; ++y, kept += count) {
        std::uint32_t* row = surface.Row(y) + region.left;
        if (toSurface)
            std::memcpy(row, kept, count * 4);
        else
            std::memcpy(kept, row, count * 4);
    }
}

} // namespace

CalendarFrame::CalendarFrame() = default;
CalendarFrame::~CalendarFrame() = default;

int CalendarFrame::ButtonState(int hover)
{
    if (hover == 0)
        return 0;
    if (hover >= AREA_PREV_MONTH && hover <= AREA_NEXT_YEAR)
        return 2 + hover - AREA_PREV_MONTH;
    return 1;
}

const DibSurface* CalendarFrame::Compose(const CalendarPainter& painter, const MonthModel& model, int hover)
{
    const PixelSize size = painter.GetSize();
    const bool shadow = painter.Settings().Background.DropShadow;
    const int border = shadow ? DropShadowSize(painter.Dpi()) : 0;
    const int width = size.width + border;
    const int height = size.height + border;

    Key key = MakeKey(painter, model, width, height);
    daysDrawn_ = 0;
    if (valid_ && key_ && key_->look == key.look && surface_) {
        if (*key_ == key) {
            last_ = Kind::Hover;
            const int state = ButtonState(hover);
            if (state != ButtonState(hover_)) {
                std::vector<std::uint32_t>& kept = states_[static_cast<std::size_t>(state)];
                if (!kept.empty()) {
                    CopyRegions(true, kept);
                } else {
                    ComposeButtons(painter, model, hover);
                    CopyRegions(false, kept);
                }
            }
        } else {
            last_ = Kind::Month;
            ComposeMonth(painter, model, hover);
            *key_ = std::move(key);
        }
        hover_ = hover;
        return &surface_;
    }

    valid_ = false;
    if (surface_.Width() != width || surface_.Height() != height || !surface_) {
        if (!surface_.Create(width, height))
            return nullptr;
    } else {
        surface_.Clear();
    }
    regions_ = ButtonRegions(painter, width, height);
    for (int column = 0; column < 7; ++column)
        for (int row = 0; row < 6; ++row) // the today ring reaches 2 pixels up and left of the cell;
            // with 2 pixels around, the regions of cells 5 pixels apart never share a pixel.
            cells_[static_cast<std::size_t>(row * 7 + column)] =
                Around(painter.CellRect(column, row), 2, width, height);
    ComposeAll(painter, model, hover, shadow);
    key_ = std::make_unique<Key>(std::move(key));
    hover_ = hover;
    valid_ = true;
    last_ = Kind::Full;
    return &surface_;
}

void CalendarFrame::CopyRegions(bool toSurface, std::vector<std::uint32_t>& pixels)
{
    GdiFlush();
    const std::size_t total = Area(regions_[0]) + Area(regions_[1]);
    if (!toSurface)
        pixels.resize(total);
    if (pixels.size() != total)
        return;
    CopyRegion(surface_, regions_[0], pixels.data(), toSurface);
    CopyRegion(surface_, regions_[1], pixels.data() + Area(regions_[0]), toSurface);
}

void CalendarFrame::ComposeAll(const CalendarPainter& painter, const MonthModel& model, int hover, bool shadow)
{
    days_.clear();
    titleInButtons_ = true; // no look of the buttons is kept from another design
    if (shadow) {
        gfx::Graphics graphics = gfx::Graphics::FromHdc(surface_.Dc());
        if (graphics) {
            const int s = DropShadowSize(painter.Dpi());
            DrawDropShadow(
                graphics,
                RectF{0, 0, static_cast<float>(surface_.Width() - s), static_cast<float>(surface_.Height() - s)},
                static_cast<float>(s));
            graphics.Flush();
        }
    }
    {
        gfx::Graphics graphics = gfx::Graphics::FromHdc(surface_.Dc());
        if (!graphics)
            return;
        graphics.SetHighQuality();
        painter.PaintBackground(graphics);
        graphics.Flush();
        GdiFlush();
        const std::uint32_t* bits = surface_.Bits();
        underlay_.assign(bits, bits + static_cast<std::ptrdiff_t>(surface_.Width()) * surface_.Height());
        painter.PaintWeekdays(graphics);
        graphics.Flush();
        GdiFlush();
        base_.assign(bits, bits + static_cast<std::ptrdiff_t>(surface_.Width()) * surface_.Height());
    }
    ComposeMonth(painter, model, hover);
}

// The background and the weekday row as kept, each day copied or drawn, then buttons and title:
// the days never overlap the buttons or the title, so this gives the pixels of a full paint.
void CalendarFrame::ComposeMonth(const CalendarPainter& painter, const MonthModel& model, int hover)
{
    GdiFlush();
    std::memcpy(surface_.Bits(), base_.data(), base_.size() * 4);
    if (days_.size() > kMaxKeptDays)
        days_.clear();
    std::array<std::uint64_t, 42> keys{};
    std::array<bool, 42> missing{};
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const int column = static_cast<int>(i % 7), row = static_cast<int>(i / 7);
        keys[i] = (static_cast<std::uint64_t>(i) << 32) | DayCode(model.Cell(column, row));
        const auto kept = days_.find(keys[i]);
        missing[i] = kept == days_.end() || kept->second.size() != Area(cells_[i]);
        if (!missing[i])
            CopyRegion(surface_, cells_[i], kept->second.data(), true);
        else
            ++daysDrawn_;
    }

    gfx::Graphics graphics = gfx::Graphics::FromHdc(surface_.Dc());
    if (!graphics)
        return;
    graphics.SetHighQuality();
    if (daysDrawn_ > 0) {
        painter.PaintCells(graphics, model,
                           [&](int column, int row) { return missing[static_cast<std::size_t>(row * 7 + column)]; });
        graphics.Flush();
        GdiFlush();
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            if (!missing[i])
                continue;
            std::vector<std::uint32_t>& kept = days_[keys[i]];
            kept.resize(Area(cells_[i]));
            CopyRegion(surface_, cells_[i], kept.data(), false);
        }
    }
    // The event dots go over the days as kept: a day's pixels do not depend on them.
    graphics.Flush();
    GdiFlush();
    painter.PaintDots(surface_.Dc(), model);
    // Looks of the buttons kept while no title reached into them hold no month: they are copied.
    std::vector<std::uint32_t>& look = states_[static_cast<std::size_t>(ButtonState(hover))];
    if (!titleInButtons_ && !look.empty()) {
        graphics.Flush();
        CopyRegions(true, look);
    } else {
        painter.PaintButtons(graphics, hover);
    }
    titleBounds_ = painter.PaintTitle(graphics, model);
    graphics.Flush();
    GdiFlush();
    const bool titleInButtons =
        titleBounds_.IntersectsWith(RegionRect(regions_[0])) || titleBounds_.IntersectsWith(RegionRect(regions_[1]));
    if (titleInButtons || titleInButtons_) {
        for (auto& state : states_)
            state.clear();
    }
    titleInButtons_ = titleInButtons;
    if (look.empty())
        CopyRegions(false, look);
}

void CalendarFrame::ComposeButtons(const CalendarPainter& painter, const MonthModel& model, int hover)
{
    GdiFlush();
    std::array<RectF, 2> clips;
    for (std::size_t i = 0; i < regions_.size(); ++i) {
        const auto [left, top, right, bottom] = regions_[i];
        const auto count = static_cast<std::size_t>(right - left);
        for (int y = top; y < bottom && count > 0; ++y) {
            const std::uint32_t* from =
                underlay_.data() + static_cast<std::ptrdiff_t>(surface_.Height() - 1 - y) * surface_.Width();
            std::memcpy(surface_.Row(y) + left, from + left, count * 4);
        }
        clips[i] = RegionRect(regions_[i]);
    }

    gfx::Graphics graphics = gfx::Graphics::FromHdc(surface_.Dc());
    if (!graphics)
        return;
    graphics.SetHighQuality();
    graphics.SetClipRect(clips[0]);
    graphics.SetClipRect(clips[1], Gdiplus::CombineModeUnion);
    painter.PaintButtons(graphics, hover);
    // The title is drawn over the buttons; where it reaches into their regions it is drawn again there.
    if (titleBounds_.IntersectsWith(clips[0]) || titleBounds_.IntersectsWith(clips[1]))
        painter.PaintTitle(graphics, model);
    graphics.Flush();
    GdiFlush();
}

bool RenderCalendar(HWND window, CalendarFrame& frame, CalendarPainter& painter, const MonthModel& model, int hover,
                    bool relayout)
{
    if (relayout)
        painter.Layout();
    const DibSurface* surface = frame.Compose(painter, model, hover);
    if (surface == nullptr)
        return false;
    return HandOver(window, surface->Dc(), surface->Width(), surface->Height());
}
