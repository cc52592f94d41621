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
    pending_.clear();
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
    LoadDayData();
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

namespace {
std::uint32_t FlagOf(bool memo) { return memo ? DAY_MEMO : DAY_MEMORIAL; }
} // namespace

bool MonthModel::LoadDayData()
{
    // Both kinds are read even when one fails, so whatever can be shown is.
    const bool shown = month_ >= 1;
    const bool memos = shown && Load(Kind::Memo);
    const bool memorials = shown && Load(Kind::Memorial);
    loaded_ = memos && memorials;
    for (const Entry& edit : pending_)
        if (DayRecord* cell = ShownDay(edit.day))
            Apply(*cell, edit);
    if (loaded_)
        pending_.clear();
    return loaded_;
}

void MonthModel::Apply(DayRecord& cell, const Entry& entry)
{
    const bool memo = entry.kind == Kind::Memo;
    // An empty memo, or a memorial day without a name, removes the day's entry.
    const bool keep = !entry.text.empty();
    (memo ? cell.memo : cell.memorialName) = keep ? entry.text : std::wstring();
    if (!memo)
        cell.memorialPicture = keep ? entry.picture : std::wstring();
    cell.flags = keep ? cell.flags | FlagOf(memo) : cell.flags & ~FlagOf(memo);
}

bool MonthModel::Load(Kind kind)
{
    const bool memo = kind == Kind::Memo;
    BlockOf(kind) = -1;
    if (!memo)
        hiddenMemorials_.clear();
    for (DayRecord& cell : cells_)
        Apply(cell, Entry{kind});
    MappedFile mapped;
    const ReadResult opened = mapped.Open(DataFilePath());
    if (opened != ReadResult::Ok)
        return opened == ReadResult::Missing;
    const std::span<const std::uint8_t> file = mapped.Bytes();

    const dayfile::Layout layout = dayfile::ReadLayout(file);
    const dayfile::Range section = memo ? layout.memo : layout.memorial;
    const auto block = dayfile::FindBlock(file, section, KeyOf(kind));
    if (!block)
        return true;
    BlockOf(kind) = block->whole.begin - section.begin;
    std::vector<Entry> entries;
    const auto data = dayfile::Bytes(file, block->data);
    if (memo)
        for (dayfile::MemoEntry& e : dayfile::ParseMemoEntries(data))
            entries.push_back({kind, e.day, std::move(e.text)});
    else
        for (dayfile::MemorialEntry& e : dayfile::ParseMemorialEntries(data))
            entries.push_back({kind, e.day, std::move(e.name), std::move(e.picture)});

    const auto sameDay = [](int day) { return [day](const Entry& e) { return e.day == day; }; };
    for (Entry& entry : entries) {
        if (!memo && entry.day > DaysInMonth(year_, month_) && entry.day <= MaxDaysEver(month_)) {
            if (std::none_of(hiddenMemorials_.begin(), hiddenMemorials_.end(), sameDay(entry.day)))
                hiddenMemorials_.push_back(std::move(entry));
            continue;
        }
        DayRecord* cell = ShownDay(entry.day);
        if (cell == nullptr || (cell->flags & FlagOf(memo)))
            continue; // a day the month lacks, or a repeated day: the first entry wins
        // Read as stored: a memorial entry with only a picture is still shown.
        (memo ? cell->memo : cell->memorialName) = std::move(entry.text);
        if (!memo)
            cell->memorialPicture = std::move(entry.picture);
        cell->flags |= FlagOf(memo);
    }
    return true;
}

bool MonthModel::SetMemo(int column, int row, const std::wstring& text)
{
    return Edit(column, row, Entry{Kind::Memo, 0, text});
}

bool MonthModel::SetMemorial(int column, int row, const std::wstring& name, const std::wstring& picture)
{
    return Edit(column, row, Entry{Kind::Memorial, 0, name, picture});
}

bool MonthModel::Edit(int column, int row, Entry entry)
{
    DayRecord& cell = Cell(column, row);
    if (!cell.InShownMonth() || month_ < 1)
        return false;
    // Without the month's stored entries the save would drop them; try once more.
    if (!loaded_)
        LoadDayData();
    entry.day = cell.day;
    Apply(cell, entry);
    const Kind kind = entry.kind;
    if (!loaded_) {
        std::erase_if(pending_, [&](const Entry& e) { return e.kind == kind && e.day == entry.day; });
        pending_.push_back(std::move(entry));
    }
    return Save(kind);
}

bool MonthModel::Save(Kind kind)
{
    if (!loaded_)
        return false;
    std::optional<std::vector<std::uint8_t>> block;
    if (kind == Kind::Memo) {
        std::vector<dayfile::MemoEntry> entries;
        for (const DayRecord& cell : cells_)
            if (cell.InShownMonth() && (cell.flags & DAY_MEMO) && !cell.memo.empty())
                entries.push_back({cell.day, cell.memo});
        block = dayfile::EncodeMemoBlock(KeyOf(kind), entries);
    } else {
        std::vector<dayfile::MemorialEntry> entries;
        for (const DayRecord& cell : cells_)
            if (cell.InShownMonth() && (cell.flags & DAY_MEMORIAL))
                entries.push_back({cell.day, cell.memorialName, cell.memorialPicture});
        // Hidden days lie after the month's last day, so ascending order holds.
        for (const Entry& e : hiddenMemorials_)
            entries.push_back({e.day, e.text, e.picture});
        block = dayfile::EncodeMemorialBlock(KeyOf(kind), entries);
    }
    // The old file is read through a view and the new one written from its
    // pieces; a file that exists but cannot be read is never overwritten.
    const std::wstring path = DataFilePath();
    MappedFile old;
    if (!block || path.empty() || old.Open(path) == ReadResult::Failed)
        return false;
    const auto spliced = kind == Kind::Memo ? dayfile::SpliceMemoBlock(old.Bytes(), KeyOf(kind), *block)
                                            : dayfile::SpliceMemorialBlock(old.Bytes(), KeyOf(kind), *block);
    FileReplacement replacement(path, TempFilePath());
    if (!spliced || !replacement.Write(spliced->Pieces()))
        return false;
    old.Close(); // the view would keep the old file from being replaced
    if (!replacement.Commit())
        return false;
    BlockOf(kind) = spliced->blockPosition;
    return true;
}
