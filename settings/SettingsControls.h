// The controls the design pages share: colour buttons and their chooser, the
// transparency mapping, and the font face and size lists.
#pragma once
#include "app/Win.h"
#include "settings/Settings.h"

#include <commdlg.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// --- Colours -----------------------------------------------------------------

// Transparency in percent as the track bars show it; integer steps, so the
// round trip is not exact (50 % stores alpha 127, which shows as 51 %).
constexpr int AlphaToTransparency(std::uint8_t alpha) { return 100 - alpha * 100 / 255; }
constexpr std::uint8_t TransparencyToAlpha(int percent)
{
    const int p = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    return static_cast<std::uint8_t>((100 - p) * 255 / 100);
}
constexpr std::uint8_t AlphaOf(Argb colour) { return static_cast<std::uint8_t>(colour >> 24); }
constexpr Argb WithAlpha(Argb colour, std::uint8_t alpha) { return (colour & 0x00FFFFFFu) | (Argb{alpha} << 24); }
// 0x00BBGGRR of the colour's red, green and blue; alpha is dropped.
constexpr COLORREF ToColorRef(Argb colour)
{
    return static_cast<COLORREF>(((colour >> 16) & 0xFF) | (colour & 0xFF00) | ((colour & 0xFF) << 16));
}
// Red, green and blue from the COLORREF, alpha kept from `colour`.
constexpr Argb WithRgb(Argb colour, COLORREF rgb)
{
    return (colour & 0xFF000000u) | (Argb{GetRValue(rgb)} << 16) | (Argb{GetGValue(rgb)} << 8) | Argb{GetBValue(rgb)};
}

// Paints an owner-drawn colour button: the swatch, an edge by state, and the focus rectangle.
void DrawColorButton(const DRAWITEMSTRUCT& item, COLORREF colour);

// The colour dialog starting at `colour`; true and the choice in `colour` on OK.
bool ChooseColorFor(HWND owner, COLORREF& colour);
// The custom colours every colour dialog of the process shares; black at start, never saved.
std::span<COLORREF, 16> CustomColours();

// The system dialogs behind the choosers, replaceable so that a choice can be made without a modal dialog.
using ChooseColorProc = BOOL(WINAPI*)(LPCHOOSECOLORW);
using OpenFileNameProc = BOOL(WINAPI*)(LPOPENFILENAMEW);
// Each returns the previous procedure; null restores the system's.
ChooseColorProc SetChooseColorProc(ChooseColorProc proc);
OpenFileNameProc SetOpenFileNameProc(OpenFileNameProc proc);
BOOL RunOpenFileName(OPENFILENAMEW& ofn);
// The open-file dialog for picture files, on `path`; true and `path` replaced when the user chose one.
bool ChoosePictureFile(HWND owner, std::wstring& path);

// --- Fonts -------------------------------------------------------------------

// Sizes offered for any scalable face.
inline constexpr int kScalableSizes[] = {5, 6, 7, 8, 9, 10, 11, 12, 14};

// Collects family names as the face list shows them: vertical-writing variants
// ("@...") left out, each name once whatever its case.
class FontNameSet {
public:
    // False when the name is left out.
    bool Add(const std::wstring& name);
    const std::vector<std::wstring>& Names() const { return names_; }

private:
    std::vector<std::wstring> names_;
};

// Installed families, as FontNameSet keeps them (in the order reported).
std::vector<std::wstring> InstalledFontNames();
// Adds the installed families to the (sorted) face combo box.
void FillFontNames(HWND faceBox);

// Point size of a raster font from its text metrics.
int RasterPointSize(int height, int internalLeading, int pixelsPerInch);
// Inserts `points` keeping the list ascending and free of repeats.
void InsertSizeAscending(std::vector<int>& sizes, int points);
// One font reported for a face: a scalable one gives the fixed list (and ends the
// enumeration: false), a raster one adds its own size in order (true: go on).
bool AddReportedFont(std::vector<int>& sizes, DWORD fontType, int height, int internalLeading, int pixelsPerInch);
// Index of the first size not smaller than `current`, else the last; -1 for no sizes.
int SizeIndexFor(std::span<const int> sizes, int current);
// Sizes the face offers: the scalable list, or a raster face's own sizes ascending.
std::vector<int> FontSizesFor(const std::wstring& face);
// Refills the size box for the face shown in the face box and selects a size for `current`.
void FillFontSizes(HWND faceBox, HWND sizeBox, int current);
