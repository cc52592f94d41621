// The file layer: a replacement no reader ever sees half-done, recovery from what an
// interrupted replacement left, and where an export may write.
#include "app/Handle.h"
#include "calendar/DayDataExchange.h"
#include "calendar/FileIO.h"
#include "resource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
// The test's kept files are whole when they end with '!'.
bool EndsWell(std::span<const std::uint8_t> b) { return !b.empty() && b.back() == '!'; }
} // namespace

// Two threads: one replaces the file again and again, the other reads it whole as fast as it
// can, as the program reads. Every read finds one version complete (the system's ReplaceFileW
// fails this: the reader finds no file hundreds of times); a rename that the reader's open
// blocks for too long fails, names the reason, and leaves the file as it was.
TEST(FileLayer, AReaderNeverFindsTheFileMissingOrPartial)
{
    TempDir dir;
    const std::wstring path = (dir.Path() / L"kept.bin").wstring();
    const Bytes versions[] = {Bytes(40000, 'a'), Bytes(90000, 'b')};
    WriteBytes(path, versions[0]);
    std::atomic<bool> done{false};
    int missing = 0, partial = 0, reads = 0;
    std::thread reader([&] {
        for (; !done; Sleep(0)) {
            MappedFile file;
            if (file.Open(path) != ReadResult::Ok) {
                ++missing;
                continue;
            }
            const Bytes got(file.Bytes().begin(), file.Bytes().end());
            partial += got != versions[0] && got != versions[1];
            ++reads;
        }
    });
    int committed = 0, refused = 0;
    for (int i = 0; i < 40; ++i) {
        FileReplacement replacement(path, path + L".new");
        ASSERT_TRUE(replacement.Write(std::array{std::span<const std::uint8_t>(versions[(i + 1) % 2])}));
        if (replacement.Commit())
            ++committed;
        else
            refused += replacement.Error() == ERROR_SHARING_VIOLATION || replacement.Error() == ERROR_ACCESS_DENIED;
    }
    done = true;
    reader.join();
    std::printf("replacements %d done, %d refused while read; %d whole reads\n", committed, refused, reads);
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(partial, 0);
    EXPECT_GT(committed, 5);
    EXPECT_EQ(committed + refused, 40);
    EXPECT_GT(reads, 30);
}

// The file, its ".new" and an "rf1a2b.tmp" as a run that stopped anywhere may leave them
// (empty: absent; "held": the file open by another program) and what recovery makes of them.
TEST(FileLayer, KeptFileRecoversWhatAnInterruptedReplacementLeft)
{
    const std::tuple<const char*, const char*, const char*, const char*, const char*, const char*> cases[] = {
        // file, .new, rf*.tmp -> file, .new, rf*.tmp
        {"", "new!", "old!", "new!", "", ""},            // stopped between the two renames of ReplaceFileW
        {"cur!", "new!", "old!", "cur!", "", ""},        // stopped before the rename: never acknowledged
        {"cu", "new!", "", "new!", "", ""},              // a damaged file
        {"", "ne", "", "", "ne", ""},                    // no whole version to recover
        {"cur!", "", "other", "cur!", "", "other"},      // not an older version of this file
        {"held", "new!", "old!", "held", "new!", "old!"} // unreadable: nothing moves
    };
    for (const auto& [file, fresh, old, wantFile, wantNew, wantOld] : cases) {
        SCOPED_TRACE(testing::Message() << file << "|" << fresh << "|" << old);
        TempDir dir;
        const std::filesystem::path path = dir.Path() / L"qv.dat", rf = dir.Path() / L"rf1a2b.tmp";
        const KeptFile kept(path.wstring(), &EndsWell);
        for (const auto& [name, content] : {std::pair{path, file}, {kept.NewPath(), fresh}, {rf, old}})
            if (*content)
                WriteBytes(name, Text(content));
        MappedFile mapped;
        {
            const UniqueHandle holder(std::string(file) == "held" ? CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr,
                                                                                OPEN_EXISTING, 0, nullptr)
                                                                  : nullptr);
            EXPECT_EQ(kept.Open(mapped), holder      ? ReadResult::Failed
                                         : *wantFile ? ReadResult::Ok
                                                     : ReadResult::Missing);
            EXPECT_TRUE(!holder || mapped.Error() == ERROR_SHARING_VIOLATION);
            mapped.Close();
        }
        for (const auto& [name, content] : {std::pair{path, wantFile}, {kept.NewPath(), wantNew}, {rf, wantOld}})
            EXPECT_EQ(std::filesystem::exists(name) ? ReadBytes(name) : Bytes{}, Text(content)) << name;
    }
}

// An export writes a new name or a regular file, through a name of its own; never a folder nor
// the files the program keeps, under any name; and refuses without touching them.
TEST(FileLayer, ExportWritesOnlyARegularFileOrANewName)
{
    TempDir dir;
    const auto at = [&](const wchar_t* name) { return (dir.Path() / name).wstring(); };
    const std::wstring data = at(L"qv.dat");
    WriteBytes(data, Bytes(4, 0));
    WriteBytes(at(L"qv.ini"), Text("[Option]"));
    std::filesystem::create_directories(at(L"folder\\inside"));
    std::filesystem::create_directories(at(L"qv.feeds"));
    ASSERT_TRUE(CreateHardLinkW(at(L"link.ics").c_str(), data.c_str(), nullptr));
    WriteBytes(at(L"old.ics"), Text("old"));
    WriteBytes(at(L"old.ics.tmp"), Text("someone's"));
    const std::pair<std::wstring, unsigned> cases[] = {{at(L"folder"), IDS_EXPORT_NOT_A_FILE},
                                                       {at(L"folder") + L"\\", IDS_EXPORT_NOT_A_FILE},
                                                       {L"\\\\.\\NUL", IDS_EXPORT_NOT_A_FILE},
                                                       {data, IDS_EXPORT_KEPT_FILE},
                                                       {at(L"QV.INI"), IDS_EXPORT_KEPT_FILE},
                                                       {at(L"Qv.Dat.NEW"), IDS_EXPORT_KEPT_FILE},
                                                       {at(L"link.ics"), IDS_EXPORT_KEPT_FILE},
                                                       {at(L"qv.feeds\\0123456789abcdef.ics"), IDS_EXPORT_KEPT_FILE},
                                                       {at(L"old.ics"), 0},
                                                       {at(L"new.ics"), 0}};
    for (const auto& [target, reason] : cases) {
        const exchange::Outcome outcome = exchange::ExportDayData(data, target);
        EXPECT_EQ(outcome.reason, reason) << target;
        EXPECT_EQ(outcome.status, reason ? exchange::Status::Refused : exchange::Status::Done) << target;
    }
    EXPECT_EQ(ReadBytes(data), Bytes(4, 0));
    EXPECT_EQ(ReadBytes(at(L"qv.ini")), Text("[Option]"));
    EXPECT_TRUE(std::filesystem::exists(at(L"folder\\inside")));
    EXPECT_EQ(ReadBytes(at(L"old.ics.tmp")), Text("someone's"));
    EXPECT_EQ(ReadBytes(at(L"old.ics")).size(), ReadBytes(at(L"new.ics")).size());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 8); // no temporary left
}
