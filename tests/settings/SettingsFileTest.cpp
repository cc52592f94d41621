// qv.ini through SettingsSheet: defaults, encodings, round trips, Unicode, hostile values.
#include "IniTestSupport.h"
#include "app/Application.h"
#include "settings/SettingsSheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace {

class SettingsFile : public testing::Test {
protected:
    TempDir dir;
    std::filesystem::path Ini() const { return dir.Path() / L"qv.ini"; }

    // A sheet on the directory's qv.ini, not loaded yet.
    std::unique_ptr<SettingsSheet> Sheet() const
    {
        auto sheet = std::make_unique<SettingsSheet>();
        sheet->SetIniDirectory(dir.WithSlash());
        return sheet;
    }
    std::unique_ptr<SettingsSheet> Loaded() const
    {
        auto sheet = Sheet();
        sheet->LoadSettings();
        return sheet;
    }
};

// Every key, in the order it must be written, with its default text.
const std::vector<IniEntry> kDefaultFile = {
    {L"Option", L"StayTop", L"No"},
    {L"Option", L"ShowBegin", L"Yes"},
    {L"Option", L"TodayInfo", L"Yes"},
    {L"Option", L"Hotkey", L"1091"},
    {L"Option", L"PosX", L"200"},
    {L"Option", L"PosY", L"100"},
    {L"Design", L"MonthFontName", L"MS UI Gothic"},
    {L"Design", L"MonthFontSize", L"9"},
    {L"Design", L"MonthFontStyle", L"0"},
    {L"Design", L"MonthFontColor", L"-16777216"},
    {L"Design", L"WeekFontName", L"MS UI Gothic"},
    {L"Design", L"WeekFontSize", L"7"},
    {L"Design", L"WeekFontStyle", L"0"},
    {L"Design", L"WeekFontColor", L"-16777216"},
    {L"Design", L"DayFontName", L"MS UI Gothic"},
    {L"Design", L"DayFontSize", L"10"},
    {L"Design", L"DayFontStyle", L"0"},
    {L"Design", L"DayFontColor", L"-16777216"},
    {L"Design", L"SunFontColor", L"-65536"},
    {L"Design", L"SatFontColor", L"-16776961"},
    {L"Design", L"MemorialdayFontColor", L"-32704"},
    {L"Design", L"DayBackColor", L"-1644826"},
    {L"Design", L"TodayBackColor", L"-12600328"},
    {L"Design", L"MemodayBackColor", L"-866492"},
    {L"Design", L"LNMonthFontName", L"MS UI Gothic"},
    {L"Design", L"LNMonthFontSize", L"8"},
    {L"Design", L"LNMonthFontStyle", L"0"},
    {L"Design", L"LNMonthFontColor", L"-10197916"},
    {L"Design", L"LNMonthFontBackColor", L"853335240"},
    {L"Design", L"BackColor", L"-2130706433"},
    {L"Design", L"BackImageFile", L""},
    {L"Design", L"BackImageAlpha", L"255"},
    {L"Design", L"BackImagePos", L"0"},
    {L"Design", L"BackImageDraw", L"0"},
    {L"Design", L"ButtonForColor", L"-16777216"},
    {L"Design", L"ButtonBackColor", L"-2302756"},
    {L"Design", L"DropShadow", L"No"},
    {L"Design", L"DayinfoTitleFontName", L"MS UI Gothic"},
    {L"Design", L"DayinfoTitleFontSize", L"9"},
    {L"Design", L"DayinfoTitleFontStyle", L"0"},
    {L"Design", L"DayinfoTitleFontColor", L"-16777216"},
    {L"Design", L"DayinfoHolidayColor", L"-65536"},
    {L"Design", L"DayinfoMemorialColor", L"-16776961"},
    {L"Design", L"DayinfoMemoFontName", L"MS UI Gothic"},
    {L"Design", L"DayinfoMemoFontSize", L"8"},
    {L"Design", L"DayinfoMemoFontStyle", L"0"},
    {L"Design", L"DayinfoMemoFontColor", L"-16777216"},
    {L"Design", L"DayinfoBackColor", L"-587202561"},
};

using ColourRef = std::function<Argb&(Settings&)>;
const std::vector<ColourRef> kColours = {
    [](Settings& s) -> Argb& { return s.Design.MonthFont.Color; },
    [](Settings& s) -> Argb& { return s.Design.WeekFont.Color; },
    [](Settings& s) -> Argb& { return s.Design.DayFont.Font.Color; },
    [](Settings& s) -> Argb& { return s.Design.DayFont.SunFontColor; },
    [](Settings& s) -> Argb& { return s.Design.DayFont.SatFontColor; },
    [](Settings& s) -> Argb& { return s.Design.DayFont.MemorialdayFontColor; },
    [](Settings& s) -> Argb& { return s.Design.DayBackColors.DayBackColor; },
    [](Settings& s) -> Argb& { return s.Design.DayBackColors.TodayBackColor; },
    [](Settings& s) -> Argb& { return s.Design.DayBackColors.MemodayBackColor; },
    [](Settings& s) -> Argb& { return s.Design.LNMonthFont.Font.Color; },
    [](Settings& s) -> Argb& { return s.Design.LNMonthFont.LNMonthFontBackColor; },
    [](Settings& s) -> Argb& { return s.Design.Background.BackColor; },
    [](Settings& s) -> Argb& { return s.Design.ButtonColors.ButtonForColor; },
    [](Settings& s) -> Argb& { return s.Design.ButtonColors.ButtonBackColor; },
    [](Settings& s) -> Argb& { return s.Design.Dayinfo.TitleFont.Color; },
    [](Settings& s) -> Argb& { return s.Design.Dayinfo.DayinfoHolidayColor; },
    [](Settings& s) -> Argb& { return s.Design.Dayinfo.DayinfoMemorialColor; },
    [](Settings& s) -> Argb& { return s.Design.Dayinfo.MemoFont.Color; },
    [](Settings& s) -> Argb& { return s.Design.Dayinfo.DayinfoBackColor; },
};

TEST_F(SettingsFile, FirstSaveCreatesUnicodeFileWithEveryKeyInOrder)
{
    auto sheet = Sheet();
    sheet->LoadSettings(); // no file: defaults, and loading creates nothing
    EXPECT_FALSE(std::filesystem::exists(Ini()));
    EXPECT_EQ(sheet->Live().PosX, 200);
    EXPECT_EQ(sheet->Live().Hotkey, 0x0443);
    EXPECT_TRUE(sheet->Live().ShowBegin);

    sheet->SaveSettings();
    const auto bytes = ReadBytes(Ini());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(ParseIni(ReadIniText(Ini())), kDefaultFile);
}

TEST_F(SettingsFile, LoadOverwritesEveryFieldWithDefaultsForMissingKeys)
{
    WriteUtf16Ini(Ini(), L"[Option]\r\nPosX=5\r\n");
    auto sheet = Sheet();
    sheet->Live().PosY = 77;
    sheet->Live().StayTop = true;
    sheet->Design().DayFont.Font.Name = L"Arial";
    sheet->Design().Background.BackColor = 0x12345678;
    sheet->LoadSettings();
    EXPECT_EQ(sheet->Live().PosX, 5);
    EXPECT_EQ(sheet->Live().PosY, 100);
    EXPECT_FALSE(sheet->Live().StayTop);
    EXPECT_EQ(sheet->Design().DayFont.Font.Name, L"MS UI Gothic");
    EXPECT_EQ(sheet->Design().Background.BackColor, 0x80FFFFFFu);
}

TEST_F(SettingsFile, EveryColourSurvivesBitForBit)
{
    const Argb values[] = {0x80000000, 0xFFFFFFFF, 0x7FFFFFFF, 0x00000000, 0x00000001, 0x80FFFFFF, 0xFF000000,
                           0x01020304, 0xFEDCBA98, 0x7F000000, 0x80000001, 0xDCFFFFFF, 0x32DCDCC8, 0xFFFFFFFE,
                           0x00FFFFFF, 0xC0000000, 0x3FFFFFFF, 0xAAAAAAAA, 0x55555555};
    ASSERT_EQ(std::size(values), kColours.size());
    auto sheet = Sheet();
    for (std::size_t i = 0; i < kColours.size(); ++i)
        kColours[i](sheet->Live()) = values[i];
    sheet->SaveSettings();
    EXPECT_EQ(IniValue(Ini(), L"Design", L"MonthFontColor"), L"-2147483648");
    EXPECT_EQ(IniValue(Ini(), L"Design", L"WeekFontColor"), L"-1");
    EXPECT_EQ(IniValue(Ini(), L"Design", L"DayFontColor"), L"2147483647");

    const auto loaded = Loaded();
    for (std::size_t i = 0; i < kColours.size(); ++i)
        EXPECT_EQ(kColours[i](loaded->Live()), values[i]) << "colour " << i;
}

TEST_F(SettingsFile, YesOnlyWithCapitalY)
{
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"Yes", true}, {L"yes", false},  {L"YES", false},  {L"No", false},
        {L"1", false},  {L"True", false}, {L"Yesx", false},
    };
    for (const auto& [text, expected] : cases) {
        WriteUtf16Ini(Ini(), std::wstring(L"[Option]\r\nStayTop=") + text + L"\r\nShowBegin=" + text +
                                 L"\r\n[Design]\r\nDropShadow=" + text + L"\r\n");
        const auto sheet = Loaded();
        EXPECT_EQ(sheet->Live().StayTop, expected) << text;
        EXPECT_EQ(sheet->Live().ShowBegin, expected) << text;
        EXPECT_EQ(sheet->Design().Background.DropShadow, expected) << text;
        std::filesystem::remove(Ini());
    }
}

TEST_F(SettingsFile, FractionalSizeIsUsedAndWrittenWhole)
{
    WriteUtf16Ini(Ini(), L"[Design]\r\nDayFontSize=10.4\r\nMonthFontSize=12.75\r\nWeekFontSize=abc\r\n");
    auto sheet = Loaded();
    EXPECT_FLOAT_EQ(sheet->Design().DayFont.Font.Size, 10.4f);
    EXPECT_FLOAT_EQ(sheet->Design().MonthFont.Size, 12.75f);
    EXPECT_EQ(sheet->Design().WeekFont.Size, 0.0f);
    sheet->SaveSettings();
    EXPECT_EQ(IniValue(Ini(), L"Design", L"DayFontSize"), L"10");
    EXPECT_EQ(IniValue(Ini(), L"Design", L"MonthFontSize"), L"13");
    EXPECT_EQ(IniValue(Ini(), L"Design", L"WeekFontSize"), L"0");
}

TEST_F(SettingsFile, LongTextsReadWhole)
{
    // Around each buffer size the reader passes through, and well beyond.
    for (std::size_t length : {253u, 254u, 255u, 256u, 300u, 509u, 510u, 511u, 1000u, 5000u}) {
        std::wstring name;
        for (std::size_t i = 0; i < length; ++i)
            name.push_back(static_cast<wchar_t>(L'a' + i % 26));
        name.back() = L'Z';
        WriteUtf16Ini(Ini(), L"[Design]\r\nMonthFontName=" + name + L"\r\n");
        auto sheet = Loaded();
        EXPECT_EQ(sheet->Design().MonthFont.Name, name) << length;
        sheet->Design().WeekFont.Name = name + L"W";
        sheet->SaveSettings();
        EXPECT_EQ(Loaded()->Design().WeekFont.Name, name + L"W") << length;
        std::filesystem::remove(Ini());
    }
}

TEST_F(SettingsFile, JapaneseTextSurvivesAsUtf16)
{
    const std::wstring font = L"ＭＳ Ｐゴシック";
    const std::wstring picture = dir.WithSlash() + L"写真\\背景画像\\カレンダー.png";
    auto sheet = Sheet();
    sheet->Design().DayFont.Font.Name = font;
    sheet->Design().Dayinfo.MemoFont.Name = L"メイリオ";
    sheet->Design().Background.BackImageFile = picture;
    sheet->SaveSettings();

    const auto bytes = ReadBytes(Ini());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_TRUE(ContainsUtf16(bytes, L"DayFontName=" + font));
    EXPECT_TRUE(ContainsUtf16(bytes, L"BackImageFile=" + picture));

    const auto loaded = Loaded();
    EXPECT_EQ(loaded->Design().DayFont.Font.Name, font);
    EXPECT_EQ(loaded->Design().Dayinfo.MemoFont.Name, L"メイリオ");
    EXPECT_EQ(loaded->Design().Background.BackImageFile, picture);
}

TEST_F(SettingsFile, OtherSectionsUnknownKeysAndCommentsStay)
{
    WriteUtf16Ini(Ini(), L"; 手書きのメモ\r\n[Window]\r\nLeft=12\r\n[Option]\r\nPosX=3\r\nFuture=新しい\r\n"
                         L"[Design]\r\nExtra=xyz\r\nBackColor=0\r\n");
    auto sheet = Loaded();
    EXPECT_EQ(sheet->Design().Background.BackColor, 0u);
    sheet->SaveSettings();
    const auto text = ReadIniText(Ini());
    EXPECT_NE(text.find(L"; 手書きのメモ"), std::wstring::npos);
    EXPECT_EQ(IniValue(Ini(), L"Window", L"Left"), L"12");
    EXPECT_EQ(IniValue(Ini(), L"Option", L"Future"), L"新しい");
    EXPECT_EQ(IniValue(Ini(), L"Design", L"Extra"), L"xyz");
    EXPECT_EQ(IniValue(Ini(), L"Option", L"PosX"), L"3");
    EXPECT_EQ(ParseIni(text).size(), kDefaultFile.size() + 3);
}

TEST_F(SettingsFile, ExistingFileKeepsItsEncoding)
{
    WriteBytes(Ini(), {'[', 'X', ']', '\r', '\n', 'k', '=', 'v', '\r', '\n'});
    Sheet()->SaveSettings();
    const auto bytes = ReadBytes(Ini());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_NE(bytes[0], 0xFF); // no mark was put in front of single-byte text
    EXPECT_EQ(IniValue(Ini(), L"X", L"k"), L"v");
    EXPECT_EQ(IniValue(Ini(), L"Design", L"BackColor"), L"-2130706433");
}

TEST_F(SettingsFile, HostileValuesLoadAndAreWrittenBackUnchanged)
{
    const std::vector<IniEntry> hostile = {
        {L"Option", L"PosX", L"99999999"},
        {L"Option", L"PosY", L"-99999999"},
        {L"Option", L"Hotkey", L"-1"},
        {L"Design", L"DayFontSize", L"0"},
        {L"Design", L"MonthFontSize", L"-5"},
        {L"Design", L"WeekFontSize", L"nan"},
        {L"Design", L"LNMonthFontSize", L"1000000000"},
        {L"Design", L"DayinfoTitleFontSize", L"inf"},
        {L"Design", L"DayinfoMemoFontSize", L"1e39"},
        {L"Design", L"MonthFontStyle", L"-2147483648"},
        {L"Design", L"BackImageDraw", L"7"},
        {L"Design", L"BackImageAlpha", L"1000"},
        {L"Design", L"BackImagePos", L"-3"},
        {L"Design", L"BackImageFile", dir.Path().wstring()},
    };
    // One block per section: a repeated section header would hide its keys.
    std::wstring text;
    for (const wchar_t* section : {L"Option", L"Design"}) {
        text += std::wstring(L"[") + section + L"]\r\n";
        for (const auto& e : hostile)
            if (e.section == section)
                text += e.key + L"=" + e.value + L"\r\n";
    }
    WriteUtf16Ini(Ini(), text);

    auto sheet = Loaded();
    const auto& s = sheet->Live();
    EXPECT_EQ(s.PosX, 99999999);
    EXPECT_EQ(s.PosY, -99999999);
    EXPECT_EQ(s.Hotkey, -1);
    EXPECT_EQ(s.Design.DayFont.Font.Size, 0.0f);
    EXPECT_EQ(s.Design.MonthFont.Size, -5.0f);
    EXPECT_TRUE(std::isnan(s.Design.WeekFont.Size));
    EXPECT_EQ(s.Design.LNMonthFont.Font.Size, 1e9f);
    EXPECT_TRUE(std::isinf(s.Design.Dayinfo.TitleFont.Size));
    EXPECT_TRUE(std::isinf(s.Design.Dayinfo.MemoFont.Size));
    EXPECT_EQ(s.Design.MonthFont.Style, INT32_MIN);
    EXPECT_EQ(s.Design.Background.BackImageDraw, 7);
    EXPECT_EQ(s.Design.Background.BackImageAlpha, 1000);
    EXPECT_EQ(s.Design.Background.BackImageFile, dir.Path().wstring());

    sheet->SaveSettings();
    for (const auto& e : hostile)
        EXPECT_EQ(IniValue(Ini(), e.section, e.key), e.value) << e.key;
}

TEST_F(SettingsFile, ScientificSizeIsWrittenAsTheSameWholeNumber)
{
    WriteUtf16Ini(Ini(), L"[Design]\r\nDayFontSize=1e9\r\nMonthFontSize=  +12\r\n");
    auto sheet = Loaded();
    EXPECT_EQ(sheet->Design().DayFont.Font.Size, 1e9f);
    EXPECT_EQ(sheet->Design().MonthFont.Size, 12.0f);
    sheet->SaveSettings();
    EXPECT_EQ(IniValue(Ini(), L"Design", L"DayFontSize"), L"1000000000");
    EXPECT_EQ(Loaded()->Design().DayFont.Font.Size, 1e9f);
}

TEST_F(SettingsFile, SizeChangedInMemoryIsNotReplacedByTheTextRead)
{
    WriteUtf16Ini(Ini(), L"[Design]\r\nDayFontSize=nan\r\nMonthFontSize=inf\r\n");
    auto sheet = Loaded();
    sheet->Design().DayFont.Font.Size = 11.0f;
    sheet->Design().MonthFont.Size = -std::numeric_limits<float>::infinity();
    sheet->SaveSettings();
    EXPECT_EQ(IniValue(Ini(), L"Design", L"DayFontSize"), L"11");
    EXPECT_EQ(IniValue(Ini(), L"Design", L"MonthFontSize"), L"-inf");
}

TEST_F(SettingsFile, EmptyDirectoryMeansBesideTheExecutable)
{
    SettingsSheet plain;
    std::wstring module;
    TheApp()->ModuleDirectory(module);
    ASSERT_FALSE(module.empty());
    EXPECT_EQ(plain.IniPath(), module + L"qv.ini");
    plain.SetIniDirectory(dir.WithSlash());
    EXPECT_EQ(plain.IniPath(), dir.WithSlash() + L"qv.ini");
}

} // namespace
