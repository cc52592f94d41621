// Month rebuild and memo save against a large day-data file, with a plain
// file copy of the same size as the yardstick for the save.
#include "bench/BenchSupport.h"
#include "calendar/DateUtil.h"
#include "calendar/DayDataFormat.h"
#include "calendar/FileIO.h"
#include "calendar/MonthModel.h"

#include <tuple>

using namespace bench;
using Bytes = std::vector<std::uint8_t>;

namespace {
void Append(Bytes& to, const std::optional<Bytes>& block) { to.insert(to.end(), block->begin(), block->end()); }

// 60 years of a 40-character memo on every day, and a memorial entry on every day of the year.
bool WriteLargeDataFile(const std::wstring& path, int firstYear, int years)
{
    Bytes memos, memorials;
    for (int y = firstYear; y < firstYear + years; ++y)
        for (int m = 1; m <= 12; ++m) {
            std::vector<dayfile::MemoEntry> entries;
            for (int d = 1; d <= DaysInMonth(y, m); ++d)
                entries.push_back({d, L"Memo text of exactly forty characters.." + std::to_wstring(d % 10)});
            Append(memos, dayfile::EncodeMemoBlock(y * 100 + m, entries));
        }
    for (int m = 1; m <= 12; ++m) {
        std::vector<dayfile::MemorialEntry> entries;
        for (int d = 1; d <= DaysInMonth(2000, m); ++d)
            entries.push_back({d, L"Memorial " + std::to_wstring(m) + L"/" + std::to_wstring(d),
                               L"C:\\Pictures\\memorial\\" + std::to_wstring(m * 100 + d) + L".jpg"});
        Append(memorials, dayfile::EncodeMemorialBlock(m, entries));
    }
    const auto length = static_cast<std::uint32_t>(memos.size());
    const std::span<const std::uint8_t> pieces[] = {
        {reinterpret_cast<const std::uint8_t*>(&length), 4}, memos, memorials}; // little-endian like the format
    FileReplacement file(path, path + L".new");
    return file.Write(pieces) && file.Commit();
}

// The same bytes moved the plainest way that still reaches the disk: read, write, flush.
bool ReadWriteFlushCopy(const std::wstring& from, const std::wstring& to)
{
    UniqueFile in(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    UniqueFile out(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(in.get(), &size))
        return false;
    Bytes bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0, written = 0;
    return ReadFile(in.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size() &&
           WriteFile(out.get(), bytes.data(), read, &written, nullptr) && written == read &&
           FlushFileBuffers(out.get());
}
} // namespace

int main()
{
    Environment env(L"calendar");
    const std::wstring dirText = env.DirWithSlash(), data = dirText + L"qv.dat", copy = dirText + L"copy.dat";
    bool ok = WriteLargeDataFile(data, 1990, 60);
    std::printf("qv.dat: %ju bytes (60 years of daily memos, 366 memorial entries)\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(data)));

    MonthModel model(dirText);
    const int runs = 200;
    for (const auto& [y, m, label] : {std::tuple{1990, 1, "first block"}, std::tuple{2049, 12, "last block"}}) {
        model.Show(y, m);
        std::printf("Rebuild %04d-%02d (%s): median %.1f us over %d runs\n", y, m, label,
                    MedianMicros(runs, [&](int) { model.Rebuild(); }), runs);
    }

    // Saves and copies alternate so that both see the same disk state.
    model.Show(2020, 6);
    std::vector<double> saves, copies, flushedCopies, maps, writes;
    const int saveRuns = 60;
    for (int i = 0; i < saveRuns; ++i) {
        const std::wstring text = L"Edited memo number " + std::to_wstring(i);
        saves.push_back(Micros([&] { ok = model.SetMemo(3, 2, text) && ok; }));
        copies.push_back(Micros([&] { ok = CopyFileW(data.c_str(), copy.c_str(), FALSE) && ok; }));
        flushedCopies.push_back(Micros([&] { ok = ReadWriteFlushCopy(data, copy) && ok; }));
    }
    const double save = Median(saves), plain = Median(copies), flushed = Median(flushedCopies);
    std::printf("SetMemo (whole-file rewrite, flushed, atomic replace): median %.1f us over %d runs%s\n", save,
                saveRuns, ok ? "" : "  [SOME OPERATIONS FAILED]");
    std::printf("CopyFileW of the same file:                     median %.1f us  -> save/copy ratio %.2f\n", plain,
                save / plain);
    std::printf("read + write + FlushFileBuffers of the same size: median %.1f us  -> save/copy ratio %.2f\n", flushed,
                save / flushed);

    // Where a save's time goes: the view of the old file and the flushed, atomic write of the new one.
    for (int i = 0; i < saveRuns; ++i) {
        MappedFile old;
        maps.push_back(Micros([&] { ok = old.Open(data) == ReadResult::Ok && ok; }));
        const std::span<const std::uint8_t> pieces[] = {old.Bytes()};
        writes.push_back(Micros([&] {
            FileReplacement replacement(copy, copy + L".new");
            ok = replacement.Write(pieces) && replacement.Commit() && ok;
        }));
    }
    std::printf("  of which: open+map old file %.1f us, write+flush+replace %.1f us (medians)\n", Median(maps),
                Median(writes));
    return ok ? 0 : 1;
}
