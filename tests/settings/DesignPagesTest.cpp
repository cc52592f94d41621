// The Design page's item list and the child pages that edit the working copy.
#include "SheetTestSupport.h"
#include "settings/SettingsControls.h"

namespace {

// The choices a test makes in place of the modal colour and file dialogs.
COLORREF g_chosenColour = 0;
BOOL WINAPI ChooseFixedColour(LPCHOOSECOLORW cc)
{
    cc->rgbResult = g_chosenColour;
    return TRUE;
}
std::wstring g_chosenPath;
BOOL WINAPI ChooseFixedPath(LPOPENFILENAMEW ofn)
{
    ofn->lpstrFile[g_chosenPath.copy(ofn->lpstrFile, ofn->nMaxFile - 1)] = L'\0';
    return TRUE;
}

class DesignPages : public SheetFixture {
protected:
    ChooseColorProc previousColour = SetChooseColorProc(ChooseFixedColour);
    OpenFileNameProc previousFile = SetOpenFileNameProc(ChooseFixedPath);
    ~DesignPages() override
    {
        SetChooseColorProc(previousColour);
        SetOpenFileNameProc(previousFile);
    }
};

TEST_F(DesignPages, OneBarSetsEveryAlphaWhileTheChooserKeepsEach)
{
    DayFontGroup& day = Live().Design.DayFont;
    Argb alpha = 0xFF; // alphas that differ, as a hand-edited qv.ini can make them
    for (Argb* colour : {&day.Font.Color, &day.SunFontColor, &day.SatFontColor, &day.MemorialdayFontColor}) {
        *colour = (alpha << 24) | 0x00808080;
        alpha -= 0x30;
    }
    OpenDesign();
    SelectItem(3);
    HWND page = ItemPage(1);
    g_chosenColour = RGB(0x12, 0x34, 0x56);
    ClickButton(page, IDC_SAT_COLOR);
    const DayFontGroup& working = Working().DayFont;
    EXPECT_EQ(working.SatFontColor, 0x9F123456u) << "red, green and blue only";
    Slide(page, IDC_TRACK1, 20); // alpha (100 - 20) * 255 / 100 = 204
    EXPECT_EQ(
        std::vector({working.Font.Color, working.SunFontColor, working.SatFontColor, working.MemorialdayFontColor}),
        std::vector<Argb>({0xCC808080, 0xCC808080, 0xCC123456, 0xCC808080}));
}

TEST_F(DesignPages, YearMonthAndWeekdayShareOnePageWithTransparencyInIntegerSteps)
{
    Live().Design.MonthFont = {0xFF123456, L"MS UI Gothic", 9.0f, 8 | 1};
    Live().Design.WeekFont = {0x80000000, L"MS UI Gothic", 12.0f, 4};
    OpenDesign();
    HWND font = ItemPage(0);
    for (const auto& [item, bold, size, track] :
         {std::tuple{1, true, L"9", 0}, {2, false, L"12", 50}, {1, true, L"9", 0}}) {
        SelectItem(item);
        EXPECT_NE(GetWindowLongW(font, GWL_STYLE) & WS_VISIBLE, 0) << item;
        EXPECT_EQ(Checked(font, IDC_BOLD), bold) << item;
        EXPECT_EQ(Checked(font, IDC_UNDERLINE), !bold) << item;
        EXPECT_EQ(ItemText(font, IDC_FONT_SIZE), size) << item;
        EXPECT_EQ(TrackPosition(font, IDC_TRACK1), track) << item;
    }
    Slide(font, IDC_TRACK1, 50);
    EXPECT_EQ(Working().MonthFont.Color, 0x7F123456u) << "50 % stores alpha 127";
    SelectItem(2);
    SelectItem(1);
    EXPECT_EQ(TrackPosition(font, IDC_TRACK1), 51);
    EXPECT_EQ(ItemText(font, IDC_TRACK1_LABEL), L"51%");
    EXPECT_EQ(Working().MonthFont.Style, 9) << "strikeout kept until a style box is clicked";
    ToggleCheck(font, IDC_ITALIC);
    EXPECT_EQ(Working().MonthFont.Style, 3);
    EXPECT_EQ(Working().WeekFont.Style, 4);
}

TEST_F(DesignPages, BackgroundPageReportsOnlyTheUsersChanges)
{
    Live().Design.Background.BackImageDraw = 3;
    Live().Design.Background.BackImageFile = L"C:\\old\\picture.png";
    MessageSpy spy;
    OpenDesign();
    HWND background = ItemPage(2);
    for (const int id : {IDC_DRAW_NORMAL, IDC_DRAW_STRETCH, IDC_DRAW_PARTIAL})
        EXPECT_FALSE(Checked(background, id)) << "unknown drawing mode " << id;
    ASSERT_TRUE(Checked(background, IDC_AREA_DAYS));
    ClickButton(background, IDC_AREA_DAYS);
    EXPECT_EQ(spy.changed, 0) << "neither the program's own text nor the checked button is a change";
    CheckRadioButton(background, IDC_AREA_DAYS, IDC_AREA_WHOLE, IDC_AREA_WHOLE);
    ClickButton(background, IDC_AREA_WHOLE);
    EXPECT_EQ(spy.changed, 1);
    EXPECT_EQ(Working().Background.BackImagePos, 1);
    g_chosenPath = L"D:\\pictures\\new background.jpg";
    ClickButton(background, IDC_PICTURE_BROWSE);
    EXPECT_EQ(ItemText(background, IDC_PICTURE_PATH), g_chosenPath);
    EXPECT_EQ(Working().Background.BackImageFile, g_chosenPath);
    EXPECT_EQ(spy.changed, 2) << "the browse button reports one change";
    // Typed over the whole path, character by character.
    HWND edit = GetDlgItem(background, IDC_PICTURE_PATH);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (const wchar_t c : std::wstring(L"E:\\a.png"))
        SendMessageW(edit, WM_CHAR, c, 1);
    EXPECT_EQ(Working().Background.BackImageFile, L"E:\\a.png");
    EXPECT_EQ(spy.changed, 10);
}

} // namespace
