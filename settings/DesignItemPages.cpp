#include "settings/DesignItemPages.h"

#include "app/Application.h"
#include "res/resource.h"
#include "settings/SettingsControls.h"
#include "settings/SettingsPages.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace {

// The whole points of a size as the size list selects them; unusable sizes select the smallest.
int WholePoints(float size)
{
    if (!std::isfinite(size) || size < 0.0f)
        return 0;
    return size > 10000.0f ? 10000 : static_cast<int>(size);
}

} // namespace

// --- DesignItemPage ------------------------------------------------------------

void DesignItemPage::ReportChange() { owner_.MarkChanged(); }

void DesignItemPage::ShowPercent(int label, int percent)
{
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"%d%%", percent);
    SetDlgItemTextW(Handle(), label, text);
}

void DesignItemPage::ShowTransparency(int track, int label, std::uint8_t alpha)
{
    const int percent = AlphaToTransparency(alpha);
    SendDlgItemMessageW(Handle(), track, TBM_SETPOS, TRUE, percent);
    ShowPercent(label, percent);
}

int DesignItemPage::TakeTransparency(int track, int label)
{
    const int percent = static_cast<int>(SendDlgItemMessageW(Handle(), track, TBM_GETPOS, 0, 0));
    ShowPercent(label, percent);
    return percent;
}

void DesignItemPage::ShowFont(const FontSetting& font)
{
    HWND face = GetDlgItem(Handle(), IDC_FONT_FACE);
    LRESULT index = CB_ERR;
    if (!font.Name.empty())
        index = SendMessageW(face, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(font.Name.c_str()));
    SendMessageW(face, CB_SETCURSEL, static_cast<WPARAM>(index == CB_ERR ? -1 : index), 0);
    FillFontSizes(face, GetDlgItem(Handle(), IDC_FONT_SIZE), WholePoints(font.Size));
    CheckDlgButton(Handle(), IDC_BOLD, (font.Style & 1) != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_ITALIC, (font.Style & 2) != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_UNDERLINE, (font.Style & 4) != 0 ? BST_CHECKED : BST_UNCHECKED);
}

bool DesignItemPage::FontCommand(FontSetting& font, UINT code, UINT id)
{
    switch (id) {
    case IDC_FONT_FACE:
        if (code == CBN_SELCHANGE) {
            GetItemText(IDC_FONT_FACE, font.Name);
            ReportChange();
        }
        return true;
    case IDC_FONT_SIZE:
        if (code == CBN_SELCHANGE) {
            std::wstring text;
            GetItemText(IDC_FONT_SIZE, text);
            const float size = std::wcstof(text.c_str(), nullptr);
            if (std::isfinite(size) && size > 0.0f) {
                font.Size = size;
                ReportChange();
            }
        }
        return true;
    case IDC_BOLD:
    case IDC_ITALIC:
    case IDC_UNDERLINE:
        // The three boxes replace every style bit, strikeout included.
        font.Style = (IsDlgButtonChecked(Handle(), IDC_BOLD) == BST_CHECKED ? 1 : 0) |
                     (IsDlgButtonChecked(Handle(), IDC_ITALIC) == BST_CHECKED ? 2 : 0) |
                     (IsDlgButtonChecked(Handle(), IDC_UNDERLINE) == BST_CHECKED ? 4 : 0);
        ReportChange();
        return true;
    default: return false;
    }
}

bool DesignItemPage::ChooseColour(Argb& colour, int button)
{
    COLORREF rgb = ToColorRef(colour);
    if (!ChooseColorFor(Handle(), rgb))
        return false;
    colour = WithRgb(colour, rgb);
    RepaintButton(button, false);
    ReportChange();
    return true;
}

void DesignItemPage::RepaintButton(int button, bool erase)
{
    InvalidateRect(GetDlgItem(Handle(), button), nullptr, erase ? TRUE : FALSE);
}

// --- TablePage -------------------------------------------------------------------

template <class Group> TablePage<Group>::TablePage(UINT templateId, SettingsPage& owner, FontOf font,
                                                   std::vector<ColourButton> buttons, std::vector<TrackBar> tracks)
    : DesignItemPage(templateId, owner), font_(font), buttons_(std::move(buttons)), tracks_(std::move(tracks))
{
}

template <class Group> bool TablePage<Group>::OnInitDialog(HWND, LPARAM)
{
    if (font_ != nullptr)
        FillFontNames(GetDlgItem(Handle(), IDC_FONT_FACE));
    for (const TrackBar& track : tracks_)
        SendDlgItemMessageW(Handle(), track.id, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
    InitExtra();
    return true;
}

template <class Group> void TablePage<Group>::Bind(DesignGroup group)
{
    Group* const* bound = std::get_if<Group*>(&group);
    if (bound == nullptr || *bound == nullptr)
        return;
    group_ = *bound;
    if (font_ != nullptr)
        ShowFont(font_(*group_));
    for (const TrackBar& track : tracks_)
        ShowTransparency(track.id, track.label, AlphaOf(track.colours.front()(*group_)));
    ShowExtra();
    for (const ColourButton& button : buttons_)
        RepaintButton(button.id, true);
}

template <class Group> void TablePage<Group>::OnCommand(UINT code, UINT id, HWND)
{
    if (group_ == nullptr)
        return;
    if (font_ != nullptr && FontCommand(font_(*group_), code, id))
        return;
    for (const ColourButton& button : buttons_)
        if (static_cast<UINT>(button.id) == id) {
            ChooseColour(button.colour(*group_), button.id);
            return;
        }
    CommandExtra(code, id);
}

template <class Group> void TablePage<Group>::OnDrawItem(DRAWITEMSTRUCT* item)
{
    if (group_ == nullptr || item == nullptr)
        return;
    for (const ColourButton& button : buttons_)
        if (static_cast<UINT>(button.id) == item->CtlID) {
            DrawColorButton(*item, ToColorRef(button.colour(*group_)));
            return;
        }
}

template <class Group> void TablePage<Group>::OnHScroll(UINT, UINT, HWND bar)
{
    if (group_ == nullptr || bar == nullptr)
        return;
    const int id = GetDlgCtrlID(bar);
    for (const TrackBar& track : tracks_)
        if (track.id == id) {
            const std::uint8_t alpha = TransparencyToAlpha(TakeTransparency(track.id, track.label));
            for (const ColourOf colour : track.colours)
                colour(*group_) = WithAlpha(colour(*group_), alpha);
            ReportChange();
            return;
        }
    ScrollExtra(id);
}

template class TablePage<FontSetting>;
template class TablePage<DayFontGroup>;
template class TablePage<BackgroundGroup>;
template class TablePage<ButtonColorsGroup>;
template class TablePage<LNMonthFontGroup>;
template class TablePage<DayBackColorsGroup>;
template class TablePage<DayinfoGroup>;

// --- The eight pages ----------------------------------------------------------------

FontPage::FontPage(SettingsPage& owner)
    : TablePage(IDD_FONT, owner, +[](FontSetting& f) -> FontSetting& { return f; },
                {{IDC_COLOR1, +[](FontSetting& f) -> Argb& { return f.Color; }}},
                {{IDC_TRACK1, IDC_TRACK1_LABEL, {+[](FontSetting& f) -> Argb& { return f.Color; }}}})
{
}

DayFontPage::DayFontPage(SettingsPage& owner)
    : TablePage(IDD_DAYFONT, owner, +[](DayFontGroup& g) -> FontSetting& { return g.Font; },
                {
                    {IDC_WEEKDAY_COLOR, +[](DayFontGroup& g) -> Argb& { return g.Font.Color; }},
                    {IDC_SUN_COLOR, +[](DayFontGroup& g) -> Argb& { return g.SunFontColor; }},
                    {IDC_SAT_COLOR, +[](DayFontGroup& g) -> Argb& { return g.SatFontColor; }},
                    {IDC_COLOR_C, +[](DayFontGroup& g) -> Argb& { return g.MemorialdayFontColor; }},
                },
                {{IDC_TRACK1,
                  IDC_TRACK1_LABEL,
                  {
                      +[](DayFontGroup& g) -> Argb& { return g.Font.Color; },
                      +[](DayFontGroup& g) -> Argb& { return g.SunFontColor; },
                      +[](DayFontGroup& g) -> Argb& { return g.SatFontColor; },
                      +[](DayFontGroup& g) -> Argb& { return g.MemorialdayFontColor; },
                  }}})
{
}

BackgroundPage::BackgroundPage(SettingsPage& owner)
    : TablePage(IDD_BACKGROUND, owner, nullptr,
                {{IDC_COLOR2, +[](BackgroundGroup& g) -> Argb& { return g.BackColor; }}},
                {{IDC_TRACK2, IDC_TRACK2_LABEL, {+[](BackgroundGroup& g) -> Argb& { return g.BackColor; }}}})
{
}

void BackgroundPage::InitExtra()
{
    SendDlgItemMessageW(Handle(), IDC_PICTURE_ALPHA, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
}

void BackgroundPage::SetPathText(const std::wstring& path)
{
    // Text the program puts in is not the user's typing.
    settingPath_ = true;
    SetDlgItemTextW(Handle(), IDC_PICTURE_PATH, path.c_str());
    SendDlgItemMessageW(Handle(), IDC_PICTURE_PATH, EM_SETMODIFY, FALSE, 0);
    settingPath_ = false;
}

void BackgroundPage::ShowExtra()
{
    SetPathText(group_->BackImageFile);
    const int alpha = std::clamp(group_->BackImageAlpha, 0, 255);
    ShowTransparency(IDC_PICTURE_ALPHA, IDC_PICTURE_ALPHA_LABEL, static_cast<std::uint8_t>(alpha));
    // Values the page does not offer leave every button of their group unchecked.
    const int pos = group_->BackImagePos;
    CheckDlgButton(Handle(), IDC_AREA_DAYS, pos == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_AREA_WHOLE, pos == 1 ? BST_CHECKED : BST_UNCHECKED);
    const int draw = group_->BackImageDraw;
    CheckDlgButton(Handle(), IDC_DRAW_NORMAL, draw == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_DRAW_STRETCH, draw == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_DRAW_PARTIAL, draw == 2 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Handle(), IDC_DROP_SHADOW, group_->DropShadow ? BST_CHECKED : BST_UNCHECKED);
}

void BackgroundPage::CommandExtra(UINT code, UINT id)
{
    switch (id) {
    case IDC_PICTURE_PATH:
        if (code == EN_CHANGE && !settingPath_ &&
            SendDlgItemMessageW(Handle(), IDC_PICTURE_PATH, EM_GETMODIFY, 0, 0) != 0) {
            GetItemText(IDC_PICTURE_PATH, group_->BackImageFile);
            ReportChange();
        }
        break;
    case IDC_PICTURE_BROWSE:
        if (code == BN_CLICKED)
            ChoosePicture();
        break;
    case IDC_AREA_DAYS:
    case IDC_AREA_WHOLE: {
        const int checked = CheckedButton(IDC_AREA_DAYS, IDC_AREA_WHOLE);
        if (checked >= 0 && checked - IDC_AREA_DAYS != group_->BackImagePos) {
            group_->BackImagePos = checked - IDC_AREA_DAYS;
            ReportChange();
        }
        break;
    }
    case IDC_DRAW_NORMAL:
    case IDC_DRAW_STRETCH:
    case IDC_DRAW_PARTIAL: {
        const int checked = CheckedButton(IDC_DRAW_NORMAL, IDC_DRAW_PARTIAL);
        if (checked >= 0 && checked - IDC_DRAW_NORMAL != group_->BackImageDraw) {
            group_->BackImageDraw = checked - IDC_DRAW_NORMAL;
            ReportChange();
        }
        break;
    }
    case IDC_DROP_SHADOW:
        group_->DropShadow = IsDlgButtonChecked(Handle(), IDC_DROP_SHADOW) == BST_CHECKED;
        ReportChange();
        break;
    default: break;
    }
}

void BackgroundPage::ScrollExtra(int id)
{
    if (id != IDC_PICTURE_ALPHA)
        return;
    group_->BackImageAlpha = TransparencyToAlpha(TakeTransparency(IDC_PICTURE_ALPHA, IDC_PICTURE_ALPHA_LABEL));
    ReportChange();
}

void BackgroundPage::ChoosePicture()
{
    std::wstring file = group_->BackImageFile;
    if (!ChoosePictureFile(Handle(), file))
        return;
    SetPathText(file);
    group_->BackImageFile = file;
    ReportChange();
}

ButtonPage::ButtonPage(SettingsPage& owner)
    : TablePage(IDD_BUTTON, owner, nullptr,
                {
                    {IDC_COLOR1, +[](ButtonColorsGroup& g) -> Argb& { return g.ButtonForColor; }},
                    {IDC_COLOR2, +[](ButtonColorsGroup& g) -> Argb& { return g.ButtonBackColor; }},
                },
                {
                    {IDC_TRACK1, IDC_TRACK1_LABEL, {+[](ButtonColorsGroup& g) -> Argb& { return g.ButtonForColor; }}},
                    {IDC_TRACK2, IDC_TRACK2_LABEL, {+[](ButtonColorsGroup& g) -> Argb& { return g.ButtonBackColor; }}},
                })
{
}

LNMonthPage::LNMonthPage(SettingsPage& owner)
    : TablePage(
          IDD_LNMONTH, owner, +[](LNMonthFontGroup& g) -> FontSetting& { return g.Font; },
          {
              {IDC_COLOR1, +[](LNMonthFontGroup& g) -> Argb& { return g.Font.Color; }},
              {IDC_COLOR2, +[](LNMonthFontGroup& g) -> Argb& { return g.LNMonthFontBackColor; }},
          },
          {
              {IDC_TRACK1, IDC_TRACK1_LABEL, {+[](LNMonthFontGroup& g) -> Argb& { return g.Font.Color; }}},
              {IDC_TRACK2, IDC_TRACK2_LABEL, {+[](LNMonthFontGroup& g) -> Argb& { return g.LNMonthFontBackColor; }}},
          })
{
}

DayBackPage::DayBackPage(SettingsPage& owner)
    : TablePage(IDD_DAYBACK, owner, nullptr,
                {
                    {IDC_COLOR_A, +[](DayBackColorsGroup& g) -> Argb& { return g.DayBackColor; }},
                    {IDC_COLOR_B, +[](DayBackColorsGroup& g) -> Argb& { return g.TodayBackColor; }},
                    {IDC_COLOR_C, +[](DayBackColorsGroup& g) -> Argb& { return g.MemodayBackColor; }},
                },
                {
                    {IDC_TRACK2, IDC_TRACK2_LABEL, {+[](DayBackColorsGroup& g) -> Argb& { return g.DayBackColor; }}},
                    {IDC_TODAY_TRACK, IDC_TODAY_TRACK_LABEL, {+[](DayBackColorsGroup& g) -> Argb& {
                         return g.TodayBackColor;
                     }}},
                    {IDC_MEMODAY_TRACK, IDC_MEMODAY_TRACK_LABEL, {+[](DayBackColorsGroup& g) -> Argb& {
                         return g.MemodayBackColor;
                     }}},
                })
{
}

DayinfoTitlePage::DayinfoTitlePage(SettingsPage& owner)
    : TablePage(IDD_DAYINFO_TITLE, owner, +[](DayinfoGroup& g) -> FontSetting& { return g.TitleFont; },
                {
                    {IDC_COLOR_A, +[](DayinfoGroup& g) -> Argb& { return g.TitleFont.Color; }},
                    {IDC_HOLIDAY_COLOR, +[](DayinfoGroup& g) -> Argb& { return g.DayinfoHolidayColor; }},
                    {IDC_COLOR_C, +[](DayinfoGroup& g) -> Argb& { return g.DayinfoMemorialColor; }},
                },
                {{IDC_TRACK1,
                  IDC_TRACK1_LABEL,
                  {
                      +[](DayinfoGroup& g) -> Argb& { return g.TitleFont.Color; },
                      +[](DayinfoGroup& g) -> Argb& { return g.DayinfoHolidayColor; },
                      +[](DayinfoGroup& g) -> Argb& { return g.DayinfoMemorialColor; },
                  }}})
{
}

DayinfoMemoPage::DayinfoMemoPage(SettingsPage& owner)
    : TablePage(IDD_DAYINFO_MEMO, owner, +[](DayinfoGroup& g) -> FontSetting& { return g.MemoFont; },
                {
                    {IDC_COLOR1, +[](DayinfoGroup& g) -> Argb& { return g.MemoFont.Color; }},
                    {IDC_COLOR2, +[](DayinfoGroup& g) -> Argb& { return g.DayinfoBackColor; }},
                },
                {
                    {IDC_TRACK1, IDC_TRACK1_LABEL, {+[](DayinfoGroup& g) -> Argb& { return g.MemoFont.Color; }}},
                    {IDC_TRACK2, IDC_TRACK2_LABEL, {+[](DayinfoGroup& g) -> Argb& { return g.DayinfoBackColor; }}},
                })
{
}
