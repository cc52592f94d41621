// LoadResString and ModuleDirectory.
#include "app/Application.h"
#include "resource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

TEST(LoadResString, LongEntriesArriveWhole)
{
    struct Case {
        UINT id;
        std::size_t length;
        wchar_t last;
    } cases[] = {{9001, 254, L'X'}, {9002, 255, L'Y'}, {9003, 600, L'Z'}};
    for (const auto& c : cases) {
        std::wstring text;
        ASSERT_TRUE(TheApp()->LoadResString(c.id, text)) << c.id;
        EXPECT_EQ(text.size(), c.length) << c.id;
        EXPECT_EQ(text.back(), c.last) << c.id;
        EXPECT_EQ(text.substr(0, 3), L"abc") << c.id;
    }
}

TEST(LoadResString, ProgramStringsAndMissingEntries)
{
    EXPECT_EQ(ResString(IDS_HOTKEY_FAILED), L"ホットキーの登録に失敗しました。他のホットキーを設定してください。");
    EXPECT_EQ(ResString(IDS_MONTH_BASE + 12) + ResString(IDS_WEEKDAY_BASE + 6), L"DECEMBERSAT");
    std::wstring text = L"unchanged";
    EXPECT_FALSE(TheApp()->LoadResString(8999, text));
    EXPECT_EQ(text, L"unchanged");
}

TEST(ModuleDirectory, PathLongerThan256Characters)
{
    // 258 characters: past the first 256-character buffer, still below what
    // process creation accepts without long-path support.
    TempDir temp;
    std::wstring deep = temp.Path().wstring();
    const std::wstring name = L"\\copy.exe";
    while (deep.size() + name.size() < 258)
        deep += L"\\" + std::wstring(std::min<std::size_t>(40, 258 - deep.size() - name.size() - 1), L'd');
    ASSERT_TRUE(std::filesystem::create_directories(deep));
    const std::wstring exe = deep + name;
    ASSERT_EQ(exe.size(), 258u);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileW(self, exe.c_str(), FALSE));

    // The copy prints its own ModuleDirectory into a file and exits.
    const std::wstring out = temp.Path().wstring() + L"\\dir.txt";
    std::wstring cmd = L"\"" + exe + L"\" --print-module-directory \"" + out + L"\"";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    std::ifstream in(std::filesystem::path(out), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::wstring printed(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    EXPECT_EQ(printed, deep + L"\\");
}
