// Month rebuild and memo save against a large day-data file, with a plain
// file copy of the same size as the yardstick for the save.
#include "bench/BenchSupport.h"
#include "calendar/DateUtil.h"
#include "calendar/FileIO.h"
#include "calendar/MonthModel.h"

#include <tuple>

using namespace bench;
using Bytes = std::vector<std::uint8_t>;

namespace {
void PutI32(Bytes& b, std::int64_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
}

void PutText(Bytes& b, const std::wstring& t)
{
    PutI32(b, static_cast<std::int64_t>(t.size()));
    for (const wchar_t c : t)
        b.insert(b.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
}

void PutBlock(Bytes& out, int key, const Bytes& data)
{
    PutI32(out, key);
    PutI32(out, static_cast<std::int64_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

// 60 years of a 40-character memo on every day, and a memorial entry on every day of the year.
Bytes LargeDataFile(int firstYear, int years)
{
    const std::wstring memo = L"Memo text of exactly forty characters..";
    Bytes memos;
    for (int y = firstYear; y < firstYear + years; ++y)
        for (int m = 1; m <= 12; ++m) {
            Bytes data;
            for (int d = 1; d <= DaysInMonth(y, m); ++d) {
                PutI32(data, d);
                PutText(data, memo.substr(0, 39) + static_cast<wchar_t>(L'0' + d % 10));
            }
            PutBlock(memos, y * 100 + m, data);
        }
    Bytes file;
    PutI32(file, static_cast<std::int64_t>(memos.size()));
    file.insert(file.end(), memos.begin(), memos.end());
    for (int m = 1; m <= 12; ++m) {
        Bytes data;
        for (int d = 1; d <= DaysInMonth(2000, m); ++d) {
            PutI32(data, d);
            PutText(data, L"Memorial " + std::to_wstring(m) + L"/" + std::to_wstring(d));
            PutText(data, L"C:\\Pictures\\memorial\\" + std::to_wstring(m * 100 + d) + L".jpg");
        }
        PutBlock(file, m, data);
    }
    return file;
}

// The same bytes moved the plainest way that still reaches the disk: read, write, flush.
bool ReadWriteFlushCopy(const std::wstring& from, const std::wstring& to)
{
    FileHandle in(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!in.Valid() || !GetFileSizeEx(in.Get(), &size))
        return false;
    Bytes bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD done = 0;
    if (!ReadFile(in.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) || done != bytes.size())
        return false;
    FileHandle out(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return out.Valid() && WriteFile(out.Get(), bytes.data(), done, &done, nullptr) && done == bytes.size() &&
           FlushFileBuffers(out.Get());
}
} // namespace

int main()
{
    Environment env(L"calendar");
    const std::wstring dirText = env.DirWithSlash();
    const Bytes file = LargeDataFile(1990, 60);
    {
        FileHandle out(
            CreateFileW((dirText + L"qv.dat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(out.Get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
    }
    std::printf("qv.dat: %zu bytes (60 years of daily memos, 366 memorial entries)\n", file.size());

    MonthModel model(dirText);
    const int runs = 200;
    for (const auto& [y, m, label] : {std::tuple{1990, 1, "first block"}, std::tuple{2049, 12, "last block"}}) {
        model.Show(y, m);
        std::printf("Rebuild %04d-%02d (%s): median %.1f us over %d runs\n", y, m, label,
                    MedianMicros(runs, [&](int) { model.Rebuild(); }), runs);
    }

    // Saves and copies alternate so that both see the same disk state.
    model.Show(2020, 6);
    const std::wstring data = model.DataFilePath();
    const std::wstring copy = dirText + L"copy.dat";
    std::vector<double> saves, copies, flushedCopies;
    bool ok = true;
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
    std::vector<double> maps, writes;
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
