#include "settings/SettingsSheet.h"

#include "app/Application.h"
#include "res/resource.h"
#include "settings/IniFile.h"
#include "settings/IniValues.h"

#include <array>
#include <vector>
#include <type_traits>
#include <variant>

namespace {

// The encoding of a key follows from the type of its field.
using YesNoField = bool& (*)(Settings&);
using IntegerField = std::int32_t& (*)(Settings&);
using ColourField = Argb& (*)(Settings&);
using SizeField = float& (*)(Settings&);
using TextField = std::wstring& (*)(Settings&);
using Field = std::variant<YesNoField, IntegerField, ColourField, SizeField, TextField>;

struct Key {
    const wchar_t* section;
    const wchar_t* name;
    Field field;
};

constexpr wchar_t kOption[] = L"Option";
constexpr wchar_t kDesign[] = L"Design";

// Written in this order.
const std::array<Key, 48> kKeys{{
    {kOption, L"StayTop", +[](Settings& s) -> bool& { return s.StayTop; }},
    {kOption, L"ShowBegin", +[](Settings& s) -> bool& { return s.ShowBegin; }},
    {kOption, L"TodayInfo", +[](Settings& s) -> bool& { return s.TodayInfo; }},
    {kOption, L"Hotkey", +[](Settings& s) -> std::int32_t& { return s.Hotkey; }},
    {kOption, L"PosX", +[](Settings& s) -> std::int32_t& { return s.PosX; }},
    {kOption, L"PosY", +[](Settings& s) -> std::int32_t& { return s.PosY; }},
    {kDesign, L"MonthFontName", +[](Settings& s) -> std::wstring& { return s.Design.MonthFont.Name; }},
    {kDesign, L"MonthFontSize", +[](Settings& s) -> float& { return s.Design.MonthFont.Size; }},
    {kDesign, L"MonthFontStyle", +[](Settings& s) -> std::int32_t& { return s.Design.MonthFont.Style; }},
    {kDesign, L"MonthFontColor", +[](Settings& s) -> Argb& { return s.Design.MonthFont.Color; }},
    {kDesign, L"WeekFontName", +[](Settings& s) -> std::wstring& { return s.Design.WeekFont.Name; }},
    {kDesign, L"WeekFontSize", +[](Settings& s) -> float& { return s.Design.WeekFont.Size; }},
    {kDesign, L"WeekFontStyle", +[](Settings& s) -> std::int32_t& { return s.Design.WeekFont.Style; }},
    {kDesign, L"WeekFontColor", +[](Settings& s) -> Argb& { return s.Design.WeekFont.Color; }},
    {kDesign, L"DayFontName", +[](Settings& s) -> std::wstring& { return s.Design.DayFont.Font.Name; }},
    {kDesign, L"DayFontSize", +[](Settings& s) -> float& { return s.Design.DayFont.Font.Size; }},
    {kDesign, L"DayFontStyle", +[](Settings& s) -> std::int32_t& { return s.Design.DayFont.Font.Style; }},
    {kDesign, L"DayFontColor", +[](Settings& s) -> Argb& { return s.Design.DayFont.Font.Color; }},
    {kDesign, L"SunFontColor", +[](Settings& s) -> Argb& { return s.Design.DayFont.SunFontColor; }},
    {kDesign, L"SatFontColor", +[](Settings& s) -> Argb& { return s.Design.DayFont.SatFontColor; }},
    {kDesign, L"MemorialdayFontColor", +[](Settings& s) -> Argb& { return s.Design.DayFont.MemorialdayFontColor; }},
    {kDesign, L"DayBackColor", +[](Settings& s) -> Argb& { return s.Design.DayBackColors.DayBackColor; }},
    {kDesign, L"TodayBackColor", +[](Settings& s) -> Argb& { return s.Design.DayBackColors.TodayBackColor; }},
    {kDesign, L"MemodayBackColor", +[](Settings& s) -> Argb& { return s.Design.DayBackColors.MemodayBackColor; }},
    {kDesign, L"LNMonthFontName", +[](Settings& s) -> std::wstring& { return s.Design.LNMonthFont.Font.Name; }},
    {kDesign, L"LNMonthFontSize", +[](Settings& s) -> float& { return s.Design.LNMonthFont.Font.Size; }},
    {kDesign, L"LNMonthFontStyle", +[](Settings& s) -> std::int32_t& { return s.Design.LNMonthFont.Font.Style; }},
    {kDesign, L"LNMonthFontColor", +[](Settings& s) -> Argb& { return s.Design.LNMonthFont.Font.Color; }},
    {kDesign, L"LNMonthFontBackColor", +[](Settings& s) -> Argb& { return s.Design.LNMonthFont.LNMonthFontBackColor; }},
    {kDesign, L"BackColor", +[](Settings& s) -> Argb& { return s.Design.Background.BackColor; }},
    {kDesign, L"BackImageFile", +[](Settings& s) -> std::wstring& { return s.Design.Background.BackImageFile; }},
    {kDesign, L"BackImageAlpha", +[](Settings& s) -> std::int32_t& { return s.Design.Background.BackImageAlpha; }},
    {kDesign, L"BackImagePos", +[](Settings& s) -> std::int32_t& { return s.Design.Background.BackImagePos; }},
    {kDesign, L"BackImageDraw", +[](Settings& s) -> std::int32_t& { return s.Design.Background.BackImageDraw; }},
    {kDesign, L"ButtonForColor", +[](Settings& s) -> Argb& { return s.Design.ButtonColors.ButtonForColor; }},
    {kDesign, L"ButtonBackColor", +[](Settings& s) -> Argb& { return s.Design.ButtonColors.ButtonBackColor; }},
    {kDesign, L"DropShadow", +[](Settings& s) -> bool& { return s.Design.Background.DropShadow; }},
    {kDesign, L"DayinfoTitleFontName", +[](Settings& s) -> std::wstring& { return s.Design.Dayinfo.TitleFont.Name; }},
    {kDesign, L"DayinfoTitleFontSize", +[](Settings& s) -> float& { return s.Design.Dayinfo.TitleFont.Size; }},
    {kDesign, L"DayinfoTitleFontStyle", +[](Settings& s) -> std::int32_t& { return s.Design.Dayinfo.TitleFont.Style; }},
    {kDesign, L"DayinfoTitleFontColor", +[](Settings& s) -> Argb& { return s.Design.Dayinfo.TitleFont.Color; }},
    {kDesign, L"DayinfoHolidayColor", +[](Settings& s) -> Argb& { return s.Design.Dayinfo.DayinfoHolidayColor; }},
    {kDesign, L"DayinfoMemorialColor", +[](Settings& s) -> Argb& { return s.Design.Dayinfo.DayinfoMemorialColor; }},
    {kDesign, L"DayinfoMemoFontName", +[](Settings& s) -> std::wstring& { return s.Design.Dayinfo.MemoFont.Name; }},
    {kDesign, L"DayinfoMemoFontSize", +[](Settings& s) -> float& { return s.Design.Dayinfo.MemoFont.Size; }},
    {kDesign, L"DayinfoMemoFontStyle", +[](Settings& s) -> std::int32_t& { return s.Design.Dayinfo.MemoFont.Style; }},
    {kDesign, L"DayinfoMemoFontColor", +[](Settings& s) -> Argb& { return s.Design.Dayinfo.MemoFont.Color; }},
    {kDesign, L"DayinfoBackColor", +[](Settings& s) -> Argb& { return s.Design.Dayinfo.DayinfoBackColor; }},
}};

// Value text of one field; a size may keep the text it was read as.
std::wstring Encode(const Field& field, Settings& settings, std::wstring_view sizeText = {})
{
    return std::visit(
        [&](auto get) -> std::wstring {
            auto& value = get(settings);
            using T = std::remove_reference_t<decltype(value)>;
            if constexpr (std::is_same_v<T, bool>)
                return ini::FormatYesNo(value);
            else if constexpr (std::is_same_v<T, std::int32_t>)
                return ini::FormatInteger(value);
            else if constexpr (std::is_same_v<T, Argb>)
                return ini::FormatColour(value);
            else if constexpr (std::is_same_v<T, float>)
                return ini::FormatSizeKeeping(value, sizeText);
            else
                return value;
        },
        field);
}

void Decode(const Field& field, Settings& settings, const std::wstring& text)
{
    std::visit(
        [&](auto get) {
            auto& value = get(settings);
            using T = std::remove_reference_t<decltype(value)>;
            if constexpr (std::is_same_v<T, bool>)
                value = ini::ParseYesNo(text);
            else if constexpr (std::is_same_v<T, std::int32_t>)
                value = ini::ParseInteger(text);
            else if constexpr (std::is_same_v<T, Argb>)
                value = ini::ParseColour(text);
            else if constexpr (std::is_same_v<T, float>)
                value = ini::ParseSize(text);
            else
                value = text;
        },
        field);
}

bool IsSize(const Field& field) { return std::holds_alternative<SizeField>(field); }

} // namespace

SettingsSheet::SettingsSheet() : general_(*this), design_(*this), online_(*this)
{
    AddPage(&general_);
    AddPage(&design_);
    AddPage(&online_);
    AddIniSection(&reminder_);
    AddIniSection(&subscriptions_);
    live_.Design = DesignSettings{};
    live_.StayTop = false;
    live_.TodayInfo = true;
    live_.ShowBegin = true;
    live_.Hotkey = 0x0443;
}

std::wstring SettingsSheet::DataDirectory() const
{
    std::wstring path = iniDirectory_;
    if (path.empty() && TheApp() != nullptr)
        TheApp()->ModuleDirectory(path);
    return path;
}

std::wstring SettingsSheet::IniPath() const
{
    const std::wstring path = DataDirectory();
    std::wstring name = ResString(IDS_INI_FILE);
    // Without its string the program must still not write to the directory name itself.
    if (name.empty())
        name = L"qv.ini";
    return path + name;
}

namespace {
// Every key's text from the file, in the table's order; missing keys (all
// of them without a file) give the defaults' texts.
std::vector<std::wstring> ReadKeys(const IniFile* file)
{
    Settings defaults;
    std::vector<std::wstring> texts;
    texts.reserve(kKeys.size());
    for (const Key& key : kKeys) {
        std::wstring text = Encode(key.field, defaults);
        texts.push_back(file != nullptr ? file->Read(key.section, key.name, text) : std::move(text));
    }
    return texts;
}
} // namespace

std::vector<std::vector<IniEntry>> SettingsSheet::SectionEntries() const
{
    std::vector<std::vector<IniEntry>> entries(sections_.size());
    for (std::size_t i = 0; i < sections_.size(); ++i)
        sections_[i]->AppendEntries(entries[i]);
    return entries;
}

void SettingsSheet::TakeKeys(const std::vector<std::wstring>& texts, Settings* unless)
{
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        const Key& key = kKeys[i];
        if (unless != nullptr) {
            const std::wstring now = Encode(key.field, live_);
            if (now != Encode(key.field, *unless))
                continue;
        }
        Decode(key.field, live_, texts[i]);
        if (IsSize(key.field))
            sizeTexts_[key.name] = texts[i];
    }
}

bool SettingsSheet::LoadSettings()
{
    tried_ = true;
    IniFile file(IniPath(), writeHook_);
    loaded_ = file.Open();
    error_ = file.Error();
    // An unreadable file gives every key its default, as a missing one does.
    sizeTexts_.clear();
    TakeKeys(ReadKeys(loaded_ ? &file : nullptr), nullptr);
    if (loaded_)
        for (IniSection* section : sections_)
            section->Load(file);
    loadedValues_ = live_;
    loadedSections_ = SectionEntries();
    return loaded_;
}

bool SettingsSheet::LoadLate()
{
    IniFile file(IniPath(), writeHook_);
    if (!file.Open()) {
        error_ = file.Error();
        return false;
    }
    TakeKeys(ReadKeys(&file), &loadedValues_);
    const std::vector<std::vector<IniEntry>> now = SectionEntries();
    for (std::size_t i = 0; i < sections_.size(); ++i)
        if (i >= loadedSections_.size() || now[i] == loadedSections_[i])
            sections_[i]->Load(file);
    loaded_ = lateLoad_ = true;
    return true;
}

bool SettingsSheet::SaveSettings()
{
    // Defaults must not overwrite a file that was never read.
    if (!tried_)
        return true;
    if (!loaded_ && !LoadLate())
        return false;
    std::vector<IniEntry> entries;
    entries.reserve(kKeys.size());
    for (const Key& key : kKeys) {
        std::wstring_view sizeText;
        if (IsSize(key.field)) {
            const auto it = sizeTexts_.find(key.name);
            if (it != sizeTexts_.end())
                sizeText = it->second;
        }
        entries.push_back({key.section, key.name, Encode(key.field, live_, sizeText)});
    }
    for (const IniSection* section : sections_)
        section->AppendEntries(entries);
    IniFile file(IniPath(), writeHook_);
    if (!file.Write(entries)) {
        error_ = file.Error();
        return false;
    }
    error_ = {};
    return true;
}

SettingsSheet::~SettingsSheet()
{
    // The pages die with this object: their windows must not outlive them.
    if (open_ && IsWindow(Handle()))
        DestroyWindow(Handle());
}

HWND SettingsSheet::OpenSettings(SettingsHost* host)
{
    host_ = host;
    // One sheet over the pages at a time.
    if (HWND open = SheetWindow(); open != nullptr && IsWindow(open)) {
        ShowWindow(open, SW_SHOW);
        SetForegroundWindow(open);
        return open;
    }
    // The pages show the file's settings if it can be read now; an Apply must not
    // write the defaults they would show otherwise over them.
    if (tried_ && !loaded_ && LoadLate() && host != nullptr) {
        host->Render(true);
        host->ApplyHotKey();
    }
    const std::wstring caption = ResString(IDS_SETTINGS_CAPTION);
    const INT_PTR result =
        Show(PSH_MODELESS | PSH_NOCONTEXTHELP, host != nullptr ? host->HostWindow() : nullptr, 0, caption.c_str(), 0);
    if (result == 0 || result == -1)
        return nullptr;
    open_ = true;
    return Handle();
}

void SettingsSheet::OnCommand(UINT code, UINT id, HWND control)
{
    // The sheet's own procedure applies (OK) or resets (Cancel) the pages first.
    applied_ = false;
    PropertySheet::OnCommand(code, id, control);
    // One write for all pages that applied.
    if (applied_ && host_ != nullptr)
        host_->StoreSettings();
    if (!open_)
        return;
    // A page that refused to apply keeps the sheet open on it.
    if ((id == IDOK && WantsToClose()) || id == IDCANCEL)
        CloseSheet();
}

void SettingsSheet::OnSysCommand(UINT command, int x, int y)
{
    // The close box discards without telling the pages.
    if ((command & 0xFFF0) == SC_CLOSE) {
        CloseSheet();
        return;
    }
    PropertySheet::OnSysCommand(command, x, y);
}

void SettingsSheet::OnDestroy()
{
    PropertySheet::OnDestroy();
    open_ = false;
}

void SettingsSheet::CloseSheet()
{
    if (open_ && IsWindow(Handle()))
        DestroyWindow(Handle());
}
