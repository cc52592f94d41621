#include "render/DayInfoWindow.h"

#include "app/Application.h"
#include "app/Handle.h"
#include "calendar/DayRecord.h"
#include "render/Composition.h"
#include "res/resource.h"
#include "settings/SafeValues.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

using gfx::PointF;
using gfx::RectF;

namespace {

constexpr float kMargin = 5;
// Texts wider than their line wrap at the width of this string in their own font.
const std::wstring kWrapReference(16, L'\x3042');

gfx::Font MakeFont(const FontSetting& font, float defaultSize)
{
    return gfx::Font(font.Name, DrawableFontSize(font.Size, defaultSize), DrawableFontStyle(font.Style));
}

gfx::Font TitleFont(const DayinfoGroup& look) { return MakeFont(look.TitleFont, DayinfoGroup{}.TitleFont.Size); }
gfx::Font MemoFont(const DayinfoGroup& look) { return MakeFont(look.MemoFont, DayinfoGroup{}.MemoFont.Size); }

gfx::StringFormat NearFormat() { return gfx::StringFormat(Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentNear); }

std::wstring FormatDateLine(int year, int month, int day, int weekday)
{
    const std::wstring name = ResString(IDS_WEEKDAY_BASE + static_cast<UINT>(std::clamp(weekday, 0, 6)));
    wchar_t text[64];
    std::swprintf(text, std::size(text), L"%d/%02d/%02d (%ls)", year, month, day, name.c_str());
    return text;
}

// Measures `text` from `origin`; when it is wider than `line`, it is wrapped at the width of
// the reference string where that is narrower. The result is its bounding box.
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

void DayInfoWindow::SetDay(const DayRecord& day, const DesignSettings& settings)
{
    day_.year = day.year;
    day_.month = day.month;
    day_.day = day.day;
    day_.weekday = day.weekday;
    day_.holiday = day.holidayName != nullptr ? day.holidayName : L"";
    day_.memo = day.memo;
    day_.memorialName = day.memorialName;
    day_.memorialPicture = day.memorialPicture;
    look_ = settings.Dayinfo;
    LayoutDayInfo();
}

void DayInfoWindow::LayoutDayInfo()
{
    dateLine_ = FormatDateLine(day_.year, day_.month, day_.day, day_.weekday);
    content_ = titleRect_ = memorialRect_ = memoRect_ = pictureRect_ = RectF{};
    thumbnail_ = nullptr;

    ScreenDC screen;
    gfx::Graphics graphics = gfx::Graphics::FromHdc(screen.Get());
    const gfx::Font titleFont = TitleFont(look_);
    const gfx::StringFormat format = NearFormat();

    const RectF date = graphics.MeasureString(dateLine_, titleFont, PointF{kMargin, kMargin});
    float width = date.width + 2 * kMargin;
    float height = date.height + kMargin;

    if (!day_.holiday.empty())
        width += graphics.MeasureString(day_.holiday, titleFont, PointF{date.width + kMargin, kMargin}).width;
    titleRect_ = RectF{kMargin, kMargin, width - 2 * kMargin, date.height};

    // A wrapped text may come out narrower than the title line; the popup never shrinks below it.
    if (!day_.memorialName.empty()) {
        memorialRect_ = MeasureWrapped(graphics, day_.memorialName, titleFont, format, PointF{titleRect_.x, height},
                                       width - 2 * kMargin);
        width = std::max(width, memorialRect_.width + 2 * kMargin);
        height += memorialRect_.height;
    }

    if (!day_.memo.empty()) {
        const gfx::Font memoFont = MemoFont(look_);
        memoRect_ = MeasureWrapped(graphics, day_.memo, memoFont, format, PointF{titleRect_.x, height + kMargin},
                                   width - 2 * kMargin);
        width = std::max(width, memoRect_.width + 2 * kMargin);
        height += memoRect_.height + kMargin;
    }

    if (!day_.memorialPicture.empty()) {
        if (const ThumbnailCache::Thumbnail* picture = thumbnails_.Get(day_.memorialPicture, kPictureSide)) {
            const auto iw = static_cast<float>(picture->width);
            const auto ih = static_cast<float>(picture->height);
            const float sx = kPictureSide / iw;
            const float sy = kPictureSide / ih;
            const float pw = sx < sy ? kPictureSide : iw * sy;
            const float ph = sx < sy ? ih * sx : kPictureSide;
            pictureRect_ = RectF{kMargin, kMargin, pw, ph};
            width += pw + kMargin;
            titleRect_.x += pw + kMargin;
            memorialRect_.x += pw + kMargin;
            memoRect_.x += pw + kMargin;
            height = std::max(height, ph + kMargin);
            thumbnail_ = &picture->pixels;
        }
    }

    height += kMargin;
    content_ = RectF{0, 0, Capped(width), Capped(height)};
}

SIZE DayInfoWindow::ImageSize() const
{
    return SIZE{static_cast<LONG>(content_.width + kShadow), static_cast<LONG>(content_.height + kShadow)};
}

void DayInfoWindow::PaintDayInfo(HDC dc) const
{
    gfx::Graphics graphics = gfx::Graphics::FromHdc(dc);
    if (!graphics)
        return;
    graphics.SetHighQuality();
    const gfx::StringFormat format = NearFormat();
    const gfx::Font titleFont = TitleFont(look_);

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
        graphics.DrawString(day_.memo, MemoFont(look_), memoRect_, format, gfx::SolidBrush(look_.MemoFont.Color));
    if (thumbnail_ != nullptr)
        graphics.DrawImage(*thumbnail_, pictureRect_);

    DrawDropShadow(graphics, content_, kShadow);
    graphics.Flush();
}

bool DayInfoWindow::UpdateDayInfoLayer()
{
    if (Handle() == nullptr)
        return false;
    const SIZE size = ImageSize();
    return UpdateLayered(Handle(), size.cx, size.cy, [this](HDC dc) { PaintDayInfo(dc); });
}

void DayInfoWindow::ShowDayInfo(int x, int y, const DayRecord& day, const DesignSettings& settings, bool pinned)
{
    SetDay(day, settings);
    if (Handle() == nullptr)
        return;
    // The monitor that holds the point, not the primary one: a calendar on a second
    // screen gets its popup there.
    const POINT at = PlaceInWorkArea(x, y, content_.width, content_.height, WorkAreaAt(x, y));
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
