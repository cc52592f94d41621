// Colour mapping, colour button drawing, the colour chooser's custom colours, and the font lists.
#include "settings/SettingsControls.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

TEST(Transparency, MapsBothWaysWithIntegerSteps)
{
    struct Case {
        std::uint8_t alpha;
        int percent;
    };
    for (const Case& c : {Case{255, 0}, Case{0, 100}, Case{127, 51}, Case{128, 50}, Case{254, 1}, Case{1, 100},
                          Case{220, 14}, Case{50, 81}})
        EXPECT_EQ(AlphaToTransparency(c.alpha), c.percent) << int(c.alpha);
    for (const Case& c :
         {Case{255, 0}, Case{0, 100}, Case{127, 50}, Case{124, 51}, Case{2, 99}, Case{255, -5}, Case{0, 150}})
        EXPECT_EQ(TransparencyToAlpha(c.percent), c.alpha) << c.percent;
    // 50 % stores 127, which shows as 51 %.
    EXPECT_EQ(AlphaToTransparency(TransparencyToAlpha(50)), 51);
}

TEST(Transparency, ColourButtonsWorkOnRedGreenBlueOnly)
{
    EXPECT_EQ(ToColorRef(0x80123456), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(WithRgb(0x40FFFFFF, RGB(0xAB, 0xCD, 0xEF)), 0x40ABCDEFu);
    EXPECT_EQ(WithAlpha(0x40ABCDEF, 0xC8), 0xC8ABCDEFu);
    EXPECT_EQ(AlphaOf(0xDCFFFFFF), 0xDC);
}

// --- The colour button ------------------------------------------------------------

class ColourButtonPixels : public testing::Test {
protected:
    static constexpr int kWidth = 40;
    static constexpr int kHeight = 30;
    static constexpr COLORREF kFill = RGB(40, 160, 90);

    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;

    ColourButtonPixels()
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous = SelectObject(dc, bitmap);
    }
    ~ColourButtonPixels() override
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void Draw(UINT state)
    {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hDC = dc;
        item.rcItem = {0, 0, kWidth, kHeight};
        DrawColorButton(item, kFill);
    }
    int Brightness(int x, int y) const
    {
        const COLORREF c = GetPixel(dc, x, y);
        return GetRValue(c) + GetGValue(c) + GetBValue(c);
    }
    bool IsFill(int x, int y) const { return GetPixel(dc, x, y) == kFill; }
    // Pixels of row y from x = first to last that are not the fill colour.
    int Marked(int y, int first, int last) const
    {
        int count = 0;
        for (int x = first; x <= last; ++x)
            count += IsFill(x, y) ? 0 : 1;
        return count;
    }
};

TEST_F(ColourButtonPixels, RaisedSunkenAndBumpEdges)
{
    Draw(0);
    EXPECT_TRUE(IsFill(kWidth / 2, kHeight / 2));
    EXPECT_TRUE(IsFill(kWidth / 2, 1)) << "a single edge line";
    EXPECT_GT(Brightness(kWidth / 2, 0), Brightness(kWidth / 2, kHeight - 1)) << "raised: light above, dark below";
    EXPECT_GT(Brightness(0, kHeight / 2), Brightness(kWidth - 1, kHeight / 2));
    EXPECT_EQ(Marked(3, 3, kWidth - 4), 0) << "no focus rectangle without ODS_FOCUS";

    Draw(ODS_SELECTED);
    EXPECT_TRUE(IsFill(kWidth / 2, kHeight / 2));
    EXPECT_TRUE(IsFill(kWidth / 2, 1));
    EXPECT_LT(Brightness(kWidth / 2, 0), Brightness(kWidth / 2, kHeight - 1)) << "pressed: sunken";

    Draw(ODS_DISABLED);
    EXPECT_FALSE(IsFill(kWidth / 2, 1)) << "a bump is two lines deep";
    EXPECT_TRUE(IsFill(kWidth / 2, 2));
    EXPECT_GT(Brightness(kWidth / 2, 0), Brightness(kWidth / 2, 1)) << "raised outside, sunken inside";

    // Pressed wins over disabled.
    Draw(ODS_SELECTED | ODS_DISABLED);
    EXPECT_TRUE(IsFill(kWidth / 2, 1));
}

TEST_F(ColourButtonPixels, FocusRectangleThreePixelsInside)
{
    Draw(ODS_FOCUS);
    EXPECT_GT(Marked(3, 3, kWidth - 4), 0) << "top of the focus rectangle";
    EXPECT_GT(Marked(kHeight - 4, 3, kWidth - 4), 0) << "bottom of the focus rectangle";
    EXPECT_EQ(Marked(2, 2, kWidth - 3), 0) << "nothing between the edge and the focus rectangle";
    EXPECT_EQ(Marked(kHeight / 2, 5, kWidth - 6), 0) << "the inside stays the colour";
    EXPECT_TRUE(IsFill(2, kHeight / 2));
    EXPECT_FALSE(IsFill(3, kHeight / 2) && IsFill(3, kHeight / 2 + 1)) << "left side of the focus rectangle";
}

// --- The colour chooser ------------------------------------------------------------

struct SeenDialog {
    CHOOSECOLORW cc{};
    std::vector<COLORREF> custom;
};
std::vector<SeenDialog> g_dialogs;
// Defines custom colour 5 in the first dialog and cancels it; confirms a colour in later ones.
BOOL WINAPI FakeColourDialog(LPCHOOSECOLORW cc)
{
    g_dialogs.push_back({*cc, std::vector<COLORREF>(cc->lpCustColors, cc->lpCustColors + 16)});
    if (g_dialogs.size() == 1) {
        cc->lpCustColors[5] = RGB(9, 8, 7);
        cc->rgbResult = RGB(200, 200, 200);
        return FALSE;
    }
    cc->rgbResult = RGB(1, 2, 3);
    return TRUE;
}

TEST(ColourChooser, CustomColoursCarryFromOneDialogToTheNext)
{
    g_dialogs.clear();
    const ChooseColorProc previous = SetChooseColorProc(FakeColourDialog);
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);

    COLORREF colour = RGB(10, 20, 30);
    EXPECT_FALSE(ChooseColorFor(owner, colour));
    EXPECT_EQ(colour, RGB(10, 20, 30)) << "cancel leaves the colour";
    EXPECT_TRUE(ChooseColorFor(owner, colour));
    EXPECT_EQ(colour, RGB(1, 2, 3));

    ASSERT_EQ(g_dialogs.size(), 2u);
    const CHOOSECOLORW& first = g_dialogs[0].cc;
    EXPECT_EQ(first.lStructSize, sizeof(CHOOSECOLORW));
    EXPECT_EQ(first.hwndOwner, owner);
    EXPECT_EQ(first.rgbResult, RGB(10, 20, 30));
    EXPECT_EQ(first.Flags, static_cast<DWORD>(CC_RGBINIT));
    EXPECT_EQ(g_dialogs[1].cc.lpCustColors, first.lpCustColors) << "one array for the process";
    EXPECT_EQ(g_dialogs[1].custom[5], RGB(9, 8, 7));
    EXPECT_EQ(CustomColours()[5], RGB(9, 8, 7));

    SetChooseColorProc(previous);
    DestroyWindow(owner);
}

// Run in a fresh process by the test below; disabled in the normal run.
TEST(ColourChooserFreshProcess, DISABLED_CustomColoursStartBlack)
{
    for (const COLORREF c : CustomColours())
        EXPECT_EQ(c, RGB(0, 0, 0));
}

TEST(ColourChooser, CustomColoursStartBlackInANewProcess)
{
    CustomColours()[0] = RGB(255, 255, 255);
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = std::wstring(L"\"") + exe +
                           L"\" --gtest_also_run_disabled_tests "
                           L"--gtest_filter=ColourChooserFreshProcess.DISABLED_CustomColoursStartBlack";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(code, 0u);
    CustomColours()[0] = RGB(0, 0, 0);
}

// --- Font lists -------------------------------------------------------------------------

TEST(FontNames, VerticalVariantsAndRepeatsAreLeftOut)
{
    FontNameSet names;
    struct Case {
        const wchar_t* name;
        bool added;
    };
    for (const Case& c : {Case{L"MS Gothic", true}, Case{L"@MS Gothic", false}, Case{L"ms gothic", false},
                          Case{L"Arial", true}, Case{L"ARIAL", false}, Case{L"", false}, Case{L"Arial Black", true}})
        EXPECT_EQ(names.Add(c.name), c.added) << std::string(c.name, c.name + wcslen(c.name));
    EXPECT_EQ(names.Names(), (std::vector<std::wstring>{L"MS Gothic", L"Arial", L"Arial Black"}));
}

TEST(FontNames, FaceBoxListsEachInstalledFamilyOnce)
{
    HWND parent = CreateWindowExW(0, L"STATIC", L"p", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HWND box = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL, 0, 0, 100, 200,
                               parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    FillFontNames(box);
    const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
    ASSERT_GT(count, 0);
    std::set<std::wstring> seen;
    for (int i = 0; i < count; ++i) {
        wchar_t name[256] = {};
        SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
        EXPECT_NE(name[0], L'@');
        std::wstring lower = name;
        CharLowerW(lower.data());
        EXPECT_TRUE(seen.insert(lower).second) << "listed twice";
    }
    EXPECT_EQ(static_cast<std::size_t>(count), InstalledFontNames().size());
    DestroyWindow(parent);
}

struct FaceKinds {
    std::wstring trueType;
    std::wstring raster;
    std::set<int> rasterSizes; // of the raster face, as the system reports its metrics
};

int CALLBACK ClassifyFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM param)
{
    auto* kinds = reinterpret_cast<FaceKinds*>(param);
    if (font->lfFaceName[0] == L'@')
        return 1;
    if ((type & TRUETYPE_FONTTYPE) != 0 && kinds->trueType.empty())
        kinds->trueType = font->lfFaceName;
    if ((type & RASTER_FONTTYPE) != 0 && kinds->raster.empty())
        kinds->raster = font->lfFaceName;
    return 1;
}

int CALLBACK CollectRasterSizes(const LOGFONTW*, const TEXTMETRICW* metrics, DWORD type, LPARAM param)
{
    if ((type & RASTER_FONTTYPE) != 0) {
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        reinterpret_cast<FaceKinds*>(param)->rasterSizes.insert((metrics->tmHeight - metrics->tmInternalLeading) * 72 /
                                                                dpi);
    }
    return 1;
}

FaceKinds InstalledFaceKinds()
{
    FaceKinds kinds;
    HDC screen = GetDC(nullptr);
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(screen, &query, ClassifyFace, reinterpret_cast<LPARAM>(&kinds), 0);
    if (!kinds.raster.empty()) {
        kinds.raster.copy(query.lfFaceName, LF_FACESIZE - 1);
        EnumFontFamiliesExW(screen, &query, CollectRasterSizes, reinterpret_cast<LPARAM>(&kinds), 0);
    }
    ReleaseDC(nullptr, screen);
    return kinds;
}

class FontSizes : public testing::Test {
protected:
    HWND parent = CreateWindowExW(0, L"STATIC", L"p", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HWND faces = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL, 0, 0, 100,
                                 200, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND sizes = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 100, 200, parent,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ~FontSizes() override { DestroyWindow(parent); }

    void ShowFace(const std::wstring& face)
    {
        SendMessageW(faces, CB_RESETCONTENT, 0, 0);
        SendMessageW(faces, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(face.c_str()));
        SendMessageW(faces, CB_SETCURSEL, 0, 0);
    }
    std::vector<std::wstring> Entries() const
    {
        std::vector<std::wstring> entries;
        const int count = static_cast<int>(SendMessageW(sizes, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[32] = {};
            SendMessageW(sizes, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            entries.emplace_back(text);
        }
        return entries;
    }
    std::wstring Selected() const
    {
        const LRESULT index = SendMessageW(sizes, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR)
            return L"(none)";
        wchar_t text[32] = {};
        SendMessageW(sizes, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }
};

TEST_F(FontSizes, ScalableFaceOffersTheFixedListAndSelectsTheNextSize)
{
    const FaceKinds kinds = InstalledFaceKinds();
    ASSERT_FALSE(kinds.trueType.empty()) << "no TrueType face installed";
    ShowFace(kinds.trueType);
    struct Case {
        int current;
        const wchar_t* selected;
    };
    for (const Case& c : {Case{13, L"14"}, Case{16, L"14"}, Case{4, L"5"}, Case{9, L"9"}, Case{0, L"5"},
                          Case{14, L"14"}, Case{-3, L"5"}}) {
        FillFontSizes(faces, sizes, c.current);
        EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"5", L"6", L"7", L"8", L"9", L"10", L"11", L"12", L"14"}));
        EXPECT_EQ(Selected(), c.selected) << c.current;
    }
}

TEST_F(FontSizes, RasterFaceListsItsOwnSizesAscending)
{
    const FaceKinds kinds = InstalledFaceKinds();
    if (kinds.raster.empty())
        GTEST_SKIP() << "no raster face installed";
    ShowFace(kinds.raster);
    FillFontSizes(faces, sizes, 1000);
    std::vector<std::wstring> expected;
    for (const int size : kinds.rasterSizes)
        expected.push_back(std::to_wstring(size));
    EXPECT_EQ(Entries(), expected) << "face " << std::string(kinds.raster.begin(), kinds.raster.end());
    EXPECT_EQ(Selected(), expected.back()) << "larger than any: the last";
}

TEST(FontSizeList, InsertionKeepsAscendingUniqueWhateverTheReportOrder)
{
    const std::vector<std::vector<int>> reports = {
        {8, 10, 12}, {12, 10, 8}, {10, 12, 8}, {10, 8, 10, 12, 8}, {12, 12, 12, 10, 8, 8}};
    for (const auto& report : reports) {
        std::vector<int> sizes;
        for (const int size : report)
            InsertSizeAscending(sizes, size);
        EXPECT_EQ(sizes, (std::vector<int>{8, 10, 12}));
    }
    // Raster fonts of one face as the enumeration reports them, at 96 dpi: 8, 10 and 12 points.
    struct Report {
        int height;
        int leading;
    };
    const std::vector<std::vector<Report>> rasterOrders = {
        {{13, 2}, {17, 3}, {19, 3}}, {{19, 3}, {13, 2}, {17, 3}}, {{17, 3}, {19, 3}, {17, 3}, {13, 2}}};
    for (const auto& order : rasterOrders) {
        std::vector<int> sizes;
        for (const Report& r : order)
            EXPECT_TRUE(AddReportedFont(sizes, RASTER_FONTTYPE, r.height, r.leading, 96));
        EXPECT_EQ(sizes, (std::vector<int>{8, 10, 12}));
    }
    // A scalable report replaces whatever came before and ends the enumeration.
    std::vector<int> sizes = {8};
    EXPECT_FALSE(AddReportedFont(sizes, TRUETYPE_FONTTYPE, 13, 2, 96));
    EXPECT_EQ(sizes, std::vector<int>(std::begin(kScalableSizes), std::end(kScalableSizes)));
    sizes.clear();
    EXPECT_FALSE(AddReportedFont(sizes, DEVICE_FONTTYPE, 13, 2, 96)) << "not raster: scalable";
    EXPECT_EQ(sizes.size(), 9u);

    struct Pick {
        int current;
        int index;
    };
    const std::vector<int> offered = {8, 10, 12};
    for (const Pick& p : {Pick{8, 0}, Pick{9, 1}, Pick{12, 2}, Pick{13, 2}, Pick{1, 0}})
        EXPECT_EQ(SizeIndexFor(offered, p.current), p.index) << p.current;
    EXPECT_EQ(SizeIndexFor({}, 9), -1);
    // 96 dpi: 13 pixels without 2 of leading is 8 points; 16 - 3 is 9.
    EXPECT_EQ(RasterPointSize(13, 2, 96), 8);
    EXPECT_EQ(RasterPointSize(16, 3, 96), 9);
    EXPECT_EQ(RasterPointSize(16, 3, 120), 7);
}

} // namespace
