#include "calendar/DayDataFormat.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace dayfile {
namespace {
constexpr std::int64_t kHeaderSize = 8;

std::int32_t GetInt32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

void PutInt32(std::vector<std::uint8_t>& out, std::int64_t value)
{
    const auto v = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 24));
}

void SetInt32(std::array<std::uint8_t, 4>& out, std::int64_t value)
{
    const auto v = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    for (int i = 0; i < 4; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutText(std::vector<std::uint8_t>& out, const std::wstring& text)
{
    PutInt32(out, static_cast<std::int64_t>(text.size()));
    for (const wchar_t c : text) {
        const auto unit = static_cast<std::uint16_t>(c);
        out.push_back(static_cast<std::uint8_t>(unit));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

// Sequential reads inside one block's bytes.
class EntryReader {
public:
    explicit EntryReader(std::span<const std::uint8_t> data) : data_(data) {}
    bool Int32(std::int32_t& value)
    {
        if (data_.size() - pos_ < 4)
            return false;
        value = GetInt32(data_.data() + pos_);
        pos_ += 4;
        return true;
    }
    // A length that is negative or larger than what remains fails.
    bool Text(std::wstring& text)
    {
        std::size_t units = 0;
        if (!Length(units))
            return false;
        text.resize(units);
        for (std::size_t i = 0; i < text.size(); ++i, pos_ += 2)
            text[i] = static_cast<wchar_t>(data_[pos_] | data_[pos_ + 1] << 8);
        return true;
    }
    bool SkipText()
    {
        std::size_t units = 0;
        if (!Length(units))
            return false;
        pos_ += 2 * units;
        return true;
    }
    bool AtEnd() const { return pos_ == data_.size(); }

private:
    bool Length(std::size_t& units)
    {
        std::int32_t stated = 0;
        if (!Int32(stated) || stated < 0 || static_cast<std::size_t>(stated) > (data_.size() - pos_) / 2)
            return false;
        units = static_cast<std::size_t>(stated);
        return true;
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

bool IsMemoKey(std::int32_t key) { return key >= 101 && key % 100 >= 1 && key % 100 <= 12; }
bool IsMemorialKey(std::int32_t key) { return key >= 1 && key <= 12; }

// Where the memo blocks end when every block of the file fits exactly and the
// memo keys all come before the memorial keys; nothing when the blocks leave doubt.
std::optional<std::int64_t> MemoBlocksEnd(std::span<const std::uint8_t> file)
{
    const auto size = static_cast<std::int64_t>(file.size());
    std::int64_t pos = 4;
    std::int64_t end = 4;
    bool memorials = false;
    while (pos < size) {
        if (size - pos < kHeaderSize)
            return std::nullopt;
        const std::int32_t key = GetInt32(file.data() + pos);
        const std::int32_t length = GetInt32(file.data() + pos + 4);
        if (length < 0 || length > size - pos - kHeaderSize)
            return std::nullopt;
        if (IsMemoKey(key) && !memorials)
            end = pos + kHeaderSize + length;
        else if (IsMemorialKey(key))
            memorials = true;
        else
            return std::nullopt;
        pos += kHeaderSize + length;
    }
    return end;
}

// Every entry of a block's data fits, up to its last byte: a day, then `texts` texts.
bool EntriesFit(std::span<const std::uint8_t> data, int texts)
{
    EntryReader reader(data);
    std::int32_t day = 0;
    while (!reader.AtEnd()) {
        if (!reader.Int32(day))
            return false;
        for (int i = 0; i < texts; ++i)
            if (!reader.SkipText())
                return false;
    }
    return true;
}

bool TextFits(const std::wstring& text) { return text.size() <= (INT32_MAX - 64) / 2; }

// Clipped to the file, so a range can never reach past its end.
std::span<const std::uint8_t> Slice(std::span<const std::uint8_t> file, std::int64_t begin, std::int64_t end)
{
    const auto size = static_cast<std::int64_t>(file.size());
    begin = std::clamp<std::int64_t>(begin, 0, size);
    end = std::clamp<std::int64_t>(end, begin, size);
    return file.subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}
} // namespace

bool MemoFits(std::wstring_view memo)
{
    if (memo.size() > kMaxMemoChars)
        return false;
    for (std::size_t pos = 0; pos <= memo.size();) {
        const std::size_t end = std::min(memo.find_first_of(L"\r\n", pos), memo.size());
        if (end - pos > kMaxMemoLine)
            return false;
        pos = end + 1;
    }
    return true;
}

Layout ReadLayout(std::span<const std::uint8_t> file)
{
    const auto size = static_cast<std::int64_t>(file.size());
    Layout layout;
    if (size < 4) {
        layout.memo = layout.memorial = {size, size};
        return layout;
    }
    const std::int64_t stated = GetInt32(file.data());
    std::int64_t length = std::clamp<std::int64_t>(stated, 0, size - 4);
    if (const auto end = MemoBlocksEnd(file); end && *end != 4 + stated)
        length = *end - 4;
    layout.memo = {4, 4 + length};
    layout.memorial = {4 + length, size};
    return layout;
}

bool ReadsWhole(std::span<const std::uint8_t> file)
{
    if (file.empty())
        return true;
    const auto end = file.size() >= 4 ? MemoBlocksEnd(file) : std::nullopt;
    if (!end || *end != 4 + std::int64_t{GetInt32(file.data())})
        return false;
    const Layout layout = ReadLayout(file);
    bool whole = true;
    for (const auto& [section, texts] : {std::pair{layout.memo, 1}, {layout.memorial, 2}})
        ForEachBlock(file, section, [&](std::int32_t, const Block& block) {
            whole = whole && EntriesFit(Bytes(file, block.data), texts);
            return whole;
        });
    return whole;
}

void ForEachBlock(std::span<const std::uint8_t> file, Range section,
                  const std::function<bool(std::int32_t key, const Block& block)>& visit)
{
    section.end = std::min<std::int64_t>(section.end, static_cast<std::int64_t>(file.size()));
    std::int64_t pos = std::max<std::int64_t>(section.begin, 0);
    while (section.end - pos >= kHeaderSize) {
        const std::uint8_t* header = file.data() + pos;
        const std::int32_t length = GetInt32(header + 4);
        if (length < 0)
            return; // nothing after it can be located
        // A block longer than its section ends with the section.
        const std::int64_t end = std::min<std::int64_t>(pos + kHeaderSize + length, section.end);
        if (!visit(GetInt32(header), Block{{pos, end}, {pos + kHeaderSize, end}}))
            return;
        pos = end;
    }
}

std::optional<Block> FindBlock(std::span<const std::uint8_t> file, Range section, std::int32_t key)
{
    std::optional<Block> found;
    ForEachBlock(file, section, [&](std::int32_t blockKey, const Block& block) {
        if (blockKey == key)
            found = block;
        return !found;
    });
    return found;
}

std::span<const std::uint8_t> Bytes(std::span<const std::uint8_t> file, Range range)
{
    return Slice(file, range.begin, range.end);
}

std::vector<MemoEntry> ParseMemoEntries(std::span<const std::uint8_t> data)
{
    std::vector<MemoEntry> entries;
    EntryReader reader(data);
    MemoEntry entry;
    while (reader.Int32(entry.day) && reader.Text(entry.text)) {
        if (!entry.text.empty())
            entries.push_back(entry);
    }
    return entries;
}

std::vector<MemorialEntry> ParseMemorialEntries(std::span<const std::uint8_t> data)
{
    std::vector<MemorialEntry> entries;
    EntryReader reader(data);
    MemorialEntry entry;
    while (reader.Int32(entry.day) && reader.Text(entry.name) && reader.Text(entry.picture)) {
        if (!entry.name.empty() || !entry.picture.empty())
            entries.push_back(entry);
    }
    return entries;
}

std::optional<std::vector<std::uint8_t>> EncodeMemoBlock(std::int32_t key, std::span<const MemoEntry> entries)
{
    std::vector<std::uint8_t> block;
    if (entries.empty())
        return block;
    std::int64_t size = kHeaderSize;
    for (const MemoEntry& e : entries) {
        if (!TextFits(e.text))
            return std::nullopt;
        size += 8 + 2 * static_cast<std::int64_t>(e.text.size());
    }
    if (size > INT32_MAX)
        return std::nullopt;
    block.reserve(static_cast<std::size_t>(size));
    PutInt32(block, key);
    PutInt32(block, size - kHeaderSize);
    for (const MemoEntry& e : entries) {
        PutInt32(block, e.day);
        PutText(block, e.text);
    }
    return block;
}

std::optional<std::vector<std::uint8_t>> EncodeMemorialBlock(std::int32_t key, std::span<const MemorialEntry> entries)
{
    std::vector<std::uint8_t> block;
    if (entries.empty())
        return block;
    std::int64_t size = kHeaderSize;
    for (const MemorialEntry& e : entries) {
        if (!TextFits(e.name) || !TextFits(e.picture))
            return std::nullopt;
        size += 12 + 2 * static_cast<std::int64_t>(e.name.size() + e.picture.size());
    }
    if (size > INT32_MAX)
        return std::nullopt;
    block.reserve(static_cast<std::size_t>(size));
    PutInt32(block, key);
    PutInt32(block, size - kHeaderSize);
    for (const MemorialEntry& e : entries) {
        PutInt32(block, e.day);
        PutText(block, e.name);
        PutText(block, e.picture);
    }
    return block;
}

std::optional<Spliced> SpliceMemoBlock(std::span<const std::uint8_t> file, std::int32_t key,
                                       std::span<const std::uint8_t> block)
{
    const Layout layout = ReadLayout(file);
    const std::optional<Block> old = FindBlock(file, layout.memo, key);
    const Range removed = old ? old->whole : Range{layout.memo.begin, layout.memo.begin};
    const std::int64_t length = layout.memo.Size() - removed.Size() + static_cast<std::int64_t>(block.size());
    if (length > INT32_MAX)
        return std::nullopt;

    Spliced result;
    SetInt32(result.length, length);
    result.parts = {block, Slice(file, layout.memo.begin, removed.begin),
                    Slice(file, removed.end, layout.memorial.end)};
    return result;
}

std::optional<Spliced> SpliceMemorialBlock(std::span<const std::uint8_t> file, std::int32_t key,
                                           std::span<const std::uint8_t> block)
{
    const Layout layout = ReadLayout(file);
    const std::optional<Block> old = FindBlock(file, layout.memorial, key);
    const Range removed = old ? old->whole : Range{layout.memorial.begin, layout.memorial.begin};

    Spliced result;
    // The length is written as it was read after clipping, so the memorial
    // section starts where the readers will look for it.
    SetInt32(result.length, layout.memo.Size());
    result.parts = {Slice(file, layout.memo.begin, removed.begin), block,
                    Slice(file, removed.end, layout.memorial.end)};
    return result;
}

} // namespace dayfile
