#include "render/Graphics.h"

#include "app/Application.h"
#include "res/resource.h"

#include <cstring>
#include <vector>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace gfx {

namespace {

Gdiplus::RectF ToGdip(const RectF& r) { return Gdiplus::RectF(r.x, r.y, r.width, r.height); }
RectF FromGdip(const Gdiplus::RectF& r) { return RectF{r.X, r.Y, r.Width, r.Height}; }

} // namespace

SolidBrush::SolidBrush(Argb colour)
{
    GpSolidFill* brush = nullptr;
    if (Track(GdipCreateSolidFill(colour, &brush)) == Ok)
        handle_.reset(brush);
}

Pen::Pen(Argb colour, float width) { Track(GdipCreatePen1(colour, width, UnitWorld, handle_.Put())); }

FontFamily::FontFamily(const std::wstring& name)
{
    Track(GdipCreateFontFamilyFromName(name.c_str(), nullptr, handle_.Put()));
}

GpFontFamily* FontFamily::GenericSansSerif()
{
    // Kept for the rest of the process and never deleted; retried until it exists.
    static GpFontFamily* family = nullptr;
    if (family == nullptr)
        GdipGetGenericFontFamilySansSerif(&family);
    return family;
}

Font::Font(const std::wstring& name, float size, int style)
{
    FontFamily named(name);
    GpFontFamily* family = named ? named.Get() : FontFamily::GenericSansSerif();
    if (family == nullptr) {
        status_ = named.LastStatus();
        return;
    }
    if (Track(GdipCreateFont(family, size, style, UnitPoint, handle_.Put())) == Ok)
        return;
    handle_.release();
    if (GpFontFamily* generic = FontFamily::GenericSansSerif(); generic != nullptr && generic != family) {
        if (Track(GdipCreateFont(generic, size, style, UnitPoint, handle_.Put())) != Ok)
            handle_.release();
    }
}

StringFormat::StringFormat(StringAlignment horizontal, StringAlignment vertical)
{
    if (Track(GdipCreateStringFormat(0, 0, handle_.Put())) != Ok) {
        handle_.release();
        return;
    }
    Track(GdipSetStringFormatAlign(handle_.get(), horizontal));
    Track(GdipSetStringFormatLineAlign(handle_.get(), vertical));
}

StringFormat& StringFormat::OneLine()
{
    if (handle_) {
        Track(GdipSetStringFormatFlags(handle_.get(), StringFormatFlagsNoWrap));
    }
    return *this;
}

ImageAttributes::ImageAttributes(float factor)
{
    if (Track(GdipCreateImageAttributes(handle_.Put())) != Ok) {
        handle_.release();
        return;
    }
    ColorMatrix matrix{};
    for (int i = 0; i < 5; ++i)
        matrix.m[i][i] = 1.0f;
    matrix.m[3][3] = factor;
    Track(GdipSetImageAttributesColorMatrix(handle_.get(), ColorAdjustTypeDefault, TRUE, &matrix, nullptr,
                                            ColorMatrixFlagsDefault));
}

unsigned Image::Width() const
{
    UINT width = 0;
    if (!handle_ || Track(GdipGetImageWidth(handle_.get(), &width)) != Ok)
        return 0;
    return width;
}

unsigned Image::Height() const
{
    UINT height = 0;
    if (!handle_ || Track(GdipGetImageHeight(handle_.get(), &height)) != Ok)
        return 0;
    return height;
}

BitmapPixels::BitmapPixels(GpBitmap* bitmap, ImageLockMode mode) : bitmap_(bitmap)
{
    if (bitmap_ == nullptr)
        return;
    UINT width = 0;
    UINT height = 0;
    GdipGetImageWidth(bitmap_, &width);
    GdipGetImageHeight(bitmap_, &height);
    const Rect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    locked_ = GdipBitmapLockBits(bitmap_, &whole, mode, PixelFormat32bppARGB, &data_) == Ok;
}

BitmapPixels::~BitmapPixels()
{
    if (locked_)
        GdipBitmapUnlockBits(bitmap_, &data_);
}

Bitmap Bitmap::Blank(int width, int height)
{
    Bitmap bitmap;
    if (width <= 0 || height <= 0) {
        bitmap.status_ = InvalidParameter;
        return bitmap;
    }
    GpBitmap* created = nullptr;
    if (bitmap.Track(GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &created)) == Ok)
        bitmap.handle_.reset(created);
    return bitmap;
}

Bitmap Bitmap::FromStream(IStream* stream)
{
    Bitmap bitmap;
    GpBitmap* created = nullptr;
    if (bitmap.Track(GdipCreateBitmapFromStream(stream, &created)) == Ok)
        bitmap.handle_.reset(created);
    return bitmap;
}

BitmapPixels Bitmap::Lock(ImageLockMode mode) { return BitmapPixels(GetBitmap(), mode); }

Graphics Graphics::FromHdc(HDC hdc)
{
    Graphics graphics;
    GpGraphics* created = nullptr;
    if (graphics.Track(GdipCreateFromHDC(hdc, &created)) == Ok)
        graphics.handle_.reset(created);
    return graphics;
}

Graphics Graphics::FromImage(const Image& image)
{
    Graphics graphics;
    GpGraphics* created = nullptr;
    if (image && graphics.Track(GdipGetImageGraphicsContext(image.Get(), &created)) == Ok)
        graphics.handle_.reset(created);
    return graphics;
}

void Graphics::SetHighQuality()
{
    Track(GdipSetSmoothingMode(handle_.get(), SmoothingModeHighQuality));
    Track(GdipSetTextRenderingHint(handle_.get(), TextRenderingHintAntiAlias));
}

void Graphics::FillRectangle(const SolidBrush& brush, float x, float y, float width, float height)
{
    Track(GdipFillRectangle(handle_.get(), brush.Get(), x, y, width, height));
}

void Graphics::FillPixels(const SolidBrush& brush, int width, int height)
{
    PixelOffsetMode previous = PixelOffsetModeDefault;
    GdipGetPixelOffsetMode(handle_.get(), &previous);
    // With the half-pixel offset a pixel spans [i, i + 1], so integer edges cover whole pixels.
    GdipSetPixelOffsetMode(handle_.get(), PixelOffsetModeHalf);
    Track(GdipFillRectangleI(handle_.get(), brush.Get(), 0, 0, width, height));
    GdipSetPixelOffsetMode(handle_.get(), previous);
}

void Graphics::FillEllipse(const SolidBrush& brush, const RectF& rect)
{
    Track(GdipFillEllipse(handle_.get(), brush.Get(), rect.x, rect.y, rect.width, rect.height));
}

void Graphics::DrawEllipse(const Pen& pen, const RectF& rect)
{
    Track(GdipDrawEllipse(handle_.get(), pen.Get(), rect.x, rect.y, rect.width, rect.height));
}

void Graphics::FillPolygon(const SolidBrush& brush, std::span<const PointF> points)
{
    std::vector<Gdiplus::PointF> converted;
    converted.reserve(points.size());
    for (const PointF& p : points)
        converted.emplace_back(p.x, p.y);
    Track(GdipFillPolygon(handle_.get(), brush.Get(), converted.data(), static_cast<INT>(converted.size()),
                          FillModeAlternate));
}

void Graphics::DrawString(const std::wstring& text, const Font& font, const RectF& box, const StringFormat& format,
                          const SolidBrush& brush)
{
    const Gdiplus::RectF layout = ToGdip(box);
    Track(GdipDrawString(handle_.get(), text.c_str(), -1, font.Get(), &layout, format.Get(), brush.Get()));
}

void Graphics::DrawString(const std::wstring& text, const Font& font, PointF origin, const SolidBrush& brush)
{
    const Gdiplus::RectF layout(origin.x, origin.y, 0, 0);
    Track(GdipDrawString(handle_.get(), text.c_str(), -1, font.Get(), &layout, nullptr, brush.Get()));
}

RectF Graphics::MeasureString(const std::wstring& text, const Font& font, PointF origin)
{
    const Gdiplus::RectF layout(origin.x, origin.y, 0, 0);
    Gdiplus::RectF bounds;
    if (Track(GdipMeasureString(handle_.get(), text.c_str(), -1, font.Get(), &layout, nullptr, &bounds, nullptr,
                                nullptr)) != Ok)
        return RectF{origin.x, origin.y, 0, 0};
    return FromGdip(bounds);
}

RectF Graphics::MeasureString(const std::wstring& text, const Font& font, const RectF& box, const StringFormat& format)
{
    const Gdiplus::RectF layout = ToGdip(box);
    Gdiplus::RectF bounds;
    if (Track(GdipMeasureString(handle_.get(), text.c_str(), -1, font.Get(), &layout, format.Get(), &bounds, nullptr,
                                nullptr)) != Ok)
        return RectF{box.x, box.y, 0, 0};
    return FromGdip(bounds);
}

void Graphics::DrawImage(const Image& image, float x, float y)
{
    Track(GdipDrawImage(handle_.get(), image.Get(), x, y));
}

void Graphics::DrawImage(const Image& image, const RectF& dest)
{
    Track(GdipDrawImageRect(handle_.get(), image.Get(), dest.x, dest.y, dest.width, dest.height));
}

void Graphics::DrawImage(const Image& image, const RectF& dest, const RectF& source, const ImageAttributes* attributes)
{
    Track(GdipDrawImageRectRect(handle_.get(), image.Get(), dest.x, dest.y, dest.width, dest.height, source.x, source.y,
                                source.width, source.height, UnitPixel,
                                attributes != nullptr ? attributes->Get() : nullptr, nullptr, nullptr));
}

void Graphics::SetClipRect(const RectF& rect, CombineMode mode)
{
    Track(GdipSetClipRect(handle_.get(), rect.x, rect.y, rect.width, rect.height, mode));
}

void Graphics::ResetClip() { Track(GdipResetClip(handle_.get())); }

void Graphics::Flush() { Track(GdipFlush(handle_.get(), FlushIntentionSync)); }

bool LoadResourceBitmap(Bitmap& bitmap)
{
    const HINSTANCE module = TheApp() != nullptr ? TheApp()->Instance() : GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(IDR_ABOUT_IMAGE), L"IMAGE");
    if (info == nullptr)
        return false;
    const DWORD size = SizeofResource(module, info);
    HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0)
        return false;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr)
        return false;
    void* copy = GlobalLock(block);
    if (copy == nullptr) {
        GlobalFree(block);
        return false;
    }
    std::memcpy(copy, bytes, size);

    // From here the stream owns the block and frees it with its last reference.
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)) || stream == nullptr) {
        GlobalUnlock(block);
        GlobalFree(block);
        return false;
    }
    Bitmap loadedBitmap = Bitmap::FromStream(stream);
    GlobalUnlock(block);
    stream->Release(); // the bitmap holds its own reference while it lives
    if (!loadedBitmap)
        return false;
    bitmap = std::move(loadedBitmap);
    return true;
}

GdiplusSession StartGdiplus()
{
    const Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    return GdiplusSession(Gdiplus::GdiplusStartup(&token, &input, nullptr) == Ok ? token : 0);
}

} // namespace gfx
