// qv.ini written in one step, always UTF-16LE, never damaged by a failed write.
#include "app/Handle.h"
#include "settings/SettingsSheet.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
using Bytes = std::vector<std::uint8_t>;

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

class IniWrite : public testing::Test {
protected:
    std::filesystem::path Ini() const { return dir.Path() / L"qv.ini"; }
    std::unique_ptr<SettingsSheet> Loaded(ReplaceHook hook = {}) const
    {
        auto sheet = std::make_unique<SettingsSheet>();
        sheet->SetIniDirectory(dir.WithSlash());
        sheet->SetWriteHook(std::move(hook));
        sheet->LoadSettings();
        return sheet;
    }
    std::wstring Value(const wchar_t* section, const wchar_t* key) const
    {
        wchar_t value[64];
        GetPrivateProfileStringW(section, key, L"<none>", value, 64, Ini().c_str());
        return value;
    }
    TempDir dir;
};
} // namespace

// Other sections, and Japanese text in any key, survive both the reading and the writing.
TEST_F(IniWrite, EveryEncodingBecomesUtf16WithAllItsContent)
{
    const std::wstring japanese = L"[Window]\r\nTitle=カレンダー\r\n[Design]\r\nBackImageFile=C:\\写真\\背景.png\r\n";
    const std::wstring ansi = L"[Window]\r\nTitle=caf\u00e9\r\n[Design]\r\nBackImageFile=C:\\cr\u00e8me.png\r\n";
    Bytes utf8Mark = Encoded(L"\xFEFF" + japanese, CP_UTF8), bigEndian = Encoded(L"\xFEFF" + japanese);
    for (std::size_t i = 0; i + 1 < bigEndian.size(); i += 2)
        std::swap(bigEndian[i], bigEndian[i + 1]);
    const struct {
        Bytes file;
        std::wstring title, picture;
    } cases[] = {{{}, L"<none>", L""},
                 {Encoded(japanese, CP_UTF8), L"カレンダー", L"C:\\写真\\背景.png"},
                 {utf8Mark, L"カレンダー", L"C:\\写真\\背景.png"},
                 {Encoded(ansi, CP_ACP), L"caf\u00e9", L"C:\\cr\u00e8me.png"},
                 {bigEndian, L"カレンダー", L"C:\\写真\\背景.png"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        WriteBytes(Ini(), c.file);
        auto sheet = Loaded();
        EXPECT_EQ(sheet->Design().Background.BackImageFile, c.picture);
        sheet->Design().DayFont.Font.Name = L"ＭＳ ゴシック";
        ASSERT_TRUE(sheet->SaveSettings());
        const Bytes written = ReadBytes(Ini());
        EXPECT_TRUE(written.size() > 2 && written[0] == 0xFF && written[1] == 0xFE);
        EXPECT_EQ(Value(L"Window", L"Title"), c.title);
        EXPECT_EQ(Loaded()->Design().Background.BackImageFile, c.picture);
        EXPECT_EQ(Value(L"Design", L"DayFontName"), L"ＭＳ ゴシック");
    }
}

TEST_F(IniWrite, FailedWriteLeavesTheOldFileAndNoTemporaryAndTheNextStoresAll)
{
    const Bytes original = Encoded(L"\xFEFF[Option]\r\nStayTop=No\r\nPosX=40\r\n[Other]\r\nk=v\r\n");
    const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const struct {
        int failingStep;         // a ReplaceStep, or -1
        DWORD attributes, share; // of qv.ini, and of another program's handle on it
    } cases[] = {{int(ReplaceStep::Prepare), FILE_ATTRIBUTE_NORMAL, all},
                 {int(ReplaceStep::Flush), FILE_ATTRIBUTE_NORMAL, all},
                 {int(ReplaceStep::Replace), FILE_ATTRIBUTE_NORMAL, all},
                 {-1, FILE_ATTRIBUTE_READONLY, all},
                 {-1, FILE_ATTRIBUTE_NORMAL, 0},
                 {-1, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        WriteBytes(Ini(), original);
        bool failing = true;
        auto sheet = Loaded([&](ReplaceStep s) { return !failing || int(s) != c.failingStep; });
        sheet->Live().StayTop = true;
        SetFileAttributesW(Ini().c_str(), c.attributes);
        {
            const UniqueHandle other(
                CreateFileW(Ini().c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING, 0, nullptr));
            EXPECT_FALSE(sheet->SaveSettings());
        }
        SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadBytes(Ini()), original);
        EXPECT_FALSE(std::filesystem::exists(Ini().wstring() + L".new"));
        failing = false;
        ASSERT_TRUE(sheet->SaveSettings());
        EXPECT_FALSE(std::filesystem::exists(Ini().wstring() + L".new"));
        EXPECT_EQ(Value(L"Option", L"StayTop") + Value(L"Option", L"PosX") + Value(L"Other", L"k"), L"Yes40v");
    }
}
