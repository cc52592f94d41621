// The colour chooser's custom colours and the font sizes.
#include "SheetTestSupport.h"
#include "app/Handle.h"
#include "settings/SettingsControls.h"

namespace {

std::vector<std::vector<COLORREF>> g_customSeen;
// Defines custom colour 5 in every dialog, numbered by the dialog, and cancels.
BOOL WINAPI FakeColourDialog(LPCHOOSECOLORW cc)
{
    g_customSeen.emplace_back(cc->lpCustColors, cc->lpCustColors + 16);
    cc->lpCustColors[5] = RGB(9, 8, g_customSeen.size());
    return FALSE;
}

TEST(ColourChooser, CustomColoursCarryFromOneDialogToTheNext)
{
    const ChooseColorProc previous = SetChooseColorProc(FakeColourDialog);
    COLORREF colour = RGB(10, 20, 30);
    ChooseColorFor(nullptr, colour);
    ChooseColorFor(nullptr, colour);
    ASSERT_EQ(g_customSeen.size(), 2u);
    EXPECT_EQ(g_customSeen[1][5], RGB(9, 8, 1));
    SetChooseColorProc(previous);
}

std::wstring ComboText(HWND box, LRESULT index)
{
    wchar_t text[LF_FACESIZE + 1] = {};
    SendMessageW(box, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
    return text;
}

int CALLBACK FirstTrueType(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM found)
{
    if ((type & TRUETYPE_FONTTYPE) == 0 || font->lfFaceName[0] == L'@')
        return 1;
    *reinterpret_cast<std::wstring*>(found) = font->lfFaceName;
    return 0;
}

TEST(FontSizes, ScalableFaceOffersTheFixedListAndSelectsTheNextSize)
{
    std::wstring face;
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(ScreenDC().Get(), &query, FirstTrueType, reinterpret_cast<LPARAM>(&face), 0);
    ASSERT_FALSE(face.empty()) << "no TrueType face installed";

    HWND parent = TestWindow();
    HWND faces = TestWindow(parent, L"COMBOBOX", WS_CHILD | CBS_DROPDOWNLIST);
    HWND sizes = TestWindow(parent, L"COMBOBOX", WS_CHILD | CBS_DROPDOWNLIST);
    SendMessageW(faces, CB_SETCURSEL, SendMessageW(faces, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(face.c_str())), 0);
    for (const auto& [current, selected] : {std::pair{13, L"14"}, {16, L"14"}, {4, L"5"}, {9, L"9"}}) {
        FillFontSizes(faces, sizes, current);
        std::wstring entries;
        for (LRESULT i = 0; i < SendMessageW(sizes, CB_GETCOUNT, 0, 0); ++i)
            entries += ComboText(sizes, i) + L" ";
        EXPECT_EQ(entries, L"5 6 7 8 9 10 11 12 14 ");
        EXPECT_EQ(ComboText(sizes, SendMessageW(sizes, CB_GETCURSEL, 0, 0)), selected) << current;
    }
    DestroyWindow(parent);
}

} // namespace
