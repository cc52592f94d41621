#include "render/DayInfoWindow.h"

#include "app/Application.h"
#include "app/Handle.h"
#include "calendar/DayRecord.h"
#include "render/Composition.h"
#include "render/DrawableFont.h"
#include "res/resource.h"
#include "settings/SafeValues.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <vector>

using gfx::PointF;
using gfx::RectF;

namespace {

// Texts wider than their line wrap at the width of this string in their own font.
const std::wstring kWrapReference(16, L'\x3042');

gfx::Font TitleFont(const DayinfoGroup& look, UINT dpi)
{
    return DrawableFont(look.TitleFont, DayinfoGroup{}.TitleFont.Size, dpi);
}
gfx::Font MemoFont(const DayinfoGroup& look, UINT dpi)
{
    return DrawableFont(look.MemoFont, DayinfoGroup{}.MemoFont.Size, dpi);
}

// A memo keeps the CR-LF of its edit box; the text layout breaks lines at LF alone (a CR would
// be drawn as a glyph of its own).
std::wstring LineBreaks(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\r')
            out += text[i];
        else if (i + 1 >= text.size() || text[i + 1] != L'\n')
            out += L'\n';
    }
    return out;
}

// The part of a text (lines broken at LF) that the popup shows.
std::wstring Shown(std::wstring text)
{
    std::size_t end = std::min(text.size(), DayInfoWindow::kShownChars);
    for (std::size_t pos = 0, lines = 1; pos < end; ++pos)
        if (text[pos] == L'\n' && ++lines > DayInfoWindow::kShownLines)
            end = pos;
    if (end == text.size())
        return text;
    if (end > 0 && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF)
        --end; // never half a surrogate pair
    text.resize(end);
    return text + L"\x2026";
}

gfx::StringFormat NearFormat() { return gfx::StringFormat(Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentNear); }

std::wstring FormatDateLine(int year, int month, int day, int weekday)
{
    const std::wstring name = ResString(IDS_WEEKDAY_BASE + static_cast<UINT>(std::clamp(weekday, 0, 6)));
    wchar_t text[64];
    std::swprintf(text, std::size(text), L"%d/%02d/%02d (%ls)", year, month, day, name.c_str());
    return text;
}

// Measures `text` from `origin`; when it is wider than `line`, it is wrapped at the width of
// the reference string where that is narrower. The result is the box it is drawn in.
RectF MeasureWrapped(gfx::Graphics& graphics, const std::wstring& text, const gfx::Font& font,
                     const gfx::StringFormat& format, PointF origin, float line)
{
    RectF box = graphics.MeasureString(text, font, origin);
    if (box.width > line) {
        const RectF reference = graphics.MeasureString(kWrapReference, font, origin);
        if (reference.width < box.width) {
            box.width = reference.width;
            box.height = 0;
            box = graphics.MeasureString(text, font, box, format);
        }
    }
    // The box is as tall as the text laid out in it, the way it is drawn: a glyph from another
    // font (an emoji) may measure narrower on its own and wrap inside the box, and a box only as
    // tall as the first measure would cut the last line.
    const RectF laidOut = graphics.MeasureString(text, font, RectF{box.x, box.y, box.width, 0}, format);
    if (graphics.LastStatus() == Gdiplus::Ok)
        box.height = std::max(box.height, laidOut.height);
    return box;
}

float Capped(float side)
{
    if (!std::isfinite(side))
        return DayInfoWindow::kMaxContentSide;
    return std::clamp(side, 0.0f, DayInfoWindow::kMaxContentSide);
}

} // namespace

bool DayInfoWindow::CreateDayInfo(HWND owner)
{
    if (Handle() != nullptr)
        return true;
    const std::wstring className = ResString(IDS_DAYINFO_CLASS);
    // A second popup object in the same process finds the class already registered.
    RegisterWindowClass(className.c_str(), CS_HREDRAW | CS_VREDRAW, nullptr, nullptr, LoadCursorW(nullptr, IDC_ARROW),
                        nullptr);
    return Create(WS_EX_LAYERED, className.c_str(), nullptr, WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr);
}

void DayInfoWindow::SetDay(const DayRecord& day, const DesignSettings& settings, std::span<const DayInfoEvent> events)
{
    day_.year = day.year;
    day_.month = day.month;
    day_.day = day.day;
    day_.weekday = day.weekday;
    day_.holiday = day.holidayName != nullptr ? day.holidayName : L"";
    day_.memo = Shown(LineBreaks(day.memo));
    day_.memorialName = Shown(day.memorialName);
    day_.memorialPicture = day.memorialPicture;
    const std::size_t listed = events.size() > kMaxEventLines ? kMaxEventLines - 1 : events.size();
    day_.events.assign(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(listed));
    if (listed < events.size())
        day_.events.push_back(
            {ResFormat(IDS_EVENT_MORE, static_cast<int>(events.size() - listed)), settings.Dayinfo.MemoFont.Color});
    look_ = settings.Dayinfo;
    LayoutDayInfo();
}

void DayInfoWindow::LayoutDayInfo()
{
    dateLine_ = FormatDateLine(day_.year, day_.month, day_.day, day_.weekday);
    content_ = titleRect_ = memorialRect_ = memoRect_ = pictureRect_ = eventsRect_ = RectF{};
    eventLine_ = 0;
    thumbnail_ = nullptr;

    ScreenDC screen;
    gfx::Graphics graphics = gfx::Graphics::FromHdc(screen.get());
    const gfx::Font titleFont = TitleFont(look_, dpi_);
    const gfx::StringFormat format = NearFormat();
    const float scale = DpiScale(dpi_);
    const float margin = 5 * scale;
    const float pictureSide = kPictureSide * scale;

    const RectF date = graphics.MeasureString(dateLine_, titleFont, PointF{margin, margin});
    float width = date.width + 2 * margin;
    float height = date.height + margin;

    if (!day_.holiday.empty())
        width += graphics.MeasureString(day_.holiday, titleFont, PointF{date.width + margin, margin}).width;
    titleRect_ = RectF{margin, margin, width - 2 * margin, date.height};

    // A wrapped text may come out narrower than the title line; the popup never shrinks below it.
    if (!day_.memorialName.empty()) {
        memorialRect_ = MeasureWrapped(graphics, day_.memorialName, titleFont, format, PointF{titleRect_.x, height},
                                       width - 2 * margin);
        width = std::max(width, memorialRect_.width + 2 * margin);
        height += memorialRect_.height;
    }

    if (!day_.memo.empty()) {
        const gfx::Font memoFont = MemoFont(look_, dpi_);
        memoRect_ = MeasureWrapped(graphics, day_.memo, memoFont, format, PointF{titleRect_.x, height + margin},
                                   width - 2 * margin);
        width = std::max(width, memoRect_.width + 2 * margin);
        height += memoRect_.height + margin;
    }

    // The events one line each, as wide as sixteen "あ" of the memo font (longer lines are cut),
    // measured once per font: they are laid out at every popup.
    if (!day_.events.empty()) {
        const std::pair font{LookOf(look_.MemoFont), dpi_};
        if (referenceFont_ != font) {
            referenceFont_ = font;
            reference_ = graphics.MeasureString(kWrapReference, MemoFont(look_, dpi_), PointF{});
        }
        eventLine_ = reference_.height;
        eventsRect_ = RectF{titleRect_.x, height + margin, std::max(width - 2 * margin, reference_.width),
                            eventLine_ * static_cast<float>(day_.events.size())};
        width = std::max(width, eventsRect_.width + 2 * margin);
        height += eventsRect_.height + margin;
    }

    if (!day_.memorialPicture.empty()) {
        if (const ThumbnailCache::Thumbnail* picture = thumbnails_.Get(day_.memorialPicture, pictureSide)) {
            const auto [pw, ph] = FitInside(picture->width, picture->height, pictureSide, pictureSide);
            pictureRect_ = RectF{margin, margin, pw, ph};
            width += pw + margin;
            titleRect_.x += pw + margin;
            memorialRect_.x += pw + margin;
            memoRect_.x += pw + margin;
            eventsRect_.x += pw + margin;
            height = std::max(height, ph + margin);
            thumbnail_ = &picture->pixels;
        }
    }

    height += margin;
    content_ = RectF{0, 0, Capped(width), Capped(height)};
}

SIZE DayInfoWindow::ImageSize() const
{
    const auto shadow = static_cast<float>(DropShadowSize(dpi_));
    return SIZE{static_cast<LONG>(content_.width + shadow), static_cast<LONG>(content_.height + shadow)};
}

void DayInfoWindow::PaintDayInfo(HDC dc) const
{
    gfx::Graphics graphics = gfx::Graphics::FromHdc(dc);
    if (!graphics)
        return;
    graphics.SetHighQuality();
    const gfx::StringFormat format = NearFormat();
    const gfx::Font titleFont = TitleFont(look_, dpi_);

    graphics.FillRectangle(gfx::SolidBrush(look_.DayinfoBackColor), content_);

    const PointF title{titleRect_.x, titleRect_.y};
    graphics.DrawString(dateLine_, titleFont, title, gfx::SolidBrush(look_.TitleFont.Color));
    if (!day_.holiday.empty()) {
        const RectF date = graphics.MeasureString(dateLine_, titleFont, title);
        graphics.DrawString(day_.holiday, titleFont, PointF{date.x + date.width, titleRect_.y},
                            gfx::SolidBrush(look_.DayinfoHolidayColor));
    }
    if (!day_.memorialName.empty())
        graphics.DrawString(day_.memorialName, titleFont, memorialRect_, format,
                            gfx::SolidBrush(look_.DayinfoMemorialColor));
    if (!day_.memo.empty())
        graphics.DrawString(day_.memo, MemoFont(look_, dpi_), memoRect_, format, gfx::SolidBrush(look_.MemoFont.Color));
    if (!day_.events.empty()) {
        gfx::StringFormat oneLine = NearFormat();
        oneLine.OneLine();
        const gfx::Font memoFont = MemoFont(look_, dpi_);
        for (std::size_t i = 0; i < day_.events.size(); ++i) {
            const RectF line{eventsRect_.x, eventsRect_.y + static_cast<float>(i) * eventLine_, eventsRect_.width,
                             eventLine_};
            graphics.DrawString(day_.events[i].text, memoFont, line, oneLine, gfx::SolidBrush(day_.events[i].colour));
        }
    }
    if (thumbnail_ != nullptr)
        graphics.DrawImage(*thumbnail_, pictureRect_);

    DrawDropShadow(graphics, content_, static_cast<float>(DropShadowSize(dpi_)));
    graphics.Flush();
}

bool DayInfoWindow::UpdateDayInfoLayer()
{
    if (Handle() == nullptr)
        return false;
    const SIZE size = ImageSize();
    return UpdateLayered(Handle(), size.cx, size.cy, [this](HDC dc) { PaintDayInfo(dc); });
}

void DayInfoWindow::ShowDayInfo(int x, int y, const DayRecord& day, const DesignSettings& settings, bool pinned,
                                std::span<const DayInfoEvent> events)
{
    // The monitor that holds the point, not the primary one: a calendar on a second
    // screen gets its popup there, laid out for that screen's DPI.
    dpi_ = DpiAt(POINT{x, y});
    SetDay(day, settings, events);
    if (Handle() == nullptr)
        return;
    // The shadow is part of the window: it stays inside the work area too.
    const SIZE image = ImageSize();
    const POINT at =
        PlaceInWorkArea(x, y, static_cast<float>(image.cx), static_cast<float>(image.cy), WorkAreaAt(x, y));
    SetWindowPos(Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    UpdateDayInfoLayer();
    ShowWindow(Handle(), SW_SHOW);
    autoHide_ = !pinned;
}

void DayInfoWindow::Hide()
{
    if (Handle() != nullptr)
        ShowWindow(Handle(), SW_HIDE);
}

bool DayInfoWindow::IsShown() const { return Handle() != nullptr && IsWindowVisible(Handle()); }

void DayInfoWindow::OnActivate(UINT state, HWND other, bool minimized)
{
    // The default handling gives the popup the keyboard focus, so that a key press reaches it.
    Window::OnActivate(state, other, minimized);
    if (state == WA_INACTIVE && autoHide_)
        Hide();
}

void DayInfoWindow::OnKeyDown(UINT, UINT, UINT) { Hide(); }

void DayInfoWindow::OnLButtonDown(UINT, int, int) { Hide(); }
