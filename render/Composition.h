// Off-screen composition with per-pixel alpha and the hand-over to layered windows.
#pragma once
#include "app/Handle.h"
#include "render/CalendarPainter.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <string>
#include <vector>

class MonthModel;

// A zeroed 32-bit bottom-up DIB section selected into its own memory DC. Pixels are
// premultiplied ARGB words, as UpdateLayeredWindow takes them.
class DibSurface {
public:
    // Sides beyond this are refused: no setting may make the program allocate without bound.
    static constexpr int kMaxSide = 8192;
    static constexpr long long kMaxPixels = 32LL * 1024 * 1024;

    DibSurface() = default;
    ~DibSurface();
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    // False (and no surface) when the size is out of range or GDI refuses.
    bool Create(int width, int height);
    void Clear();
    explicit operator bool() const { return static_cast<bool>(dc_); }
    HDC Dc() const { return dc_.get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Row y counted from the top.
    std::uint32_t* Row(int y) { return bits_ + static_cast<std::ptrdiff_t>(height_ - 1 - y) * width_; }
    const std::uint32_t* Row(int y) const { return bits_ + static_cast<std::ptrdiff_t>(height_ - 1 - y) * width_; }
    std::uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
    std::uint32_t* Bits() { return bits_; }

private:
    void Destroy();
    // Declared before the DC: the DC goes first, and the bitmap is selected out of it before.
    UniqueGdi<HBITMAP> bitmap_;
    OwnedHandle<HDC, DeleteDC, 0> dc_;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// Shadow right of and below rect, `size` pixels wide, alpha 125 against rect fading to 0.
void DrawDropShadow(gfx::Graphics& graphics, const gfx::RectF& rect, float size);
// Width of the drop shadow of the calendar and of the popup at `dpi`: 5 pixels at 96.
int DropShadowSize(UINT dpi);

// UpdateLayeredWindow of the width x height image in `source` at the window's current top-left.
bool HandOver(HWND window, HDC source, int width, int height);

// Composes a fresh transparent width x height image through `paint` and hands it to the
// layered window. False when the size is unusable or the hand-over fails.
bool UpdateLayered(HWND window, int width, int height, const std::function<void(HDC)>& paint);

// The calendar's window image, kept between renders. A change of the hover area redraws only
// the two button groups over the kept background, and each look of the buttons, once drawn,
// is kept for the month shown. A change of the month (or of a day's marks) keeps the background
// and the weekday row, and copies each day's disc and number from what was drawn for the same
// day at the same place before; the event dots are drawn over them. Anything else repaints everything.
class CalendarFrame {
public:
    CalendarFrame();
    ~CalendarFrame();
    CalendarFrame(const CalendarFrame&) = delete;
    CalendarFrame& operator=(const CalendarFrame&) = delete;

    // Null when the calendar has no drawable size.
    const DibSurface* Compose(const CalendarPainter& painter, const MonthModel& model, int hover);
    void Invalidate() { valid_ = false; }

    enum class Kind { Full, Month, Hover };
    // What the last Compose had to do (for tests and measurements).
    Kind LastCompose() const { return last_; }
    // Days drawn (rather than copied) by the last Compose.
    int LastDaysDrawn() const { return daysDrawn_; }

    struct Key;
    struct PixelRect {
        int left = 0, top = 0, right = 0, bottom = 0;
    };

private:
    void ComposeAll(const CalendarPainter& painter, const MonthModel& model, int hover, bool shadow);
    void ComposeMonth(const CalendarPainter& painter, const MonthModel& model, int hover);
    void ComposeButtons(const CalendarPainter& painter, const MonthModel& model, int hover);
    void CopyRegions(bool toSurface, std::vector<std::uint32_t>& pixels);

    // Looks of the button groups: none, all plain, or one of the four highlighted.
    static constexpr int kButtonStates = 6;
    static int ButtonState(int hover);
    // Kept days beyond this are dropped all at once; a day's pixels are a few kilobytes.
    static constexpr std::size_t kMaxKeptDays = 42 * 48;

    DibSurface surface_;
    std::array<std::vector<std::uint32_t>, kButtonStates> states_; // region pixels per look, empty until drawn
    std::array<PixelRect, 2> regions_{};                           // the two button groups
    std::vector<std::uint32_t> underlay_; // shadow, background colour and picture: what lies under the buttons
    std::vector<std::uint32_t> base_;     // the underlay with the weekday row: what a month change starts from
    std::array<PixelRect, 42> cells_{};   // where each day's disc and number can land
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> days_; // per place and day: its pixels
    std::unique_ptr<Key> key_;
    gfx::RectF titleBounds_;
    int hover_ = 0;
    int daysDrawn_ = 0;
    bool titleInButtons_ = true; // the kept looks of the buttons show this month's title
    bool valid_ = false;
    Kind last_ = Kind::Full;
};

// The calendar window's Render: optional Layout, composition in `frame` (with shadow when
// DropShadow is set, window wider and taller by DropShadowSize) and the hand-over to `window`.
bool RenderCalendar(HWND window, CalendarFrame& frame, CalendarPainter& painter, const MonthModel& model, int hover,
                    bool relayout);
