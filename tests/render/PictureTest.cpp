// The background picture in its three drawing modes and its alpha factor; pictures decoded once per
// file version and size, a rewritten file read anew, and unusable, oversized or lying files refused.
#include "RenderTestSupport.h"

#include "render/DayInfoWindow.h"
#include "ui/dialogs/MemorialDialog.h"

#include <chrono>
#include <optional>
#include <tuple>

using gfx::RectF;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;

// Blue left fifth, green right fifth, red between.
std::wstring MakePicture(const TempDir& dir, const wchar_t* name, int width, int height)
{
    const std::filesystem::path path = dir.Path() / name;
    SavePicture(path, width, height, [width](int x, int) {
        return x < width / 5 ? kBlue : x >= width - width / 5 ? kGreen : kRed;
    });
    return path.wstring();
}

// The pixel at (x, y), the centre by default.
std::uint32_t PixelOf(const gfx::Bitmap& bitmap, int x = -1, int y = -1)
{
    Gdiplus::ARGB colour = 0;
    Gdiplus::DllExports::GdipBitmapGetPixel(bitmap.GetBitmap(), x < 0 ? int(bitmap.Width() / 2) : x,
                                            y < 0 ? int(bitmap.Height() / 2) : y, &colour);
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

// Rewrites `file` as a 40 x 30 BMP of one colour, the same size whatever the colour, and moves its
// time of last write by `seconds` (back when negative).
void Rewrite(const std::filesystem::path& file, std::uint32_t colour, int seconds)
{
    const auto before = std::filesystem::exists(file) ? std::filesystem::last_write_time(file)
                                                      : std::filesystem::file_time_type::clock::now();
    std::vector<std::uint8_t> bmp = BmpHeader(40, 30, 40 * 30 * 3);
    for (std::size_t i = 54; i < bmp.size(); ++i)
        bmp[i] = std::uint8_t(colour >> (8 * ((i - 54) % 3)));
    WriteBytes(file, bmp);
    std::filesystem::last_write_time(file, before + std::chrono::seconds(seconds));
}

} // namespace

TEST(BackgroundPicture, FitStretchAndCoverForSameAspectAndWiderPicturesAndTheAlphaFactor)
{
    TempDir dir;
    DesignSettings settings;
    CalendarPainter painter(settings);
    painter.Layout();
    // Canvases: the date area (grid grown by (4, 2.5, 4, 5)) or the whole, then grown by 5 and 1.
    const RectF g = painter.GridRect(), whole = painter.Whole();
    const int cw = int(g.width + 18), ch = int(g.height + 9.5f), ww = int(whole.width + 10), wh = int(whole.height + 2);
    const std::wstring same = MakePicture(dir, L"same.png", cw * 2, ch * 2),
                       wide = MakePicture(dir, L"wide.png", ww * 4, wh);
    const struct {
        const std::wstring& file;
        int pos, mode, width, height;
        std::uint32_t top, bottom, left, right;
    } cases[] = {
        {same, 0, 0, cw, ch, kRed, kRed, kBlue, kGreen}, // same aspect: every edge reached, nothing cut
        {same, 0, 2, cw, ch, kRed, kRed, kBlue, kGreen},
        {wide, 1, 0, ww, wh, 0, 0, kBlue, kGreen},                // fit: transparent bands above and below
        {wide, 1, 2, ww, wh, kRed, kRed, kRed, kRed},             // cover: the sides are cut
        {wide, 1, 1, ww - 10, wh - 2, kRed, kRed, kBlue, kGreen}, // stretch into the target itself
    };
    for (const auto& c : cases) {
        settings.Background = {.BackImageFile = c.file, .BackImageDraw = c.mode, .BackImagePos = c.pos};
        painter.Layout();
        const gfx::Bitmap* p = painter.Picture();
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(p->Width() * 10000 + p->Height(), c.width * 10000u + c.height) << c.mode;
        auto at = [p](int x, int y) { return PixelOf(*p, x, y); };
        const int w = c.width, h = c.height; // centre, then 1 px inside the top, bottom, left, right middles
        const std::uint32_t got[] = {at(w / 2, h / 2), at(w / 2, 1), at(w / 2, h - 2), at(1, h / 2), at(w - 2, h / 2)},
                            want[] = {kRed, c.top, c.bottom, c.left, c.right};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(got[i], want[i]) << "mode " << c.mode << ", point " << i;
    }
    // Alpha 0 hides the picture and 255 leaves it unfaded: the gap right of a cell shows it premultiplied.
    ShownMonth m(2024, 3, 1);
    for (const int alpha : {255, 0, 128}) {
        settings.Background = {.BackColor = 0, .BackImageFile = same, .BackImageAlpha = alpha, .BackImageDraw = 1};
        painter.Layout();
        DibSurface surface;
        PaintReference(surface, painter, m.model, 0);
        const RectF cell = painter.CellRect(3, 2);
        const std::uint32_t shown = surface.Pixel(int(cell.Right() + 5), int(cell.y + cell.height / 2));
        EXPECT_NEAR(Channel(shown, 24), alpha, 2);
        EXPECT_NEAR(Channel(shown, 16), alpha, 2);
        EXPECT_EQ(shown & 0xFFFF, 0u) << alpha;
    }
}

TEST(PictureCache, DecodedOnceAndAgainWhenTheFileOrFittedSizeChangesForBackgroundAndPopup)
{
    TempDir dir;
    const std::filesystem::path file = dir.Path() / L"back.bmp";
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
        EXPECT_EQ(PixelOf(*painter.Picture()), steps[i].colour) << i;
    }
    // The popup's thumbnails are kept per file version in the same way; a copy of the same size put
    // back with an older time of last write is another version.
    const std::filesystem::path other = dir.Path() / L"other.bmp";
    Rewrite(other, 0xFFFF0000, 0);
    ThumbnailCache cache;
    const ThumbnailCache::Thumbnail* first = cache.Get(file.wstring(), 50);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->pixels.Width() * 100 + first->pixels.Height(), 5037u);
    EXPECT_EQ(PixelOf(first->pixels), 0xFF00FF00);
    ASSERT_NE(cache.Get(other.wstring(), 50), nullptr);
    EXPECT_EQ(cache.Get(file.wstring(), 50), first); // resting on the same day again decodes nothing
    Rewrite(file, 0xFF0000FF, -20);
    const ThumbnailCache::Thumbnail* second = cache.Get(file.wstring(), 50);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(PixelOf(second->pixels), 0xFF0000FF);
    EXPECT_EQ(cache.Size(), 2u); // the old version is gone
    std::filesystem::remove(file);
    EXPECT_EQ(cache.Get(file.wstring(), 50), nullptr);
}

TEST(PictureCache, UnusableOversizedAndLyingFilesAreNoPicture)
{
    TempDir dir;
    const std::filesystem::path good = dir.Path() / L"good.png";
    SavePicture(good, 4, 4, [](int, int) { return 0xFF000000u; });
    std::vector<std::uint8_t> png = ReadBytes(good), cut(png.begin(), png.begin() + long(png.size() / 3));
    for (int i : {16, 20}) // the header's width and height: 40000 each
        png[i + 1] = 0, png[i + 2] = 0x9C, png[i + 3] = 0x40;
    std::filesystem::create_directory(dir.Path() / L"folder.png");
    std::vector<std::uint8_t> jpeg{0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8, 0xFF, 0xFF, 0x07, 0xD0, 3};
    jpeg.resize(40, 0x7F);
    std::vector<std::uint8_t> tall = BmpHeader(1000, -120001, 0);
    tall.resize(26); // up to the stated height: no decoder can read it, only the header tells
    // The file's name, its bytes (none: not written) and what decoding it says.
    const std::tuple<const wchar_t*, std::optional<std::vector<std::uint8_t>>, PictureStatus> cases[] = {
        {L"huge.bmp", BmpHeader(30000, 30000, 16), PictureStatus::TooLarge}, // 900 megapixels stated
        {L"wide.bmp", BmpHeader(120001, 1000, 16), PictureStatus::TooLarge}, // just over the limit
        {L"tall.bmp", tall, PictureStatus::TooLarge},                        // top-down rows: a negative height
        {L"tall.jpg", jpeg, PictureStatus::TooLarge}, // a frame header stating 2000 x 65535, and nothing else
        {L"huge.png", png, PictureStatus::TooLarge},
        {L"short.bmp", BmpHeader(300, 300, 600), PictureStatus::Unreadable}, // fewer pixels than stated
        {L"fine.bmp", BmpHeader(10, 10, 320), PictureStatus::Ok},            // the same header, enough pixels
        {L"empty.png", std::vector<std::uint8_t>{}, PictureStatus::Unreadable},
        {L"cut.png", cut, PictureStatus::Unreadable},
        {L"text.png", std::vector<std::uint8_t>(9, 'x'), PictureStatus::Unreadable},
        {L"missing.png", std::nullopt, PictureStatus::Unreadable},
        {L"folder.png", std::nullopt, PictureStatus::Unreadable},
    };
    DesignSettings settings;
    CalendarPainter painter(settings);
    for (const auto& [name, bytes, status] : cases) {
        const std::wstring file = (dir.Path() / name).wstring();
        if (bytes)
            WriteBytes(file, *bytes);
        const DecodedPicture decoded = DecodePicture(file, nullptr);
        EXPECT_EQ(decoded.status, status) << name;
        EXPECT_TRUE(std::wstring(name).find(L"tall") != 0 || decoded.height > decoded.width) << "as stated";
        // A good picture first, so that we see it does not survive.
        settings.Background.BackImageFile = good.wstring();
        painter.Layout();
        ASSERT_NE(painter.Picture(), nullptr);
        settings.Background.BackImageFile = file;
        painter.Layout();
        EXPECT_EQ(painter.Picture() != nullptr, status == PictureStatus::Ok) << name;
        // The memorial dialog's preview: the picture's grey in the middle, or the empty white frame.
        DibSurface preview;
        ASSERT_TRUE(preview.Create(60, 40));
        DrawPicturePreview(preview.Dc(), RECT{0, 0, 60, 40}, file);
        GdiFlush();
        EXPECT_EQ(preview.Pixel(30, 20) & 0xFFFFFF, status == PictureStatus::Ok ? 0x7F7F7Fu : 0xFFFFFFu) << name;
    }
}
