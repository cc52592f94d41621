#include "render/PictureFile.h"

#include "app/Handle.h"

#include <wincodec.h>
#include <wrl/client.h>

// Older SDK headers lack the interface through which a decoder scales while it decodes.
#ifndef __IWICBitmapSourceTransform_INTERFACE_DEFINED__
#define __IWICBitmapSourceTransform_INTERFACE_DEFINED__
MIDL_INTERFACE("3b16811b-6a43-4ec9-b713-3d5a0c13b940")
IWICBitmapSourceTransform : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format, WICBitmapTransformOptions transform,
                                                 UINT stride, UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT * width, UINT * height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID * format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL * supported) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IWICBitmapSourceTransform, 0x3b16811b, 0x6a43, 0x4ec9, 0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40)
#endif
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

namespace {
using Microsoft::WRL::ComPtr;

// Copies `source` (any format WIC converts) into a fresh 32-bit ARGB bitmap of its size.
gfx::Bitmap CopyToBitmap(IWICImagingFactory* factory, IWICBitmapSource* source)
{
    UINT width = 0, height = 0;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(source->GetSize(&width, &height)) || FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    gfx::Bitmap bitmap = gfx::Bitmap::Blank(static_cast<int>(width), static_cast<int>(height));
    if (!bitmap)
        return {};
    {
        gfx::BitmapPixels pixels = bitmap.Lock();
        if (!pixels || pixels.Stride() <= 0)
            return {};
        const UINT stride = static_cast<UINT>(pixels.Stride());
        // A file cut short or lying about its size fails here.
        if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, reinterpret_cast<BYTE*>(&pixels.At(0, 0)))))
            return {};
    }
    return bitmap;
}

// The JPEG decoder's own scaling: it decodes only every 2nd, 4th or 8th pixel's worth.
ComPtr<IWICBitmapSource> NativelyScaled(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, UINT width,
                                        UINT height, UINT minWidth, UINT minHeight)
{
    ComPtr<IWICBitmapSourceTransform> transform;
    if (FAILED(frame->QueryInterface(__uuidof(IWICBitmapSourceTransform), &transform)) || !transform)
        return {};
    UINT w = width, h = height;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    if (FAILED(transform->GetClosestSize(&w, &h)) || w < minWidth || h < minHeight || w == 0 || h == 0 ||
        FAILED(transform->GetClosestPixelFormat(&format)))
        return {};
    ComPtr<IWICComponentInfo> info;
    ComPtr<IWICPixelFormatInfo> formatInfo;
    UINT bits = 0;
    if (FAILED(factory->CreateComponentInfo(format, &info)) ||
        FAILED(info->QueryInterface(__uuidof(IWICPixelFormatInfo), &formatInfo)) ||
        FAILED(formatInfo->GetBitsPerPixel(&bits)))
        return {};
    const UINT stride = (w * bits + 31) / 32 * 4;
    std::vector<BYTE> buffer(static_cast<std::size_t>(stride) * h);
    ComPtr<IWICBitmap> scaled;
    if (FAILED(transform->CopyPixels(nullptr, w, h, &format, WICBitmapTransformRotate0, stride,
                                     static_cast<UINT>(buffer.size()), buffer.data())) ||
        FAILED(factory->CreateBitmapFromMemory(w, h, format, stride, static_cast<UINT>(buffer.size()), buffer.data(),
                                               &scaled)))
        return {};
    return scaled;
}

// The size that the header of a PNG, JPEG, GIF or BMP file states, read without a decoder:
// some decoders read all pixels as soon as they are created. Empty for other formats.
std::optional<std::pair<std::uint32_t, std::uint32_t>> StatedSize(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    unsigned char h[26] = {};
    if (!file.read(reinterpret_cast<char*>(h), sizeof(h)))
        return std::nullopt;
    const auto big = [](const unsigned char* p, int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | p[i];
        return v;
    };
    const auto little = [](const unsigned char* p, int n) {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = (v << 8) | p[i];
        return v;
    };
    if (std::memcmp(h, "\x89PNG\r\n\x1a\n", 8) == 0)
        return std::pair{big(h + 16, 4), big(h + 20, 4)};
    if (std::memcmp(h, "GIF8", 4) == 0)
        return std::pair{little(h + 6, 2), little(h + 8, 2)};
    if (h[0] == 'B' && h[1] == 'M') { // a negative height means top-down rows
        const auto height = static_cast<std::int32_t>(little(h + 22, 4));
        return std::pair{little(h + 18, 4),
                         static_cast<std::uint32_t>(height < 0 ? -static_cast<std::int64_t>(height) : height)};
    }
    if (h[0] != 0xFF || h[1] != 0xD8)
        return std::nullopt;
    // JPEG: walk the segments up to the frame header (SOF0..SOF15 but DHT, JPG and DAC).
    file.seekg(2);
    for (int segments = 0; segments < 1000 && file; ++segments) {
        unsigned char m[2] = {};
        if (!file.read(reinterpret_cast<char*>(m), 2) || m[0] != 0xFF)
            return std::nullopt;
        if (m[1] == 0xFF) { // fill byte
            file.seekg(-1, std::ios::cur);
            continue;
        }
        if (m[1] == 0xD8 || m[1] == 0x01 || (m[1] >= 0xD0 && m[1] <= 0xD7))
            continue; // markers without a length
        unsigned char segment[7] = {};
        if (!file.read(reinterpret_cast<char*>(segment), 2))
            return std::nullopt;
        const std::uint32_t length = big(segment, 2);
        if (m[1] >= 0xC0 && m[1] <= 0xCF && m[1] != 0xC4 && m[1] != 0xC8 && m[1] != 0xCC) {
            if (!file.read(reinterpret_cast<char*>(segment + 2), 5))
                return std::nullopt;
            return std::pair{big(segment + 5, 2), big(segment + 3, 2)};
        }
        if (m[1] == 0xDA || length < 2)
            return std::nullopt;
        file.seekg(length - 2, std::ios::cur);
    }
    return std::nullopt;
}

} // namespace

std::optional<FileStamp> FileStamp::Of(const std::wstring& path)
{
    std::error_code error;
    const std::filesystem::path file(path);
    // Folders and devices are never opened as pictures.
    if (path.empty() || !std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    FileStamp stamp{path, std::filesystem::file_size(file, error), {}};
    if (error)
        return std::nullopt;
    stamp.written = std::filesystem::last_write_time(file, error);
    if (error)
        return std::nullopt;
    return stamp;
}

std::pair<float, float> FitInside(unsigned width, unsigned height, float boxWidth, float boxHeight)
{
    const auto iw = static_cast<float>(width), ih = static_cast<float>(height);
    const float sx = boxWidth / iw, sy = boxHeight / ih;
    return sx < sy ? std::pair{boxWidth, ih * sx} : std::pair{iw * sy, boxHeight};
}

DecodedPicture DecodePicture(const std::wstring& path,
                             const std::function<std::pair<float, float>(unsigned, unsigned)>& fit)
{
    DecodedPicture out;
    if (!FileStamp::Of(path))
        return out;
    if (const auto stated = StatedSize(path);
        stated && static_cast<std::uint64_t>(stated->first) * stated->second > kMaxPicturePixels) {
        out.width = stated->first;
        out.height = stated->second;
        out.status = PictureStatus::TooLarge;
        return out;
    }
    const ComApartment com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0, height = 0;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory),
                                &factory)) ||
        FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0)
        return out;
    out.width = width;
    out.height = height;
    if (static_cast<std::uint64_t>(width) * height > kMaxPicturePixels) {
        out.status = PictureStatus::TooLarge;
        return out;
    }

    // At most twice the drawn size, in proportion, and never more than the picture has.
    double scale = 1;
    if (fit) {
        const auto [fw, fh] = fit(width, height);
        const double wanted = std::max(static_cast<double>(fw) / width, static_cast<double>(fh) / height);
        if (std::isfinite(wanted))
            scale = std::clamp(2 * wanted, 0.0, 1.0);
    }
    const auto side = [scale](UINT full) {
        return static_cast<UINT>(std::clamp(std::ceil(full * scale), 1.0, static_cast<double>(full)));
    };
    const UINT w = side(width), h = side(height);

    ComPtr<IWICBitmapSource> source;
    if (w < width || h < height)
        source = NativelyScaled(factory.Get(), frame.Get(), w, h, std::max(1u, w / 2), std::max(1u, h / 2));
    if (!source && (w < width || h < height)) {
        ComPtr<IWICBitmapScaler> scaler;
        if (FAILED(factory->CreateBitmapScaler(&scaler)) ||
            FAILED(scaler->Initialize(frame.Get(), w, h, WICBitmapInterpolationModeFant)))
            return out;
        source = scaler;
    }
    out.pixels = CopyToBitmap(factory.Get(), source ? source.Get() : frame.Get());
    if (out.pixels)
        out.status = PictureStatus::Ok;
    return out;
}

// ---- thumbnails ---------------------------------------------------------------------------

const ThumbnailCache::Thumbnail* ThumbnailCache::Get(const std::wstring& path, float side)
{
    const std::optional<FileStamp> stamp = FileStamp::Of(path);
    if (!stamp || !(side >= 1))
        return nullptr;
    const auto same = std::find_if(entries_.begin(), entries_.end(),
                                   [&](const Thumbnail& t) { return t.stamp == *stamp && t.side == side; });
    if (same != entries_.end()) {
        entries_.splice(entries_.begin(), entries_, same);
        return entries_.front().pixels ? &entries_.front() : nullptr;
    }
    // An older version of the file is of no more use.
    entries_.remove_if([&](const Thumbnail& t) { return t.stamp.path == path; });

    const auto fitted = [side](unsigned width, unsigned height) { return FitInside(width, height, side, side); };
    Thumbnail entry{*stamp, side};
    DecodedPicture decoded = DecodePicture(path, fitted);
    if (decoded.status == PictureStatus::Ok) {
        entry.width = decoded.width;
        entry.height = decoded.height;
        const auto [pw, ph] = fitted(decoded.width, decoded.height);
        // A very flat or very narrow picture still gets one pixel across.
        const int tw = std::max(1, static_cast<int>(pw)), th = std::max(1, static_cast<int>(ph));
        gfx::Bitmap small = gfx::Bitmap::Blank(tw, th);
        gfx::Graphics graphics = gfx::Graphics::FromImage(small);
        if (graphics) {
            graphics.SetHighQuality();
            graphics.DrawImage(decoded.pixels, gfx::RectF{0, 0, static_cast<float>(tw), static_cast<float>(th)});
            graphics.Flush();
            if (graphics.LastStatus() == Gdiplus::Ok)
                entry.pixels = std::move(small);
        }
    }
    entries_.push_front(std::move(entry));
    if (entries_.size() > kCapacity)
        entries_.pop_back();
    return entries_.front().pixels ? &entries_.front() : nullptr;
}
