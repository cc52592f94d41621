// The Design page's item list and the child pages that edit the working copy.
#include "SheetTestSupport.h"
#include "res/resource.h"
#include "settings/SettingsControls.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// The colour and file choices a test makes in place of the modal dialogs.
COLORREF g_chosenColour = 0;
int g_colourDialogs = 0;
BOOL WINAPI ChooseFixedColour(LPCHOOSECOLORW cc)
{
    ++g_colourDialogs;
    cc->rgbResult = g_chosenColour;
    return TRUE;
}

std::wstring g_chosenPath;
OPENFILENAMEW g_seenOfn{};
std::wstring g_seenStartName;
std::wstring g_seenTitle;
BOOL WINAPI ChooseFixedPath(LPOPENFILENAMEW ofn)
{
    g_seenOfn = *ofn;
    g_seenStartName = ofn->lpstrFile;
    g_seenTitle = ofn->lpstrTitle != nullptr ? ofn->lpstrTitle : L"";
    if (g_chosenPath.empty())
        return FALSE;
    g_chosenPath.copy(ofn->lpstrFile, ofn->nMaxFile - 1);
    ofn->lpstrFile[std::min<std::size_t>(g_chosenPath.size(), ofn->nMaxFile - 1)] = L'\0';
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
    HWND OpenDesign()
    {
        Open();
        return Design();
    }
};

TEST_F(DesignPages, ListHoldsTheNineItemsWithTheirPages)
{
    OpenDesign();
    const DesignPage& page = sheet.DesignItems();
    const std::wstring labels[] = {L"背景",         L"年月",     L"曜日",
                                   L"日付",         L"日付背景", L"前後月日",
                                   L"コントローラ", L"メモ日付", L"メモフォント&&背景"};
    const int pages[] = {2, 0, 0, 1, 5, 4, 3, 6, 7};
    EXPECT_EQ(SendDlgItemMessageW(page.Handle(), IDC_ITEM_LIST, LB_GETCOUNT, 0, 0), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(page.Item(i).label, labels[i]) << i;
        EXPECT_EQ(page.Item(i).page, pages[i]) << i;
    }
    // Only the background page is shown at first, beside the list.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ShownAndEnabled(ItemPage(i)), i == 2) << i;
    RECT list{}, child{};
    GetWindowRect(GetDlgItem(page.Handle(), IDC_ITEM_LIST), &list);
    GetWindowRect(ItemPage(2), &child);
    EXPECT_EQ(child.left, list.right);
}

TEST_F(DesignPages, TabAndArrowsReachTheShownItemPageOnly)
{
    OpenDesign();
    HWND window = sheet.SheetWindow();
    HWND list = GetDlgItem(sheet.DesignItems().Handle(), IDC_ITEM_LIST);
    HWND background = ItemPage(2);
    EXPECT_EQ(GetNextDlgTabItem(window, list, FALSE), GetDlgItem(background, IDC_COLOR2));
    EXPECT_EQ(GetNextDlgTabItem(window, GetDlgItem(background, IDC_COLOR2), FALSE), GetDlgItem(background, IDC_TRACK2));
    // Arrow keys move within a group of radio buttons and wrap inside it.
    EXPECT_EQ(GetNextDlgGroupItem(window, GetDlgItem(background, IDC_DRAW_NORMAL), FALSE),
              GetDlgItem(background, IDC_DRAW_STRETCH));
    EXPECT_EQ(GetNextDlgGroupItem(window, GetDlgItem(background, IDC_DRAW_PARTIAL), FALSE),
              GetDlgItem(background, IDC_DRAW_NORMAL));
    EXPECT_EQ(GetNextDlgGroupItem(window, GetDlgItem(background, IDC_AREA_WHOLE), FALSE),
              GetDlgItem(background, IDC_AREA_DAYS));
    // Hidden pages are passed over.
    SelectItem(6);
    EXPECT_EQ(GetNextDlgTabItem(window, list, FALSE), GetDlgItem(ItemPage(3), IDC_COLOR1));
}

TEST_F(DesignPages, TransparencyRoundTripUsesIntegerSteps)
{
    Live().Design.MonthFont.Color = 0xFF123456;
    OpenDesign();
    SelectItem(1);
    HWND font = ItemPage(0);
    EXPECT_EQ(TrackPosition(font, IDC_TRACK1), 0);
    Slide(font, IDC_TRACK1, 50);
    EXPECT_EQ(Working().MonthFont.Color, 0x7F123456u) << "50 % stores alpha 127";
    EXPECT_EQ(ItemText(font, IDC_TRACK1_LABEL), L"50%");
    SelectItem(2);
    SelectItem(1);
    EXPECT_EQ(TrackPosition(font, IDC_TRACK1), 51);
    EXPECT_EQ(ItemText(font, IDC_TRACK1_LABEL), L"51%");
}

struct SharedAlphaCase {
    const char* name;
    int item;
    int page;
    int button; // the colour button chosen
    std::function<Argb&(DesignSettings&)> chosen;
    std::vector<std::function<Argb&(DesignSettings&)>> all; // first positions the bar
};

TEST_F(DesignPages, OneBarSetsEveryAlphaWhileTheChooserKeepsEach)
{
    const SharedAlphaCase cases[] = {
        {"day font",
         3,
         1,
         IDC_SAT_COLOR,
         [](DesignSettings& d) -> Argb& { return d.DayFont.SatFontColor; },
         {[](DesignSettings& d) -> Argb& { return d.DayFont.Font.Color; },
          [](DesignSettings& d) -> Argb& { return d.DayFont.SunFontColor; },
          [](DesignSettings& d) -> Argb& { return d.DayFont.SatFontColor; },
          [](DesignSettings& d) -> Argb& { return d.DayFont.MemorialdayFontColor; }}},
        {"day-information title",
         7,
         6,
         IDC_HOLIDAY_COLOR,
         [](DesignSettings& d) -> Argb& { return d.Dayinfo.DayinfoHolidayColor; },
         {[](DesignSettings& d) -> Argb& { return d.Dayinfo.TitleFont.Color; },
          [](DesignSettings& d) -> Argb& { return d.Dayinfo.DayinfoHolidayColor; },
          [](DesignSettings& d) -> Argb& { return d.Dayinfo.DayinfoMemorialColor; }}},
    };
    for (const SharedAlphaCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Alphas that differ, as a hand-edited qv.ini can make them.
        DesignSettings& live = Live().Design;
        Argb alpha = 0xFF;
        for (const auto& colour : c.all) {
            colour(live) = (alpha << 24) | 0x00808080;
            alpha -= 0x30;
        }
        const Argb chosenAlpha = c.chosen(live) & 0xFF000000;
        Open();
        Design();
        SelectItem(c.item);
        HWND page = ItemPage(c.page);
        EXPECT_TRUE(ShownAndEnabled(page));
        EXPECT_EQ(TrackPosition(page, IDC_TRACK1), 0) << "the first colour's alpha";

        g_chosenColour = RGB(0x12, 0x34, 0x56);
        ClickButton(page, c.button);
        auto& working = const_cast<DesignSettings&>(Working());
        EXPECT_EQ(c.chosen(working), chosenAlpha | 0x123456) << "red, green and blue only";
        EXPECT_EQ(c.all.front()(working), 0xFF808080u);

        Slide(page, IDC_TRACK1, 20); // alpha (100 - 20) * 255 / 100 = 204
        for (const auto& colour : c.all)
            EXPECT_EQ(colour(working) >> 24, 204u);
        EXPECT_EQ(c.chosen(working) & 0xFFFFFF, 0x123456u);
        Press(IDCANCEL);
    }
}

TEST_F(DesignPages, YearMonthAndWeekdayShareOnePageReloadedFromEachGroup)
{
    Live().Design.MonthFont = {0xFF000000, L"MS UI Gothic", 9.0f, 1};
    Live().Design.WeekFont = {0x80000000, L"MS UI Gothic", 12.0f, 4};
    OpenDesign();
    HWND font = ItemPage(0);
    SelectItem(1);
    EXPECT_TRUE(ShownAndEnabled(font));
    EXPECT_FALSE(ShownAndEnabled(ItemPage(2)));
    EXPECT_TRUE(Checked(font, IDC_BOLD));
    EXPECT_FALSE(Checked(font, IDC_UNDERLINE));
    EXPECT_EQ(ItemText(font, IDC_FONT_SIZE), L"9");
    EXPECT_EQ(TrackPosition(font, IDC_TRACK1), 0);

    SelectItem(2);
    EXPECT_TRUE(ShownAndEnabled(font));
    EXPECT_EQ(sheet.DesignItems().CurrentItem(), 2);
    EXPECT_FALSE(Checked(font, IDC_BOLD));
    EXPECT_TRUE(Checked(font, IDC_UNDERLINE));
    EXPECT_EQ(ItemText(font, IDC_FONT_SIZE), L"12");
    EXPECT_EQ(TrackPosition(font, IDC_TRACK1), 50);
    // Edits now go to the weekday font.
    ToggleCheck(font, IDC_ITALIC);
    EXPECT_EQ(Working().WeekFont.Style, 6);
    EXPECT_EQ(Working().MonthFont.Style, 1);

    SelectItem(3);
    EXPECT_FALSE(ShownAndEnabled(font));
    EXPECT_TRUE(ShownAndEnabled(ItemPage(1)));
}

TEST_F(DesignPages, FaceAndSizeChoicesEditTheFont)
{
    Live().Design.MonthFont = {0xFF000000, L"MS UI Gothic", 9.0f, 0};
    OpenDesign();
    SelectItem(1);
    HWND font = ItemPage(0);
    HWND faces = GetDlgItem(font, IDC_FONT_FACE);
    ASSERT_GT(SendMessageW(faces, CB_GETCOUNT, 0, 0), 1);
    const LRESULT current = SendMessageW(faces, CB_GETCURSEL, 0, 0);
    const WPARAM other = current == 0 ? 1 : 0;
    SendMessageW(faces, CB_SETCURSEL, other, 0);
    SendCommand(font, IDC_FONT_FACE, CBN_SELCHANGE);
    EXPECT_EQ(Working().MonthFont.Name, ItemText(font, IDC_FONT_FACE));
    EXPECT_NE(Working().MonthFont.Name, L"MS UI Gothic");
    EXPECT_EQ(Working().MonthFont.Size, 9.0f) << "a new face keeps the size";

    HWND sizes = GetDlgItem(font, IDC_FONT_SIZE);
    const LRESULT last = SendMessageW(sizes, CB_GETCOUNT, 0, 0) - 1;
    ASSERT_GE(last, 0);
    SendMessageW(sizes, CB_SETCURSEL, static_cast<WPARAM>(last), 0);
    SendCommand(font, IDC_FONT_SIZE, CBN_SELCHANGE);
    EXPECT_EQ(Working().MonthFont.Size, std::stof(ItemText(font, IDC_FONT_SIZE)));
    EXPECT_TRUE(sheet.DesignItems().Changed());
}

TEST_F(DesignPages, StrikeoutSurvivesUntilAStyleBoxIsClicked)
{
    Live().Design.MonthFont.Style = 8 | 1;
    OpenDesign();
    SelectItem(1);
    HWND font = ItemPage(0);
    EXPECT_TRUE(Checked(font, IDC_BOLD));
    Slide(font, IDC_TRACK1, 30);
    SelectItem(2);
    SelectItem(1);
    EXPECT_EQ(Working().MonthFont.Style, 9);
    ToggleCheck(font, IDC_ITALIC);
    EXPECT_EQ(Working().MonthFont.Style, 3);
}

TEST_F(DesignPages, UnknownDrawingModeChecksNoButtonUntilOneIsClicked)
{
    Live().Design.Background.BackImageDraw = 3;
    Live().Design.Background.BackImagePos = 7;
    OpenDesign();
    HWND background = ItemPage(2);
    for (const int id : {IDC_DRAW_NORMAL, IDC_DRAW_STRETCH, IDC_DRAW_PARTIAL, IDC_AREA_DAYS, IDC_AREA_WHOLE})
        EXPECT_FALSE(Checked(background, id)) << id;
    ClickRadio(background, IDC_DRAW_NORMAL, IDC_DRAW_PARTIAL, IDC_DRAW_STRETCH);
    EXPECT_EQ(Working().Background.BackImageDraw, 1);
    EXPECT_EQ(Working().Background.BackImagePos, 7) << "untouched until its own buttons are used";
}

TEST_F(DesignPages, ClickingTheCheckedAreaButtonReportsNoChange)
{
    Live().Design.Background.BackImagePos = 0;
    Live().Design.Background.BackImageDraw = 2;
    MessageSpy spy;
    OpenDesign();
    HWND background = ItemPage(2);
    EXPECT_TRUE(Checked(background, IDC_AREA_DAYS));
    EXPECT_TRUE(Checked(background, IDC_DRAW_PARTIAL));
    ClickRadio(background, IDC_AREA_DAYS, IDC_AREA_WHOLE, IDC_AREA_DAYS);
    ClickRadio(background, IDC_DRAW_NORMAL, IDC_DRAW_PARTIAL, IDC_DRAW_PARTIAL);
    EXPECT_EQ(spy.changed, 0);
    EXPECT_FALSE(sheet.DesignItems().Changed());

    ClickRadio(background, IDC_AREA_DAYS, IDC_AREA_WHOLE, IDC_AREA_WHOLE);
    EXPECT_EQ(spy.changed, 1);
    EXPECT_EQ(Working().Background.BackImagePos, 1);
    Press(IDOK);
    EXPECT_EQ(Live().Design.Background.BackImagePos, 1);
    EXPECT_EQ(host.relayoutRenders, 1);
}

TEST_F(DesignPages, PictureChoiceFillsThePathWithOneChangeReport)
{
    Live().Design.Background.BackImageFile = L"C:\\old\\picture.png";
    MessageSpy spy;
    OpenDesign();
    HWND background = ItemPage(2);
    EXPECT_EQ(ItemText(background, IDC_PICTURE_PATH), L"C:\\old\\picture.png");
    EXPECT_EQ(spy.changed, 0) << "the program's own text is no edit";

    // Cancelled: nothing changes.
    g_chosenPath.clear();
    ClickButton(background, IDC_PICTURE_BROWSE);
    EXPECT_EQ(spy.changed, 0);
    EXPECT_EQ(Working().Background.BackImageFile, L"C:\\old\\picture.png");
    EXPECT_EQ(g_seenStartName, L"") << "the current path is not offered";
    EXPECT_EQ(g_seenOfn.nMaxFile, 260u);
    EXPECT_EQ(g_seenOfn.Flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_PATHMUSTEXIST));
    EXPECT_EQ(g_seenTitle, L"ピクチャファイルの選択");
    EXPECT_EQ(std::wstring(g_seenOfn.lpstrFilter), L"ピクチャファイル");
    EXPECT_EQ(std::wstring(g_seenOfn.lpstrFilter + 9), L"*.bmp;*.jpg;*.png;*.tif;*.gif");

    g_chosenPath = L"D:\\pictures\\new background.jpg";
    ClickButton(background, IDC_PICTURE_BROWSE);
    EXPECT_EQ(ItemText(background, IDC_PICTURE_PATH), g_chosenPath);
    EXPECT_EQ(Working().Background.BackImageFile, g_chosenPath);
    EXPECT_EQ(spy.changed, 1);

    // Typing edits the path at every keystroke.
    HWND edit = GetDlgItem(background, IDC_PICTURE_PATH);
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(edit));
    SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(edit, WM_CHAR, L'x', 0);
    EXPECT_EQ(Working().Background.BackImageFile, g_chosenPath + L"x");
    EXPECT_EQ(spy.changed, 2);
    // A later programmatic fill is still no edit, even after typing.
    SelectItem(1);
    SelectItem(0);
    EXPECT_EQ(spy.changed, 2);
    EXPECT_EQ(Working().Background.BackImageFile, g_chosenPath + L"x");
}

TEST_F(DesignPages, BackgroundControlsEditTheirFields)
{
    Live().Design.Background = {0x80FFFFFF, L"", 255, 0, 0, false};
    OpenDesign();
    HWND background = ItemPage(2);
    EXPECT_EQ(TrackPosition(background, 1008), 0);
    EXPECT_EQ(ItemText(background, IDC_PICTURE_ALPHA_LABEL), L"0%");
    Slide(background, 1008, 50);
    EXPECT_EQ(Working().Background.BackImageAlpha, 127);
    EXPECT_EQ(ItemText(background, IDC_PICTURE_ALPHA_LABEL), L"50%");
    ToggleCheck(background, IDC_DROP_SHADOW);
    EXPECT_TRUE(Working().Background.DropShadow);
    g_chosenColour = RGB(1, 2, 3);
    const int before = g_colourDialogs;
    ClickButton(background, IDC_COLOR2);
    EXPECT_EQ(g_colourDialogs, before + 1);
    EXPECT_EQ(Working().Background.BackColor, 0x80010203u);
}

TEST_F(DesignPages, MissingFaceLeavesNoSelectionAndKeepsTheName)
{
    Live().Design.MonthFont.Name = L"No Such Face Anywhere";
    OpenDesign();
    SelectItem(1);
    HWND font = ItemPage(0);
    EXPECT_EQ(SendDlgItemMessageW(font, IDC_FONT_FACE, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessageW(font, IDC_FONT_SIZE, CB_GETCOUNT, 0, 0), 9) << "sizes of a scalable stand-in";
    EXPECT_EQ(Working().MonthFont.Name, L"No Such Face Anywhere");
    Press(IDOK);
    EXPECT_EQ(Live().Design.MonthFont.Name, L"No Such Face Anywhere");
    EXPECT_EQ(host.relayoutRenders, 0);
}

TEST_F(DesignPages, ColourButtonsDrawTheColourTheyEdit)
{
    Live().Design.ButtonColors = {0xFF0000FF, 0x80FF0000};
    OpenDesign();
    SelectItem(6);
    HWND page = ItemPage(3);
    ASSERT_TRUE(ShownAndEnabled(page));
    for (const auto& [id, expected] : {std::pair{IDC_COLOR1, RGB(0, 0, 255)}, std::pair{IDC_COLOR2, RGB(255, 0, 0)}}) {
        HWND button = GetDlgItem(page, id);
        RECT rect{};
        GetClientRect(button, &rect);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(id);
        item.itemAction = ODA_DRAWENTIRE;
        item.hwndItem = button;
        item.hDC = dc;
        item.rcItem = rect;
        SendMessageW(page, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(GetPixel(dc, rect.right / 2, rect.bottom / 2), expected) << id;
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
}

} // namespace
