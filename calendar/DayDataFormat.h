// The byte layout of the day-data file: a memo section of blocks keyed
// year * 100 + month behind its 32-bit length, then a memorial section of
// blocks keyed by month up to the end of the file. Integers are signed 32-bit
// little-endian, texts UTF-16LE without terminator.
//
// Nothing read from the file is trusted: every range is clipped to the bytes
// that exist, and a length that does not fit ends the block or the section.
// A memo-section length that disagrees with blocks that otherwise fit exactly
// (memo blocks, keyed year * 100 + month, then memorial blocks, keyed 1-12) is
// taken from the blocks, so that no entry is lost to it.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dayfile {

// What one memo line and one day's memo hold at most (characters, line breaks counted):
// far more than a person writes on a day, little enough for the popup and the file.
constexpr std::size_t kMaxMemoLine = 2000;
constexpr std::size_t kMaxMemoChars = 32000;
// Whether a memo keeps within both.
bool MemoFits(std::wstring_view memo);

struct Range {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    std::int64_t Size() const { return end - begin; }
};

struct Layout {
    Range memo;     // the blocks after the 4-byte length
    Range memorial; // from the end of the memo section to the end of the file
};

struct Block {
    Range whole; // header and entries
    Range data;  // entries only
};

struct MemoEntry {
    int day = 0;
    std::wstring text;
};

struct MemorialEntry {
    int day = 0;
    std::wstring name;
    std::wstring picture;
};

// A section length outside what the file holds is clipped to it.
Layout ReadLayout(std::span<const std::uint8_t> file);

// Whether the file reads back whole: its memo-section length, every block's and
// every entry's length fit exactly. An empty file holds nothing, whole.
bool ReadsWhole(std::span<const std::uint8_t> file);

// Every block whose header lies inside `section`, in file order, until `visit` returns false.
void ForEachBlock(std::span<const std::uint8_t> file, Range section,
                  const std::function<bool(std::int32_t key, const Block& block)>& visit);

// The first block with `key` whose header lies inside `section`.
std::optional<Block> FindBlock(std::span<const std::uint8_t> file, Range section, std::int32_t key);

std::span<const std::uint8_t> Bytes(std::span<const std::uint8_t> file, Range range);

// Entries in file order; empty texts are skipped, a truncated entry ends the list.
std::vector<MemoEntry> ParseMemoEntries(std::span<const std::uint8_t> data);
std::vector<MemorialEntry> ParseMemorialEntries(std::span<const std::uint8_t> data);

// A whole block, or an empty vector when there are no entries.
// Null when a length does not fit the format.
std::optional<std::vector<std::uint8_t>> EncodeMemoBlock(std::int32_t key, std::span<const MemoEntry> entries);
std::optional<std::vector<std::uint8_t>> EncodeMemorialBlock(std::int32_t key, std::span<const MemorialEntry> entries);

// The new file as pieces of the old file and the new block, so that nothing
// is copied before it is written; valid while both live.
struct Spliced {
    std::array<std::uint8_t, 4> length{}; // the memo section length field
    std::array<std::span<const std::uint8_t>, 3> parts{};

    std::array<std::span<const std::uint8_t>, 4> Pieces() const
    {
        return {std::span<const std::uint8_t>(length), parts[0], parts[1], parts[2]};
    }
};

// The file with the old block of `key` (if any) removed and `block` at the
// front of the memo section; everything else passes through unchanged.
std::optional<Spliced> SpliceMemoBlock(std::span<const std::uint8_t> file, std::int32_t key,
                                       std::span<const std::uint8_t> block);
// The file with `block` in place of the old block of `key`, or at the front of
// the memorial section when there was none.
std::optional<Spliced> SpliceMemorialBlock(std::span<const std::uint8_t> file, std::int32_t key,
                                           std::span<const std::uint8_t> block);

} // namespace dayfile
