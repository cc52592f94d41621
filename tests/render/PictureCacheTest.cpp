// Pictures are decoded once per file version and size, a rewritten file is read anew, and
// pictures that are too large or lie about their size are refused.
#include "RenderTestSupport.h"

#include "render/DayInfoWindow.h"
#include "ui/dialogs/MemorialDialog.h"

#include <chrono>

namespace {

// Rewrites `file` with one colour and moves its time of last write on by `seconds`.
void Rewrite(const std::filesystem::path& file, std::uint32_t colour, int seconds)
{
    const auto before = std::filesystem::exists(file) ? std::filesystem::last_write_time(file)
                                                      : std::filesystem::file_time_type::clock::now();
    SavePicture(file, 40, 30, [colour](int, int) { return colour; });
    std::filesystem::last_write_time(file, before + std::chrono::seconds(seconds));
}

std::uint32_t Centre(const gfx::Bitmap& bitmap)
{
    Gdiplus::ARGB colour = 0;
    Gdiplus::DllExports::GdipBitmapGetPixel(bitmap.GetBitmap(), int(bitmap.Width() / 2), int(bitmap.Height() / 2),
                                            &colour);
    return colour;
}

// A bottom-up 24-bit BMP header stating width x height, followed by `data` bytes of pixels.
std::vector<std::uint8_t> BmpHeader(std::int32_t width, std::int32_t height, std::size_t data)
{
    std::vector<std::uint8_t> bytes(54 + data, 0x7F);
    auto put = [&](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + i] = std::uint8_t(value >> (8 * i));
    };
    put(0, 0x4D42, 2), put(2, std::uint32_t(bytes.size()), 4), put(10, 54, 4), put(14, 40, 4);
    put(18, std::uint32_t(width), 4), put(22, std::uint32_t(height), 4), put(26, 1, 2), put(28, 24, 2);
    put(30, 0, 4), put(34, 0, 4);
    return bytes;
}

} // namespace

TEST(PictureCache, BackgroundIsDecodedOnceAndAgainWhenTheFileOrFittedSizeChanges)
{
    TempDir dir;
    const std::filesystem::path file = dir.Path() / L"back.png";
    Rewrite(file, 0xFFFF0000, 0);
    DesignSettings settings;
    settings.Background.BackImageFile = file.wstring();
    CalendarPainter painter(settings);
    const struct {
        std::function<void()> change;
        unsigned decodes; // in all, after the change and a layout
        std::uint32_t colour;
    } steps[] = {
        {[] {}, 1, 0xFFFF0000},
        {[] {}, 1, 0xFFFF0000},                                             // nothing changed
        {[&] { settings.Background.BackImageAlpha = 255; }, 1, 0xFFFF0000}, // a look that is no size
        {[&] { Rewrite(file, 0xFF0000FF, 5); }, 2, 0xFF0000FF},             // the same name, another picture
        {[&] { settings.Background.BackImagePos = 1; }, 3, 0xFF0000FF},     // fitted to the whole calendar
        {[&] { settings.DayFont.Font.Size = 8; }, 4, 0xFF0000FF},           // a smaller calendar
        {[&] { Rewrite(file, 0xFF00FF00, 10); }, 5, 0xFF00FF00},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].change();
        painter.Layout();
        ASSERT_NE(painter.Picture(), nullptr) << i;
        EXPECT_EQ(painter.Background().Decodes(), steps[i].decodes) << i;
        EXPECT_EQ(Centre(*painter.Picture()), steps[i].colour) << i;
    }
}

TEST(PictureCache, PopupThumbnailsAreKeptPerFileVersion)
{
    TempDir dir;
    const std::filesystem::path a = dir.Path() / L"a.png", b = dir.Path() / L"b.png";
    Rewrite(a, 0xFFFF0000, 0);
    Rewrite(b, 0xFF00FF00, 0);
    ThumbnailCache cache;
    const ThumbnailCache::Thumbnail* first = cache.Get(a.wstring(), 50);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->pixels.Width(), 50u);
    EXPECT_EQ(first->pixels.Height(), 37u);
    EXPECT_EQ(Centre(first->pixels), 0xFFFF0000);
    ASSERT_NE(cache.Get(b.wstring(), 50), nullptr);
    EXPECT_EQ(cache.Get(a.wstring(), 50), first); // resting on the same day again decodes nothing
    EXPECT_EQ(cache.Size(), 2u);
    Rewrite(a, 0xFF0000FF, 5);
    const ThumbnailCache::Thumbnail* second = cache.Get(a.wstring(), 50);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Centre(second->pixels), 0xFF0000FF);
    EXPECT_EQ(cache.Size(), 2u); // the old version is gone
    std::filesystem::remove(a);
    EXPECT_EQ(cache.Get(a.wstring(), 50), nullptr);
}

TEST(PictureCache, OversizedAndLyingPicturesAreNoPicture)
{
    TempDir dir;
    SavePicture(dir.Path() / L"small.png", 4, 4, [](int, int) { return 0xFF000000u; });
    std::vector<std::uint8_t> png = ReadBytes(dir.Path() / L"small.png");
    for (int i : {16, 20}) // the header's width and height: 40000 each
        png[i + 1] = 0, png[i + 2] = 0x9C, png[i + 3] = 0x40;
    const struct {
        const wchar_t* name;
        std::vector<std::uint8_t> bytes;
        PictureStatus status;
    } cases[] = {
        {L"huge.bmp", BmpHeader(30000, 30000, 16), PictureStatus::TooLarge}, // 900 megapixels stated
        {L"wide.bmp", BmpHeader(120001, 1000, 16), PictureStatus::TooLarge}, // just over the limit
        {L"short.bmp", BmpHeader(300, 300, 600), PictureStatus::Unreadable}, // fewer pixels than stated
        {L"fine.bmp", BmpHeader(10, 10, 320), PictureStatus::Ok},            // the same header, enough pixels
        {L"empty.png", {}, PictureStatus::Unreadable},
    };
    for (const auto& c : cases) {
        WriteBytes(dir.Path() / c.name, c.bytes);
        const DecodedPicture decoded = DecodePicture((dir.Path() / c.name).wstring(), nullptr);
        EXPECT_EQ(decoded.status, c.status) << c.name;
        EXPECT_EQ(bool(decoded.pixels), c.status == PictureStatus::Ok) << c.name;
        DesignSettings settings;
        settings.Background.BackImageFile = (dir.Path() / c.name).wstring();
        CalendarPainter painter(settings);
        painter.Layout();
        EXPECT_EQ(painter.Picture() != nullptr, c.status == PictureStatus::Ok) << c.name;
        // The memorial dialog's preview: the picture's grey in the middle, or the empty white frame.
        DibSurface preview;
        ASSERT_TRUE(preview.Create(60, 40));
        DrawPicturePreview(preview.Dc(), RECT{0, 0, 60, 40}, settings.Background.BackImageFile);
        GdiFlush();
        EXPECT_EQ(preview.Pixel(30, 20) & 0xFFFFFF, c.status == PictureStatus::Ok ? 0x7F7F7Fu : 0xFFFFFFu) << c.name;
    }
}
