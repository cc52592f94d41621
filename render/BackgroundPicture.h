// The calendar's background picture, fitted to its target once. The file is decoded again
// only when its name, the file itself or the size it is drawn at changes; other changes
// (transparency, a new layout of the same size) only recompose the small fitted copy.
#pragma once
#include "render/PictureFile.h"
#include "settings/Settings.h"

class BackgroundPicture {
public:
    // Fits the picture of `background` to `target` (the date area or the whole calendar).
    void Update(const BackgroundGroup& background, const gfx::RectF& target);
    const gfx::Bitmap* Get() const { return picture_ ? &picture_ : nullptr; }
    // How often a file was decoded (or refused), for tests and measurements.
    unsigned Decodes() const { return decodes_; }

private:
    std::optional<FileStamp> stamp_;
    std::pair<float, float> fitted_{};
    DecodedPicture decoded_;
    gfx::Bitmap picture_;
    unsigned decodes_ = 0;
};
