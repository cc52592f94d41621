#include "support/TestSupport.h"

#include "calendar/DayDataFormat.h"

#include <fstream>

TempDir::TempDir()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::filesystem::path(base) /
                (L"mosaryn-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
        if (std::filesystem::create_directories(path_))
            break;
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> MemoFile(const std::vector<std::pair<int, std::vector<std::pair<int, std::wstring>>>>& blocks)
{
    std::vector<std::uint8_t> file(4);
    for (const auto& [key, days] : blocks) {
        std::vector<dayfile::MemoEntry> entries;
        for (const auto& [day, text] : days)
            entries.push_back({day, text});
        const auto block = dayfile::EncodeMemoBlock(key, entries);
        file.insert(file.end(), block->begin(), block->end());
    }
    const auto length = static_cast<std::uint32_t>(file.size() - 4);
    for (int i = 0; i < 4; ++i)
        file[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
    return file;
}

void PumpMessages(unsigned ms, const std::function<bool()>& done)
{
    const ULONGLONG end = GetTickCount64() + ms;
    MSG msg;
    while (GetTickCount64() < end) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done && done())
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}
