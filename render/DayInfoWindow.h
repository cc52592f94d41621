// The day-information popup: date, holiday, memorial day with picture and memo of one
// day, composed off screen with per-pixel alpha and a drop shadow.
#pragma once
#include "app/Dpi.h"
#include "app/ScreenPlacement.h"
#include "app/Win.h"
#include "render/DrawableFont.h"
#include "render/Graphics.h"
#include "render/PictureFile.h"
#include "settings/Settings.h"
#include "ui/framework/Window.h"

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

struct DayRecord;

// One line of the popup's event list: the time, the summary and the place, in its calendar's colour.
struct DayInfoEvent {
    std::wstring text;
    Argb colour = 0xFF000000;
};

class DayInfoWindow : public Window {
public:
    // Pixels at 96 DPI; the popup scales them to the DPI of its monitor.
    static constexpr float kPictureSide = 50;
    // Content sides are capped so the image (content and shadow) always fits one hand-over
    // surface, whatever the fonts and texts are: 4096 less the shadow at 96 DPI, far inside
    // the surface's limit at any DPI.
    static constexpr float kMaxContentSide = 4096 - 5;
    // The popup's compose budget: it shows at most this much of a memo or a name, and an
    // ellipsis for the rest. More than a screen holds would only keep the layout busy (a
    // memo of 20 000 characters took seconds to measure under Wine).
    static constexpr std::size_t kShownChars = 400;
    static constexpr std::size_t kShownLines = 20;
    // Events listed at most; the rest are counted in a last line.
    static constexpr std::size_t kMaxEventLines = 6;

    DayInfoWindow() = default;

    // Registers "DayInfoWnd" and creates the hidden popup owned by `owner`; false when no window.
    bool CreateDayInfo(HWND owner);

    // Lays out `day` with the Dayinfo settings, places the popup at (x, y) inside the monitor
    // holding that point, composes it and shows it. Pinned popups survive losing activation.
    // The day's events follow the memo.
    void ShowDayInfo(int x, int y, const DayRecord& day, const DesignSettings& settings, bool pinned,
                     std::span<const DayInfoEvent> events = {});

    // Takes copies of what is shown of the day and of the Dayinfo settings, then lays out.
    void SetDay(const DayRecord& day, const DesignSettings& settings, std::span<const DayInfoEvent> events = {});
    // The DPI the next layout is made for; ShowDayInfo takes that of the monitor at its point.
    void SetDpi(UINT dpi) { dpi_ = dpi; }
    void LayoutDayInfo();
    // Draws content, texts, picture and shadow onto a transparent 32-bit surface.
    void PaintDayInfo(HDC dc) const;
    // Composes ImageSize() pixels and hands them to the popup window.
    bool UpdateDayInfoLayer();

    void Hide();
    bool IsShown() const;

    // The popup without its shadow, at (0, 0).
    const gfx::RectF& Content() const { return content_; }
    const gfx::RectF& TitleRect() const { return titleRect_; }
    const gfx::RectF& MemorialRect() const { return memorialRect_; }
    const gfx::RectF& MemoRect() const { return memoRect_; }
    const gfx::RectF& PictureRect() const { return pictureRect_; }
    // The event lines, one above the other, each this tall.
    const gfx::RectF& EventsRect() const { return eventsRect_; }
    float EventLineHeight() const { return eventLine_; }
    // What the event lines say, the count of the rest included.
    const std::vector<DayInfoEvent>& EventLines() const { return day_.events; }
    const std::wstring& DateLine() const { return dateLine_; }
    // Pixel size of the window image: content plus the shadow.
    SIZE ImageSize() const;

protected:
    void OnActivate(UINT state, HWND other, bool minimized) override;
    void OnKeyDown(UINT virtualKey, UINT repeat, UINT flags) override;
    void OnLButtonDown(UINT keys, int x, int y) override;

private:
    // What is shown of a day. A copy: the month model rebuilds its cells on every month change.
    struct ShownDay {
        int year = 0, month = 0, day = 0, weekday = 0;
        std::wstring holiday, memo, memorialName, memorialPicture;
        std::vector<DayInfoEvent> events;
    };

    ShownDay day_;
    DayinfoGroup look_;
    std::wstring dateLine_;
    gfx::RectF content_, titleRect_, memorialRect_, memoRect_, pictureRect_, eventsRect_;
    float eventLine_ = 0;
    std::optional<std::pair<FontLook, UINT>> referenceFont_; // the memo font and DPI the reference was measured for
    gfx::RectF reference_;
    // Memorial pictures, decoded once per file version; the files themselves are not kept open.
    ThumbnailCache thumbnails_;
    const gfx::Bitmap* thumbnail_ = nullptr; // in thumbnails_, chosen by the last layout
    bool autoHide_ = false;
    UINT dpi_ = kBaseDpi;
};
