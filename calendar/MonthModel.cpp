#include "calendar/MonthModel.h"

#include "app/Application.h"
#include "calendar/DateUtil.h"
#include "calendar/FileIO.h"
#include "calendar/Holidays.h"
#include "resource.h"

#include <algorithm>
#include <cassert>

namespace {
std::chrono::year_month_day LocalToday()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return std::chrono::year_month_day{std::chrono::year{now.wYear}, std::chrono::month{now.wMonth},
                                       std::chrono::day{now.wDay}};
}

int CellIndex(int column, int row)
{
    assert(column >= 0 && column < MonthModel::COLUMNS && row >= 0 && row < MonthModel::ROWS);
    return std::clamp(row, 0, MonthModel::ROWS - 1) * MonthModel::COLUMNS +
           std::clamp(column, 0, MonthModel::COLUMNS - 1);
}

// Largest day the month has in any year, so 29 February survives common years.
int MaxDaysEver(int month) { return DaysInMonth(2000, month); }
} // namespace

MonthModel::MonthModel(std::wstring dataDirectory) : directory_(std::move(dataDirectory)), today_(LocalToday) {}

void MonthModel::SetDataDirectory(std::wstring dir) { directory_ = std::move(dir); }

void MonthModel::SetClock(std::function<std::chrono::year_month_day()> today)
{
    today_ = today ? std::move(today) : LocalToday;
}

std::wstring MonthModel::DataFilePath() const
{
    std::wstring dir = directory_;
    if (dir.empty() && TheApp() != nullptr)
        TheApp()->ModuleDirectory(dir);
    const std::wstring name = ResString(IDS_DAT_FILE);
    // Without a name there is no file to read or write.
    return name.empty() ? std::wstring() : dir + name;
}

std::wstring MonthModel::TempFilePath() const
{
    const std::wstring path = DataFilePath();
    return path.empty() ? path : path + L".new";
}

void MonthModel::Rebuild()
{
    if (month_ < 1 || month_ > 12)
        return;
    pendingMemos_.clear();
    pendingMemorials_.clear();
    const int w1 = DayOfWeek(year_, month_, 1);
    const int dm = DaysInMonth(year_, month_);
    const std::chrono::year_month_day today = today_();
    const int todayYear = static_cast<int>(today.year());
    const int todayMonth = static_cast<int>(static_cast<unsigned>(today.month()));
    const int todayDay = static_cast<int>(static_cast<unsigned>(today.day()));

    for (int r = 0; r < ROWS; ++r) {
        for (int k = 0; k < COLUMNS; ++k) {
            DayRecord& cell = cells_[static_cast<std::size_t>(r * COLUMNS + k)];
            cell = DayRecord{};
            const int n = 1 - w1 + 7 * r + k;
            cell.year = year_;
            cell.month = month_;
            cell.day = n;
            cell.weekday = k;
            if (restMask_ & (1u << k))
                cell.flags |= DAY_REST;
            if (k == 6)
                cell.flags |= DAY_SATURDAY;
            if (n <= 0) {
                if (--cell.month < 1) {
                    cell.month = 12;
                    --cell.year;
                }
                cell.day = DaysInMonth(cell.year, cell.month) + n;
                cell.flags |= DAY_PREV_MONTH;
            } else if (n > dm) {
                if (++cell.month > 12) {
                    cell.month = 1;
                    ++cell.year;
                }
                cell.day = n - dm;
                cell.flags |= DAY_NEXT_MONTH;
            }
            // Adjacent-month cells get their own holidays too.
            cell.holidayName = HolidayName(cell.year, cell.month, cell.day, k);
            if (cell.holidayName != nullptr)
                cell.flags |= DAY_HOLIDAY;
            if (cell.year == todayYear && cell.month == todayMonth && cell.day == todayDay)
                cell.flags |= DAY_TODAY;
        }
    }
    memoBlock_ = memorialBlock_ = -1;
    hiddenMemorials_.clear();
    LoadMemos(year_, month_);
    LoadMemorials(month_);
}

void MonthModel::ShowThisMonth()
{
    const std::chrono::year_month_day today = today_();
    Show(static_cast<int>(today.year()), static_cast<int>(static_cast<unsigned>(today.month())));
}

void MonthModel::Show(int year, int month)
{
    if (month < 1 || month > 12)
        return;
    year_ = year;
    month_ = month;
    Rebuild();
}

void MonthModel::NextMonth()
{
    if (month_ == 12)
        Show(year_ + 1, 1);
    else
        Show(year_, month_ + 1);
}

void MonthModel::PrevMonth()
{
    if (month_ == 1)
        Show(year_ - 1, 12);
    else
        Show(year_, month_ - 1);
}

void MonthModel::NextYear()
{
    if (year_ < LAST_YEAR_STEP)
        Show(year_ + 1, month_);
}

void MonthModel::PrevYear()
{
    if (year_ - 1 >= FIRST_YEAR_STEP)
        Show(year_ - 1, month_);
}

void MonthModel::SetMonth(int m) { Show(year_, m); }

DayRecord* MonthModel::FindToday()
{
    for (int k = 0; k < COLUMNS; ++k)
        for (int r = 0; r < ROWS; ++r)
            if (Cell(k, r).flags & DAY_TODAY)
                return &Cell(k, r);
    return nullptr;
}

const DayRecord& MonthModel::Cell(int column, int row) const
{
    return cells_[static_cast<std::size_t>(CellIndex(column, row))];
}

DayRecord& MonthModel::Cell(int column, int row) { return cells_[static_cast<std::size_t>(CellIndex(column, row))]; }

DayRecord* MonthModel::ShownDay(int day)
{
    if (month_ < 1 || day < 1 || day > DaysInMonth(year_, month_))
        return nullptr;
    // Day 1 sits in row 0 at the column of its weekday.
    DayRecord& cell = cells_[static_cast<std::size_t>(DayOfWeek(year_, month_, 1) + day - 1)];
    return cell.InShownMonth() && cell.day == day ? &cell : nullptr;
}

bool MonthModel::LoadMemos(int year, int month)
{
    if (!IsShown(year, month))
        return false;
    memoBlock_ = -1;
    for (DayRecord& cell : cells_) {
        cell.memo.clear();
        cell.flags &= ~DAY_MEMO;
    }
    MappedFile mapped;
    const ReadResult opened = mapped.Open(DataFilePath());
    memosLoaded_ = opened == ReadResult::Missing;
    if (opened != ReadResult::Ok)
        return memosLoaded_;
    const std::span<const std::uint8_t> file = mapped.Bytes();

    const dayfile::Layout layout = dayfile::ReadLayout(file);
    const auto block = dayfile::FindBlock(file, layout.memo, year * 100 + month);
    if (block) {
        memoBlock_ = block->whole.begin - layout.memo.begin;
        for (dayfile::MemoEntry& entry : dayfile::ParseMemoEntries(dayfile::Bytes(file, block->data))) {
            DayRecord* cell = ShownDay(entry.day);
            if (cell == nullptr || (cell->flags & DAY_MEMO))
                continue; // a day the month lacks, or a repeated day: the first entry wins
            cell->memo = std::move(entry.text);
            cell->flags |= DAY_MEMO;
        }
    }
    memosLoaded_ = true;
    return true;
}

bool MonthModel::LoadMemorials(int month)
{
    if (!IsShown(year_, month))
        return false;
    memorialBlock_ = -1;
    hiddenMemorials_.clear();
    for (DayRecord& cell : cells_) {
        cell.memorialName.clear();
        cell.memorialPicture.clear();
        cell.flags &= ~DAY_MEMORIAL;
    }
    MappedFile mapped;
    const ReadResult opened = mapped.Open(DataFilePath());
    memorialsLoaded_ = opened == ReadResult::Missing;
    if (opened != ReadResult::Ok)
        return memorialsLoaded_;
    const std::span<const std::uint8_t> file = mapped.Bytes();

    const dayfile::Layout layout = dayfile::ReadLayout(file);
    const auto block = dayfile::FindBlock(file, layout.memorial, month);
    if (block) {
        memorialBlock_ = block->whole.begin - layout.memorial.begin;
        const int dm = DaysInMonth(year_, month);
        for (dayfile::MemorialEntry& entry : dayfile::ParseMemorialEntries(dayfile::Bytes(file, block->data))) {
            if (entry.day > dm && entry.day <= MaxDaysEver(month)) {
                const bool repeated = std::any_of(hiddenMemorials_.begin(), hiddenMemorials_.end(),
                                                  [&](const auto& e) { return e.day == entry.day; });
                if (!repeated)
                    hiddenMemorials_.push_back(std::move(entry));
                continue;
            }
            DayRecord* cell = ShownDay(entry.day);
            if (cell == nullptr || (cell->flags & DAY_MEMORIAL))
                continue;
            cell->memorialName = std::move(entry.name);
            cell->memorialPicture = std::move(entry.picture);
            cell->flags |= DAY_MEMORIAL;
        }
    }
    memorialsLoaded_ = true;
    return true;
}

namespace {
void ApplyMemo(DayRecord& cell, const std::wstring& text)
{
    cell.memo = text;
    if (text.empty())
        cell.flags &= ~DAY_MEMO;
    else
        cell.flags |= DAY_MEMO;
}

void ApplyMemorial(DayRecord& cell, const std::wstring& name, const std::wstring& picture)
{
    cell.memorialName = name.empty() ? std::wstring() : name;
    cell.memorialPicture = name.empty() ? std::wstring() : picture;
    if (name.empty())
        cell.flags &= ~DAY_MEMORIAL;
    else
        cell.flags |= DAY_MEMORIAL;
}

template <class Entry> void Remember(std::vector<Entry>& pending, Entry entry)
{
    std::erase_if(pending, [&](const Entry& e) { return e.day == entry.day; });
    pending.push_back(std::move(entry));
}
} // namespace

bool MonthModel::SetMemo(int column, int row, const std::wstring& text)
{
    if (!Cell(column, row).InShownMonth() || month_ < 1)
        return false;
    // Without the month's stored memos the save would drop them; try once more.
    if (!memosLoaded_) {
        LoadMemos(year_, month_);
        for (const dayfile::MemoEntry& e : pendingMemos_)
            ApplyMemo(*ShownDay(e.day), e.text);
        if (memosLoaded_)
            pendingMemos_.clear();
    }
    DayRecord& cell = Cell(column, row);
    ApplyMemo(cell, text);
    if (!memosLoaded_)
        Remember(pendingMemos_, dayfile::MemoEntry{cell.day, text});
    return SaveMemos(year_, month_);
}

bool MonthModel::SetMemorial(int column, int row, const std::wstring& name, const std::wstring& picture)
{
    if (!Cell(column, row).InShownMonth() || month_ < 1)
        return false;
    if (!memorialsLoaded_) {
        LoadMemorials(month_);
        for (const dayfile::MemorialEntry& e : pendingMemorials_)
            ApplyMemorial(*ShownDay(e.day), e.name, e.picture);
        if (memorialsLoaded_)
            pendingMemorials_.clear();
    }
    DayRecord& cell = Cell(column, row);
    ApplyMemorial(cell, name, picture);
    if (!memorialsLoaded_)
        Remember(pendingMemorials_, dayfile::MemorialEntry{cell.day, name, picture});
    return SaveMemorials(month_);
}

bool MonthModel::WriteSpliced(SpliceFunction splice, std::int32_t key, std::span<const std::uint8_t> block,
                              std::int64_t& position)
{
    // The old file is read through a view and the new one written from its
    // pieces; a file that exists but cannot be read is never overwritten.
    const std::wstring path = DataFilePath();
    MappedFile old;
    if (path.empty() || old.Open(path) == ReadResult::Failed)
        return false;
    const auto spliced = splice(old.Bytes(), key, block);
    FileReplacement replacement(path, TempFilePath());
    if (!spliced || !replacement.Write(spliced->Pieces()))
        return false;
    old.Close(); // the view would keep the old file from being replaced
    if (!replacement.Commit())
        return false;
    position = spliced->blockPosition;
    return true;
}

bool MonthModel::SaveMemos(int year, int month)
{
    if (!IsShown(year, month) || !memosLoaded_)
        return false;
    std::vector<dayfile::MemoEntry> entries;
    for (const DayRecord& cell : cells_)
        if (cell.InShownMonth() && (cell.flags & DAY_MEMO) && !cell.memo.empty())
            entries.push_back({cell.day, cell.memo});
    const auto block = dayfile::EncodeMemoBlock(year * 100 + month, entries);
    return block && WriteSpliced(dayfile::SpliceMemoBlock, year * 100 + month, *block, memoBlock_);
}

bool MonthModel::SaveMemorials(int month)
{
    if (!IsShown(year_, month) || !memorialsLoaded_)
        return false;
    std::vector<dayfile::MemorialEntry> entries;
    for (const DayRecord& cell : cells_)
        if (cell.InShownMonth() && (cell.flags & DAY_MEMORIAL))
            entries.push_back({cell.day, cell.memorialName, cell.memorialPicture});
    // Hidden days lie after the month's last day, so ascending order holds.
    entries.insert(entries.end(), hiddenMemorials_.begin(), hiddenMemorials_.end());
    const auto block = dayfile::EncodeMemorialBlock(month, entries);
    return block && WriteSpliced(dayfile::SpliceMemorialBlock, month, *block, memorialBlock_);
}
