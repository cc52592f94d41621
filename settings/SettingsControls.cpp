#include "settings/SettingsControls.h"

#include "app/Application.h"
#include "app/Handle.h"
#include "resource.h"

#include <algorithm>
#include <array>

namespace {

std::array<COLORREF, 16> g_customColours{};
ChooseColorProc g_chooseColor = nullptr;
OpenFileNameProc g_openFileName = nullptr;

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

int CALLBACK CollectName(const LOGFONTW* logFont, const TEXTMETRICW*, DWORD, LPARAM param)
{
    // The full name, as the face list shows it; the record is an ENUMLOGFONTEXW.
    const auto* full = reinterpret_cast<const ENUMLOGFONTEXW*>(logFont);
    reinterpret_cast<FontNameSet*>(param)->Add(full->elfFullName);
    return 1;
}

struct SizeCollection {
    std::vector<int> sizes;
    int pixelsPerInch = 96;
};

int CALLBACK CollectSize(const LOGFONTW*, const TEXTMETRICW* metrics, DWORD fontType, LPARAM param)
{
    auto* collection = reinterpret_cast<SizeCollection*>(param);
    return AddReportedFont(collection->sizes, fontType, metrics->tmHeight, metrics->tmInternalLeading,
                           collection->pixelsPerInch)
               ? 1
               : 0;
}

std::wstring WindowText(HWND window, int maxChars)
{
    std::wstring text(static_cast<std::size_t>(maxChars) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), maxChars + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

} // namespace

void DrawColorButton(const DRAWITEMSTRUCT& item, COLORREF colour)
{
    RECT rect = item.rcItem;
    HDC dc = item.hDC;
    const COLORREF previous = SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, previous);

    UINT edge = BDR_RAISEDOUTER;
    if ((item.itemState & ODS_SELECTED) != 0)
        edge = BDR_SUNKENOUTER;
    else if ((item.itemState & ODS_DISABLED) != 0)
        edge = EDGE_BUMP;
    DrawEdge(dc, &rect, edge, BF_RECT | BF_SOFT);

    if ((item.itemState & ODS_FOCUS) != 0) {
        InflateRect(&rect, -3, -3);
        DrawFocusRect(dc, &rect);
    }
}

std::span<COLORREF, 16> CustomColours() { return g_customColours; }

ChooseColorProc SetChooseColorProc(ChooseColorProc proc)
{
    const ChooseColorProc previous = g_chooseColor;
    g_chooseColor = proc;
    return previous;
}

OpenFileNameProc SetOpenFileNameProc(OpenFileNameProc proc)
{
    const OpenFileNameProc previous = g_openFileName;
    g_openFileName = proc;
    return previous;
}

BOOL RunOpenFileName(OPENFILENAMEW& ofn)
{
    return g_openFileName != nullptr ? g_openFileName(&ofn) : GetOpenFileNameW(&ofn);
}

bool ChoosePictureFile(HWND owner, std::wstring& path)
{
    std::array<wchar_t, MAX_PATH> file{};
    // Open on the current file; a path too long for the buffer starts empty.
    if (path.size() < file.size())
        path.copy(file.data(), path.size());
    std::array<wchar_t, MAX_PATH> title{};
    const std::wstring caption = ResString(IDS_CHOOSE_PICTURE);
    FileDialogFields dialog(owner, IDS_PICTURE_FILTER, file);
    OPENFILENAMEW& ofn = dialog.ofn;
    ofn.lpstrFileTitle = title.data();
    ofn.nMaxFileTitle = static_cast<DWORD>(title.size());
    ofn.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!RunOpenFileName(ofn))
        return false;
    file.back() = L'\0';
    path = file.data();
    return true;
}

bool ChooseColorFor(HWND owner, COLORREF& colour)
{
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = owner;
    cc.rgbResult = colour;
    cc.lpCustColors = g_customColours.data();
    cc.Flags = CC_RGBINIT;
    const BOOL ok = g_chooseColor != nullptr ? g_chooseColor(&cc) : ChooseColorW(&cc);
    if (!ok)
        return false;
    colour = cc.rgbResult;
    return true;
}

bool FontNameSet::Add(const std::wstring& name)
{
    if (name.empty() || name.front() == L'@')
        return false;
    for (const std::wstring& known : names_)
        if (SameNameIgnoringCase(known, name))
            return false;
    names_.push_back(name);
    return true;
}

std::vector<std::wstring> InstalledFontNames()
{
    const ScreenDC screen;
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    FontNameSet names;
    EnumFontFamiliesExW(screen.get(), &query, CollectName, reinterpret_cast<LPARAM>(&names), 0);
    return names.Names();
}

void FillFontNames(HWND faceBox)
{
    for (const std::wstring& name : InstalledFontNames())
        if (SendMessageW(faceBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(name.c_str())) == CB_ERR)
            SendMessageW(faceBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

int RasterPointSize(int height, int internalLeading, int pixelsPerInch)
{
    if (pixelsPerInch <= 0)
        pixelsPerInch = 96;
    return (height - internalLeading) * 72 / pixelsPerInch;
}

void InsertSizeAscending(std::vector<int>& sizes, int points)
{
    const auto at = std::lower_bound(sizes.begin(), sizes.end(), points);
    if (at != sizes.end() && *at == points)
        return;
    sizes.insert(at, points);
}

bool AddReportedFont(std::vector<int>& sizes, DWORD fontType, int height, int internalLeading, int pixelsPerInch)
{
    if ((fontType & TRUETYPE_FONTTYPE) != 0 || (fontType & RASTER_FONTTYPE) == 0) {
        // A scalable face draws at any size: the fixed list, and nothing else to learn.
        sizes.assign(std::begin(kScalableSizes), std::end(kScalableSizes));
        return false;
    }
    InsertSizeAscending(sizes, RasterPointSize(height, internalLeading, pixelsPerInch));
    return true;
}

int SizeIndexFor(std::span<const int> sizes, int current)
{
    if (sizes.empty())
        return -1;
    for (std::size_t i = 0; i < sizes.size(); ++i)
        if (sizes[i] >= current)
            return static_cast<int>(i);
    return static_cast<int>(sizes.size()) - 1;
}

std::vector<int> FontSizesFor(const std::wstring& face)
{
    // No face shown (the stored one is not installed): whatever replaces it is scalable.
    if (face.empty())
        return {std::begin(kScalableSizes), std::end(kScalableSizes)};
    const ScreenDC screen;
    SizeCollection collection;
    collection.pixelsPerInch = GetDeviceCaps(screen.get(), LOGPIXELSY);
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    face.copy(query.lfFaceName, LF_FACESIZE - 1);
    EnumFontFamiliesExW(screen.get(), &query, CollectSize, reinterpret_cast<LPARAM>(&collection), 0);
    return collection.sizes;
}

void FillFontSizes(HWND faceBox, HWND sizeBox, int current)
{
    SendMessageW(sizeBox, CB_RESETCONTENT, 0, 0);
    const std::vector<int> sizes = FontSizesFor(WindowText(faceBox, LF_FACESIZE - 1));
    for (const int size : sizes)
        SendMessageW(sizeBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(size).c_str()));
    SendMessageW(sizeBox, CB_SETCURSEL, static_cast<WPARAM>(SizeIndexFor(sizes, current)), 0);
}
