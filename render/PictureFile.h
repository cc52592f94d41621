// Pictures the user chose, read through the Windows Imaging Component with bounded time
// and memory: the header is read first, and the pixels are decoded only at the size they
// are drawn at (the JPEG decoder scales while decoding, other formats go through a scaler).
#pragma once
#include "render/Graphics.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <utility>

// Which file and which version of it: a rewritten file has another size or time of last write.
struct FileStamp {
    std::wstring path;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type written{};
    bool operator==(const FileStamp&) const = default;

    // Empty unless `path` names a regular file.
    static std::optional<FileStamp> Of(const std::wstring& path);
};

enum class PictureStatus { Ok, Unreadable, TooLarge };

struct DecodedPicture {
    PictureStatus status = PictureStatus::Unreadable;
    unsigned width = 0, height = 0; // as the header states
    gfx::Bitmap pixels;             // between the asked size and the stated size; empty unless Ok
};

// Pictures whose header states more pixels than this are no picture: decoding them would
// take seconds and gigabytes. 120 megapixels keeps the photos of today's cameras and phones
// (50 to 108 megapixels) and refuses what could not be shown in a useful time.
inline constexpr std::uint64_t kMaxPicturePixels = 120'000'000;

// The size of a width x height picture scaled in proportion to fill a box of boxWidth x
// boxHeight in one direction and fit inside it in the other.
std::pair<float, float> FitInside(unsigned width, unsigned height, float boxWidth, float boxHeight);

// Reads the header, then decodes at least `width` x `height` of the picture (never more
// than twice that in either direction, so a downscale in GDI+ keeps its quality, and never
// more than the picture has). `fit` gives that size from the stated size; null decodes whole.
DecodedPicture DecodePicture(const std::wstring& path,
                             const std::function<std::pair<float, float>(unsigned, unsigned)>& fit);

// Small pictures fitted into a square, kept per file version so that showing the same
// file again decodes nothing; a rewritten file is read anew.
class ThumbnailCache {
public:
    struct Thumbnail {
        FileStamp stamp;
        float side = 0;
        unsigned width = 0, height = 0; // of the picture
        gfx::Bitmap pixels;             // the picture fitted into side x side; empty when unusable
    };
    static constexpr std::size_t kCapacity = 16;

    // Null when the file is no usable picture.
    const Thumbnail* Get(const std::wstring& path, float side);
    std::size_t Size() const { return entries_.size(); }

private:
    std::list<Thumbnail> entries_; // most recently used first
};
