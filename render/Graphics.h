// Thin owning objects over the GDI+ flat API. Each object holds one handle,
// frees it with the matching call and keeps the status of its last failed call.
#pragma once
#include "app/Handle.h"
#include "app/Win.h"

#include <objidl.h>
// gdiplus.h uses min/max unqualified in a few inline helpers.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace gfx {

using Status = Gdiplus::Status;
using Argb = std::uint32_t;

struct PointF {
    float x = 0;
    float y = 0;
};

struct RectF {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;

    float Right() const { return x + width; }
    float Bottom() const { return y + height; }
    // Right and bottom edges are outside.
    bool Contains(float px, float py) const { return x <= px && px < x + width && y <= py && py < y + height; }
    bool Contains(PointF p) const { return Contains(p.x, p.y); }
    void Inflate(float dx, float dy)
    {
        x -= dx;
        y -= dy;
        width += 2 * dx;
        height += 2 * dy;
    }
    bool IntersectsWith(const RectF& other) const
    {
        return x < other.Right() && other.x < Right() && y < other.Bottom() && other.y < Bottom();
    }
};

// Base of every owning object: one handle, released by Release, plus the last failure.
template <typename Handle, Status(WINGDIPAPI* Release)(Handle*)> class Owned {
public:
    Owned() = default;
    explicit Owned(Handle* handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept
        : handle_(std::move(other.handle_)), status_(std::exchange(other.status_, Gdiplus::Ok))
    {
    }
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other) {
            handle_ = std::move(other.handle_);
            status_ = std::exchange(other.status_, Gdiplus::Ok);
        }
        return *this;
    }

    Handle* Get() const { return handle_.get(); }
    explicit operator bool() const { return static_cast<bool>(handle_); }
    // Status of the last call that failed, Ok when none did.
    Status LastStatus() const { return status_; }

    void Reset(Handle* handle = nullptr) { handle_.reset(handle); }

protected:
    Status Track(Status status) const
    {
        if (status != Gdiplus::Ok)
            status_ = status;
        return status;
    }

    OwnedHandle<Handle*, Release, 0> handle_;
    mutable Status status_ = Gdiplus::Ok;
};

class Font;
class FontFamily;
class StringFormat;
class ImageAttributes;
class Image;

class SolidBrush : public Owned<Gdiplus::GpBrush, Gdiplus::DllExports::GdipDeleteBrush> {
public:
    explicit SolidBrush(Argb colour);
};

class Pen : public Owned<Gdiplus::GpPen, Gdiplus::DllExports::GdipDeletePen> {
public:
    Pen(Argb colour, float width);
};

class FontFamily : public Owned<Gdiplus::GpFontFamily, Gdiplus::DllExports::GdipDeleteFontFamily> {
public:
    FontFamily() = default;
    explicit FontFamily(const std::wstring& name);
    // The generic sans-serif family, fetched once and kept for the process; null when absent.
    static Gdiplus::GpFontFamily* GenericSansSerif();
};

class Font : public Owned<Gdiplus::GpFont, Gdiplus::DllExports::GdipDeleteFont> {
public:
    Font() = default;
    explicit Font(Gdiplus::GpFont* font) : Owned(font) {}
    // Size in points; falls back to the generic sans-serif family when the name or the font fails.
    Font(const std::wstring& name, float size, int style);
};

class StringFormat : public Owned<Gdiplus::GpStringFormat, Gdiplus::DllExports::GdipDeleteStringFormat> {
public:
    StringFormat(Gdiplus::StringAlignment horizontal, Gdiplus::StringAlignment vertical);
    // Lines that never wrap; what does not fit the box is cut at its edge.
    StringFormat& OneLine();
};

class ImageAttributes : public Owned<Gdiplus::GpImageAttributes, Gdiplus::DllExports::GdipDisposeImageAttributes> {
public:
    // Multiplies every source alpha by factor, colours unchanged.
    explicit ImageAttributes(float factor);
};

class Image : public Owned<Gdiplus::GpImage, Gdiplus::DllExports::GdipDisposeImage> {
public:
    Image() = default;
    explicit Image(Gdiplus::GpImage* image) : Owned(image) {}
    unsigned Width() const;
    unsigned Height() const;
};

// Locked pixels of a Bitmap in 32-bit non-premultiplied ARGB; unlocked on destruction.
class BitmapPixels {
public:
    BitmapPixels(const BitmapPixels&) = delete;
    BitmapPixels& operator=(const BitmapPixels&) = delete;
    ~BitmapPixels();
    explicit operator bool() const { return locked_; }
    int Width() const { return static_cast<int>(data_.Width); }
    int Height() const { return static_cast<int>(data_.Height); }
    int Stride() const { return data_.Stride; }
    std::uint32_t& At(int x, int y)
    {
        auto* row = static_cast<std::uint8_t*>(data_.Scan0) + static_cast<std::ptrdiff_t>(y) * data_.Stride;
        return reinterpret_cast<std::uint32_t*>(row)[x];
    }

private:
    friend class Bitmap;
    BitmapPixels(Gdiplus::GpBitmap* bitmap, Gdiplus::ImageLockMode mode);
    Gdiplus::GpBitmap* bitmap_ = nullptr;
    Gdiplus::BitmapData data_{};
    bool locked_ = false;
};

class Bitmap : public Image {
public:
    Bitmap() = default;
    // Transparent 32-bit ARGB bitmap; empty when the size is not positive or GDI+ refuses it.
    static Bitmap Blank(int width, int height);
    // The bitmap keeps the stream (and its own reference to it) until it is destroyed.
    static Bitmap FromStream(IStream* stream);
    Gdiplus::GpBitmap* GetBitmap() const { return static_cast<Gdiplus::GpBitmap*>(handle_.get()); }
    BitmapPixels Lock(Gdiplus::ImageLockMode mode = Gdiplus::ImageLockModeWrite);
};

class Graphics : public Owned<Gdiplus::GpGraphics, Gdiplus::DllExports::GdipDeleteGraphics> {
public:
    static Graphics FromHdc(HDC hdc);
    static Graphics FromImage(const Image& image);

    // SmoothingModeHighQuality and TextRenderingHintAntiAlias.
    void SetHighQuality();
    void FillRectangle(const SolidBrush& brush, float x, float y, float width, float height);
    void FillRectangle(const SolidBrush& brush, const RectF& rect)
    {
        FillRectangle(brush, rect.x, rect.y, rect.width, rect.height);
    }
    // Fills whole pixels: columns [0, width) and rows [0, height), each fully, with or without
    // anti-aliasing (a shape edge on a pixel centre would leave the outer rows half covered).
    void FillPixels(const SolidBrush& brush, int width, int height);
    void FillEllipse(const SolidBrush& brush, const RectF& rect);
    void DrawEllipse(const Pen& pen, const RectF& rect);
    void FillPolygon(const SolidBrush& brush, std::span<const PointF> points);
    // Laid out inside the box by the format's two alignments.
    void DrawString(const std::wstring& text, const Font& font, const RectF& box, const StringFormat& format,
                    const SolidBrush& brush);
    // Starting at the point, not wrapped.
    void DrawString(const std::wstring& text, const Font& font, PointF origin, const SolidBrush& brush);
    RectF MeasureString(const std::wstring& text, const Font& font, PointF origin);
    RectF MeasureString(const std::wstring& text, const Font& font, const RectF& box, const StringFormat& format);
    void DrawImage(const Image& image, float x, float y);
    void DrawImage(const Image& image, const RectF& dest);
    void DrawImage(const Image& image, const RectF& dest, const RectF& source, const ImageAttributes* attributes);
    void SetClipRect(const RectF& rect, Gdiplus::CombineMode mode = Gdiplus::CombineModeReplace);
    void ResetClip();
    // Finishes pending drawing so the target's pixels can be read.
    void Flush();

private:
    using Owned::Owned;
};

// Replaces bitmap by the program's embedded picture (type "IMAGE", IDR_ABOUT_IMAGE);
// leaves it untouched and returns false when the resource or the stream cannot be had.
bool LoadResourceBitmap(Bitmap& bitmap);

// GDI+ from StartGdiplus to the owner's end; everything drawn lives inside it.
using GdiplusSession = OwnedHandle<ULONG_PTR, Gdiplus::GdiplusShutdown, 0>;
GdiplusSession StartGdiplus();

} // namespace gfx
