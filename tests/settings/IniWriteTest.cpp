// qv.ini written in one step, always UTF-16LE, never damaged by a failed write.
#include "app/Handle.h"
#include "settings/SettingsSheet.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Utf16(const std::wstring& text)
{
    Bytes out{0xFF, 0xFE};
    for (const wchar_t c : text)
        out.insert(out.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
    return out;
}

Bytes Narrow(UINT codePage, const std::wstring& text)
{
    char buffer[256];
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(codePage, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr,
                                      codePage == CP_UTF8 ? nullptr : &lossy);
    EXPECT_FALSE(lossy) << "not in the code page";
    return Bytes(buffer, buffer + n - 1);
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
    TempDir dir;
};

// Other sections and keys, and Japanese text in any key, survive the conversion
// when the file is read and when it is written.
TEST_F(IniWrite, EveryEncodingBecomesUtf16WithAllItsContent)
{
    const std::wstring japanese = L"[Window]\r\nTitle=カレンダー\r\n[Design]\r\nBackImageFile=C:\\写真\\背景.png\r\n";
    const std::wstring ansi = L"[Window]\r\nTitle=caf\u00e9\r\n[Design]\r\nBackImageFile=C:\\cr\u00e8me.png\r\n";
    Bytes bigEndian{0xFE, 0xFF}, utf8Mark{0xEF, 0xBB, 0xBF};
    for (const wchar_t c : japanese)
        bigEndian.insert(bigEndian.end(), {static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c & 0xFF)});
    const Bytes utf8 = Narrow(CP_UTF8, japanese);
    utf8Mark.insert(utf8Mark.end(), utf8.begin(), utf8.end());
    struct Case {
        const char* what;
        Bytes file;
        std::wstring title, picture;
    };
    const Case cases[] = {
        {"empty", {}, L"<none>", L""},
        {"UTF-8", utf8, L"カレンダー", L"C:\\写真\\背景.png"},
        {"UTF-8 with its mark", utf8Mark, L"カレンダー", L"C:\\写真\\背景.png"},
        {"ANSI code page", Narrow(CP_ACP, ansi), L"caf\u00e9", L"C:\\cr\u00e8me.png"},
        {"UTF-16 big-endian", bigEndian, L"カレンダー", L"C:\\写真\\背景.png"},
    };
    const std::wstring font = L"ＭＳ ゴシック";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(Ini(), c.file);
        auto sheet = Loaded();
        EXPECT_EQ(sheet->Design().Background.BackImageFile, c.picture);
        sheet->Design().DayFont.Font.Name = font;
        ASSERT_TRUE(sheet->SaveSettings());
        const Bytes written = ReadBytes(Ini());
        ASSERT_TRUE(written.size() > 2 && written[0] == 0xFF && written[1] == 0xFE);
        wchar_t title[64];
        GetPrivateProfileStringW(L"Window", L"Title", L"<none>", title, 64, Ini().c_str());
        EXPECT_EQ(title, c.title);
        const auto reloaded = Loaded();
        EXPECT_EQ(reloaded->Design().Background.BackImageFile, c.picture);
        EXPECT_EQ(reloaded->Design().DayFont.Font.Name, font);
    }
}

TEST_F(IniWrite, FailedWriteLeavesTheOldFileAndNoTemporaryAndTheNextStoresAll)
{
    const Bytes original = Utf16(L"; mine\r\n[Option]\r\nStayTop=No\r\nPosX=40\r\n[Other]\r\nk=v\r\n");
    const auto failAt = [](ReplaceStep step) { return [step](ReplaceStep s) { return s != step; }; };
    struct Case {
        const char* what;
        ReplaceHook hook;
        DWORD attributes = FILE_ATTRIBUTE_NORMAL;
        DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE; // of another program's handle
    };
    const Case cases[] = {
        {"prepare", failAt(ReplaceStep::Prepare)},
        {"flush", failAt(ReplaceStep::Flush)},
        {"replace", failAt(ReplaceStep::Replace)},
        {"read-only file", {}, FILE_ATTRIBUTE_READONLY},
        {"file locked", {}, FILE_ATTRIBUTE_NORMAL, 0},
        {"file open for reading", {}, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(Ini(), original);
        bool failing = true;
        auto sheet = Loaded([&](ReplaceStep s) { return !failing || !c.hook || c.hook(s); });
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
        const auto reloaded = Loaded();
        EXPECT_TRUE(reloaded->Live().StayTop);
        EXPECT_EQ(reloaded->Live().PosX, 40);
        wchar_t kept[8];
        GetPrivateProfileStringW(L"Other", L"k", L"", kept, 8, Ini().c_str());
        EXPECT_STREQ(kept, L"v");
    }
}

} // namespace
