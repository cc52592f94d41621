// The child dialogs beside the Design page's item list: each edits one group of
// the working copy and reports every edit to the Design page.
#pragma once
#include "settings/Settings.h"
#include "ui/framework/Dialog.h"

#include <variant>
#include <vector>

class SettingsPage;

// One group of the working copy, as a design item refers to it.
using DesignGroup = std::variant<std::monostate, FontSetting*, DayFontGroup*, BackgroundGroup*, ButtonColorsGroup*,
                                 LNMonthFontGroup*, DayBackColorsGroup*, DayinfoGroup*>;

class DesignItemPage : public Dialog {
public:
    DesignItemPage(UINT templateId, SettingsPage& owner) : templateId_(templateId), owner_(owner) {}
    UINT TemplateId() const { return templateId_; }

    // Shows the group's values and edits that group from now on; a group of another type is ignored.
    virtual void Bind(DesignGroup group) = 0;

    // Enter and Escape belong to the sheet.
    void OnOK() override {}
    void OnCancel() override {}

protected:
    void ReportChange();

    // Track bar `track` and its label from a colour's alpha.
    void ShowTransparency(int track, int label, std::uint8_t alpha);
    // Position of track bar `track`, echoed into its label.
    int TakeTransparency(int track, int label);
    void ShowPercent(int label, int percent);

    // Face, size list and style boxes from a font.
    void ShowFont(const FontSetting& font);
    // A command from the face list, size list or style boxes; false when the id is none of them.
    bool FontCommand(FontSetting& font, UINT code, UINT id);

    // Opens the colour dialog for one colour: red, green and blue change, alpha stays.
    bool ChooseColour(Argb& colour, int button);
    void RepaintButton(int button, bool erase);

private:
    UINT templateId_;
    SettingsPage& owner_;
};

// A page described by a table: an optional font, colour buttons, and track bars
// that set the alpha of one or more colours.
template <class Group> class TablePage : public DesignItemPage {
public:
    using ColourOf = Argb& (*)(Group&);
    using FontOf = FontSetting& (*)(Group&);
    struct ColourButton {
        int id;
        ColourOf colour;
    };
    struct TrackBar {
        int id;
        int label;
        std::vector<ColourOf> colours; // all get the same alpha; the first one positions the bar
    };

    void Bind(DesignGroup group) override;

protected:
    TablePage(UINT templateId, SettingsPage& owner, FontOf font, std::vector<ColourButton> buttons,
              std::vector<TrackBar> tracks);

    bool OnInitDialog(HWND focus, LPARAM param) override;
    void OnCommand(UINT code, UINT id, HWND control) override;
    void OnDrawItem(DRAWITEMSTRUCT* item) override;
    void OnHScroll(UINT request, UINT position, HWND bar) override;

    // The controls a derived page has beyond the table.
    virtual void InitExtra() {}
    virtual void ShowExtra() {}
    virtual void CommandExtra(UINT, UINT) {}
    virtual void ScrollExtra(int) {}

    Group* group_ = nullptr;

private:
    FontOf font_;
    std::vector<ColourButton> buttons_;
    std::vector<TrackBar> tracks_;
};

class FontPage final : public TablePage<FontSetting> {
public:
    explicit FontPage(SettingsPage& owner);
};

class DayFontPage final : public TablePage<DayFontGroup> {
public:
    explicit DayFontPage(SettingsPage& owner);
};

class BackgroundPage final : public TablePage<BackgroundGroup> {
public:
    explicit BackgroundPage(SettingsPage& owner);

protected:
    void InitExtra() override;
    void ShowExtra() override;
    void CommandExtra(UINT code, UINT id) override;
    void ScrollExtra(int id) override;

private:
    void ChoosePicture();
    void SetPathText(const std::wstring& path);
    bool settingPath_ = false;
};

class ButtonPage final : public TablePage<ButtonColorsGroup> {
public:
    explicit ButtonPage(SettingsPage& owner);
};

class LNMonthPage final : public TablePage<LNMonthFontGroup> {
public:
    explicit LNMonthPage(SettingsPage& owner);
};

class DayBackPage final : public TablePage<DayBackColorsGroup> {
public:
    explicit DayBackPage(SettingsPage& owner);
};

class DayinfoTitlePage final : public TablePage<DayinfoGroup> {
public:
    explicit DayinfoTitlePage(SettingsPage& owner);
};

class DayinfoMemoPage final : public TablePage<DayinfoGroup> {
public:
    explicit DayinfoMemoPage(SettingsPage& owner);
};
