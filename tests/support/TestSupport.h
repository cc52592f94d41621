// Helpers shared by the test programs.
#pragma once
#include "app/Win.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// A fresh directory under the temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    // The directory as the program keeps it: with a trailing backslash.
    std::wstring WithSlash() const { return path_.wstring() + L"\\"; }

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
// A data file holding only these memo blocks: key (year * 100 + month), then day and text pairs.
std::vector<std::uint8_t>
MemoFile(const std::vector<std::pair<int, std::vector<std::pair<int, std::wstring>>>>& blocks);

// Dispatches pending messages for up to `ms` milliseconds, or until `done` is true.
void PumpMessages(unsigned ms, const std::function<bool()>& done = {});

// The text of a dialog's control.
inline std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}
