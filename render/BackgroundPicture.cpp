#include "render/BackgroundPicture.h"

#include "settings/SafeValues.h"

#include <algorithm>

using gfx::RectF;

namespace {

// Cuts the destination to the canvas and the source in proportion, so a picture of an extreme
// aspect ratio never makes GDI+ work on a destination larger than the canvas.
bool ClipToCanvas(RectF& dest, RectF& source, float canvasWidth, float canvasHeight)
{
    const float left = std::max(dest.x, 0.0f);
    const float top = std::max(dest.y, 0.0f);
    const float right = std::min(dest.Right(), canvasWidth);
    const float bottom = std::min(dest.Bottom(), canvasHeight);
    if (!(right > left && bottom > top) || !(dest.width > 0 && dest.height > 0))
        return false;
    const float scaleX = source.width / dest.width;
    const float scaleY = source.height / dest.height;
    source = RectF{source.x + (left - dest.x) * scaleX, source.y + (top - dest.y) * scaleY, (right - left) * scaleX,
                   (bottom - top) * scaleY};
    dest = RectF{left, top, right - left, bottom - top};
    return true;
}

struct Placement {
    RectF canvas; // the picture's own bitmap, relative to the target
    float width = 0, height = 0;
};

// Fit (0) keeps all of the picture, cover (2) fills the canvas, stretch (1) fills the target.
Placement Place(const BackgroundGroup& background, const RectF& target, float iw, float ih)
{
    Placement p{target, target.width, target.height};
    if (background.BackImageDraw != 1) {
        p.canvas.Inflate(5, 1);
        const float sx = p.canvas.width / iw;
        const float sy = p.canvas.height / ih;
        if (background.BackImageDraw == 0 ? sx < sy : background.BackImageDraw == 2 ? sx > sy : false) {
            p.width = p.canvas.width;
            p.height = ih * sx;
        } else {
            p.width = iw * sy;
            p.height = p.canvas.height;
        }
    }
    return p;
}

} // namespace

void BackgroundPicture::Update(const BackgroundGroup& background, const RectF& target)
{
    picture_.Reset();
    std::optional<FileStamp> stamp = FileStamp::Of(background.BackImageFile);
    if (!stamp) {
        stamp_.reset();
        decoded_ = {};
        return;
    }
    // The stated size of a file already read gives the fitted size without opening it again.
    const bool sameFile = stamp_ == stamp;
    const auto fit = [&](unsigned w, unsigned h) {
        const Placement p = Place(background, target, static_cast<float>(w), static_cast<float>(h));
        return std::pair{std::min(p.width, p.canvas.width), std::min(p.height, p.canvas.height)};
    };
    if (!sameFile || (decoded_.status == PictureStatus::Ok && fit(decoded_.width, decoded_.height) != fitted_)) {
        ++decodes_;
        decoded_ = DecodePicture(background.BackImageFile, fit);
        stamp_ = std::move(stamp);
        fitted_ = decoded_.status == PictureStatus::Ok ? fit(decoded_.width, decoded_.height) : std::pair{0.0f, 0.0f};
    }
    if (decoded_.status != PictureStatus::Ok)
        return;

    const float iw = static_cast<float>(decoded_.width), ih = static_cast<float>(decoded_.height);
    const Placement p = Place(background, target, iw, ih);
    const int canvasWidth = static_cast<int>(p.canvas.width);
    const int canvasHeight = static_cast<int>(p.canvas.height);
    if (canvasWidth <= 0 || canvasHeight <= 0)
        return;
    gfx::Bitmap bitmap = gfx::Bitmap::Blank(canvasWidth, canvasHeight);
    if (!bitmap)
        return;
    RectF dest{(p.canvas.width - p.width) / 2, (p.canvas.height - p.height) / 2, p.width, p.height};
    // The source in the pixels of the decoded copy, which may be smaller than the picture.
    RectF source{0, 0, static_cast<float>(decoded_.pixels.Width()), static_cast<float>(decoded_.pixels.Height())};
    if (ClipToCanvas(dest, source, p.canvas.width, p.canvas.height)) {
        gfx::Graphics graphics = gfx::Graphics::FromImage(bitmap);
        if (!graphics)
            return;
        const gfx::ImageAttributes attributes(static_cast<float>(ClampAlpha(background.BackImageAlpha)) *
                                              (1.0f / 255.0f));
        graphics.DrawImage(decoded_.pixels, dest, source, &attributes);
        if (graphics.LastStatus() != Gdiplus::Ok)
            return;
    }
    picture_ = std::move(bitmap);
}
