// qv.ini through SettingsSheet: defaults, values kept as written, any encoding read, written in one
// step as UTF-16LE and never damaged by a failed write.
#include "app/Handle.h"
#include "settings/SafeValues.h"
#include "settings/SettingsSheet.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <tuple>

namespace {
using Bytes = std::vector<std::uint8_t>;

// The file's lines joined by '|', blank ones left out; the file must be UTF-16LE with its mark.
std::wstring ReadIni(const std::filesystem::path& file)
{
    const auto bytes = ReadBytes(file);
    EXPECT_TRUE(bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) << "no UTF-16LE mark";
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto c = static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
        if (c == L'\n' && !text.empty() && text.back() != L'|')
            text += L'|';
        else if (c != L'\n' && c != L'\r')
            text += c;
    }
    return text;
}

// `text` in a code page; 1200 is UTF-16LE.
Bytes Encoded(const std::wstring& text, UINT codePage = 1200)
{
    if (codePage == 1200)
        return Bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                     reinterpret_cast<const std::uint8_t*>(text.data() + text.size()));
    std::string out(text.size() * 4, '\0');
    BOOL lossy = FALSE;
    out.resize(static_cast<std::size_t>(WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                                            out.data(), static_cast<int>(out.size()), nullptr,
                                                            codePage == CP_UTF8 ? nullptr : &lossy)));
    EXPECT_FALSE(lossy);
    return Bytes(out.begin(), out.end());
}

const std::wstring kDefaultFile =
    L"[Option]|StayTop=No|ShowBegin=Yes|TodayInfo=Yes|Hotkey=1091|PosX=200|PosY=100|[Design]|"
    L"MonthFontName=MS UI Gothic|MonthFontSize=9|MonthFontStyle=0|MonthFontColor=-16777216|"
    L"WeekFontName=MS UI Gothic|WeekFontSize=7|WeekFontStyle=0|WeekFontColor=-16777216|"
    L"DayFontName=MS UI Gothic|DayFontSize=10|DayFontStyle=0|DayFontColor=-16777216|SunFontColor=-65536|"
    L"SatFontColor=-16776961|MemorialdayFontColor=-32704|DayBackColor=-1644826|TodayBackColor=-12600328|"
    L"MemodayBackColor=-866492|LNMonthFontName=MS UI Gothic|LNMonthFontSize=8|LNMonthFontStyle=0|"
    L"LNMonthFontColor=-10197916|LNMonthFontBackColor=853335240|BackColor=-2130706433|BackImageFile=|"
    L"BackImageAlpha=255|BackImagePos=0|BackImageDraw=0|ButtonForColor=-16777216|ButtonBackColor=-2302756|"
    L"DropShadow=No|DayinfoTitleFontName=MS UI Gothic|DayinfoTitleFontSize=9|DayinfoTitleFontStyle=0|"
    L"DayinfoTitleFontColor=-16777216|DayinfoHolidayColor=-65536|DayinfoMemorialColor=-16776961|"
    L"DayinfoMemoFontName=MS UI Gothic|DayinfoMemoFontSize=8|DayinfoMemoFontStyle=0|"
    L"DayinfoMemoFontColor=-16777216|DayinfoBackColor=-587202561|[Reminder]|Enabled=Yes|LeadMinutes=10|";

class SettingsFile : public testing::Test {
protected:
    TempDir dir;
    std::filesystem::path Ini() const { return dir.Path() / L"qv.ini"; }
    // A sheet loaded from `lines` ('|' for line breaks) written as qv.ini, or from the file as it is.
    std::unique_ptr<SettingsSheet> Loaded(const std::optional<std::wstring>& lines = {}, ReplaceHook hook = {}) const
    {
        if (lines) {
            std::wstring text = L"\xFEFF";
            for (const wchar_t c : *lines)
                text += c == L'|' ? std::wstring(L"\r\n") : std::wstring(1, c);
            WriteBytes(Ini(), Encoded(text));
        }
        auto sheet = std::make_unique<SettingsSheet>();
        sheet->SetIniDirectory(dir.WithSlash());
        sheet->SetWriteHook(std::move(hook));
        sheet->LoadSettings();
        return sheet;
    }
    // The value of a key that occurs once in the file.
    std::wstring Value(const std::wstring& key) const
    {
        const std::wstring text = ReadIni(Ini());
        const auto start = text.find(L'|' + key + L'=');
        if (start == std::wstring::npos)
            return L"<missing>";
        const auto first = start + key.size() + 2;
        return text.substr(first, text.find(L'|', first) - first);
    }
};

TEST_F(SettingsFile, FirstSaveWritesEveryKeyWithItsDefault)
{
    auto sheet = Loaded();
    EXPECT_FALSE(std::filesystem::exists(Ini()));
    sheet->SaveSettings();
    EXPECT_EQ(ReadIni(Ini()), kDefaultFile);
}

TEST_F(SettingsFile, YesOnlyWithCapitalY)
{
    for (const auto& [text, expected] : {std::pair{L"Yes", true}, {L"yes", false}, {L"YES", false}, {L"1", false}}) {
        const auto sheet = Loaded(std::wstring(L"[Option]|StayTop=") + text + L"|[Design]|DropShadow=" + text);
        EXPECT_EQ(sheet->Live().StayTop, expected) << text;
        EXPECT_EQ(sheet->Design().Background.DropShadow, expected) << text;
    }
}

// Odd values, unknown keys and other sections are kept as they were, long and Japanese texts whole.
TEST_F(SettingsFile, OddValuesLoadAndAreWrittenBackUnchanged)
{
    const std::wstring odd = L"[Window]|Left=12|[Option]|Future=新しい|PosX=99999999|[Design]|Extra=xyz|"
                             L"DayFontSize=0|MonthFontSize=-5|WeekFontSize=nan|LNMonthFontSize=1000000000|"
                             L"BackImageDraw=7|MonthFontName=" +
                             std::wstring(299, L'a') + L"Z|BackImageFile=" + dir.Path().wstring();
    auto sheet = Loaded(odd + L"|DayinfoTitleFontSize=10.4");
    EXPECT_TRUE(std::isnan(sheet->Design().WeekFont.Size));
    EXPECT_FLOAT_EQ(sheet->Design().Dayinfo.TitleFont.Size, 10.4f);
    sheet->SaveSettings();
    EXPECT_EQ(Value(L"DayinfoTitleFontSize"), L"10");
    std::wistringstream lines(odd);
    for (std::wstring line; std::getline(lines, line, L'|');) {
        const auto equals = line.find(L'=');
        EXPECT_TRUE(equals == std::wstring::npos || Value(line.substr(0, equals)) == line.substr(equals + 1)) << line;
    }
}

// Other sections, and Japanese text in any key, survive both the reading and the writing.
TEST_F(SettingsFile, EveryEncodingBecomesUtf16WithAllItsContent)
{
    // The first section holds settings: a byte-order mark left before it would hide them.
    const std::wstring japanese =
        L"[Option]\r\nStayTop=Yes\r\n[Window]\r\nTitle=カレンダー\r\n[Design]\r\nBackImageFile=C:\\写真\\背景.png\r\n";
    const std::wstring ansi =
        L"[Option]\r\nStayTop=Yes\r\n[Window]\r\nTitle=caf\u00e9\r\n[Design]\r\nBackImageFile=C:\\cr\u00e8me.png\r\n";
    Bytes utf8Mark = Encoded(L"\xFEFF" + japanese, CP_UTF8), bigEndian = Encoded(L"\xFEFF" + japanese);
    for (std::size_t i = 0; i + 1 < bigEndian.size(); i += 2)
        std::swap(bigEndian[i], bigEndian[i + 1]);
    // The file, its title and its picture.
    const std::tuple<Bytes, std::wstring, std::wstring> cases[] = {
        {{}, L"<missing>", L""},
        {Encoded(japanese, CP_UTF8), L"カレンダー", L"C:\\写真\\背景.png"},
        {utf8Mark, L"カレンダー", L"C:\\写真\\背景.png"},
        {Encoded(ansi, CP_ACP), L"caf\u00e9", L"C:\\cr\u00e8me.png"},
        {bigEndian, L"カレンダー", L"C:\\写真\\背景.png"}};
    for (const auto& [file, title, picture] : cases) {
        SCOPED_TRACE(testing::Message() << file.size() << " bytes");
        WriteBytes(Ini(), file);
        auto sheet = Loaded();
        EXPECT_EQ(sheet->Design().Background.BackImageFile, picture);
        sheet->Design().DayFont.Font.Name = L"ＭＳ ゴシック";
        ASSERT_TRUE(sheet->SaveSettings());
        EXPECT_EQ(Value(L"Title"), title); // and the file is UTF-16LE with its mark
        const auto converted = Loaded();
        EXPECT_EQ(converted->Design().Background.BackImageFile, picture);
        EXPECT_EQ(sheet->Live().StayTop && converted->Live().StayTop, !file.empty());
        EXPECT_EQ(Value(L"DayFontName"), L"ＭＳ ゴシック");
    }
}

TEST_F(SettingsFile, FailedWriteLeavesTheOldFileAndNoTemporaryAndTheNextStoresAll)
{
    const Bytes original = Encoded(L"\xFEFF[Option]\r\nStayTop=No\r\nPosX=40\r\n[Other]\r\nk=v\r\n");
    const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    // The failing ReplaceStep (or -1), qv.ini's attributes, the sharing of another program's handle on it.
    const std::tuple<int, DWORD, DWORD> cases[] = {{int(ReplaceStep::Prepare), FILE_ATTRIBUTE_NORMAL, all},
                                                   {int(ReplaceStep::Flush), FILE_ATTRIBUTE_NORMAL, all},
                                                   {int(ReplaceStep::Replace), FILE_ATTRIBUTE_NORMAL, all},
                                                   {-1, FILE_ATTRIBUTE_READONLY, all},
                                                   {-1, FILE_ATTRIBUTE_NORMAL, 0},
                                                   {-1, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ}};
    for (const auto& [failingStep, attributes, share] : cases) {
        SCOPED_TRACE(testing::Message() << failingStep << " " << attributes << " " << share);
        WriteBytes(Ini(), original);
        bool failing = true;
        auto sheet = Loaded({}, [&, step = failingStep](ReplaceStep s) { return !failing || int(s) != step; });
        sheet->Live().StayTop = true;
        SetFileAttributesW(Ini().c_str(), attributes);
        {
            const UniqueHandle other(
                CreateFileW(Ini().c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
            EXPECT_FALSE(sheet->SaveSettings());
        }
        SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadBytes(Ini()), original);
        EXPECT_FALSE(std::filesystem::exists(Ini().wstring() + L".new"));
        failing = false;
        ASSERT_TRUE(sheet->SaveSettings());
        EXPECT_FALSE(std::filesystem::exists(Ini().wstring() + L".new"));
        EXPECT_EQ(Value(L"StayTop") + Value(L"PosX") + Value(L"k"), L"Yes40v");
    }
}

// Held by another program at start: every setting is its default and nothing is written while
// the file cannot be read; the first save that reads it keeps this run's changes and every other
// key and section of the file.
TEST_F(SettingsFile, UnreadableAtStartIsNeverWrittenOverAndMergedOnceRead)
{
    const Bytes original = Encoded(L"\xFEFF[Option]\r\nStayTop=No\r\nPosX=40\r\n[Design]\r\n"
                                   L"DayFontName=Meiryo\r\n[Other]\r\nk=v\r\n");
    WriteBytes(Ini(), original);
    std::unique_ptr<SettingsSheet> sheet;
    {
        const UniqueHandle other(CreateFileW(Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        sheet = Loaded();
        EXPECT_FALSE(sheet->Loaded());
        EXPECT_EQ(sheet->LastError().code, DWORD{ERROR_SHARING_VIOLATION});
        EXPECT_EQ(sheet->Live().PosX, 200);
        sheet->Live().StayTop = true;
        EXPECT_FALSE(sheet->SaveSettings());
    }
    EXPECT_EQ(ReadBytes(Ini()), original);
    ASSERT_TRUE(sheet->SaveSettings());
    EXPECT_TRUE(sheet->TakeLateLoad());
    EXPECT_EQ(Value(L"StayTop") + Value(L"PosX") + Value(L"DayFontName") + Value(L"k"), L"Yes40Meiryov");
    EXPECT_EQ(sheet->Live().PosX, 40);
    // What reads as a whole qv.ini: text in one of its encodings, nothing cut short, no NUL.
    const std::pair<Bytes, bool> files[] = {{{}, true},
                                            {{0xFF, 0xFE, 'a', 0}, true},
                                            {{0xFE, 0xFF, 0, 'a'}, true},
                                            {{0xFF, 0xFE, 'a'}, false},
                                            {{'a', 0, 'b'}, false},
                                            {{'a', '=', 0xE3}, true}};
    for (const auto& [bytes, whole] : files)
        EXPECT_EQ(IniReadsWhole(bytes), whole) << bytes.size();
}

// Values from qv.ini turned into drawable ones at the point of use.
TEST(SafeValues, FontSizesAlphasAndStyles)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Stored, drawn.
    const std::pair<float, float> sizes[] = {{10.4f, 10.4f}, {0, 7},    {-5, 7},     {nan, 7},
                                             {inf, 7},       {-inf, 7}, {1e9f, 200}, {0.2f, 1}};
    for (const auto& [stored, drawn] : sizes)
        EXPECT_FLOAT_EQ(DrawableFontSize(stored, 7), drawn) << stored;
    EXPECT_EQ(
        std::tuple(ClampAlpha(-7), ClampAlpha(128), ClampAlpha(1000), DrawableFontStyle(9), DrawableFontStyle(-1)),
        std::tuple(0, 128, 255, 9, 15));
}

} // namespace
