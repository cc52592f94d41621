#include "calendar/MonthModel.h"

#include "app/Application.h"
#include "calendar/DateUtil.h"
#include "calendar/DayDataFile.h"
#include "calendar/Holidays.h"
#include "resource.h"

#include <algorithm>
#include <cassert>
#include <optional>
#include <span>

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
    // Edits that could not be written before go in as soon as the file can be read.
    if (!pending_.empty() && !readError_.Failed())
        SavePending();
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

int MonthModel::DayIndex(int day) const
{
    if (month_ < 1 || day < 1 || day > DaysInMonth(year_, month_))
        return -1;
    // Day 1 sits in row 0 at the column of its weekday.
    const int index = DayOfWeek(year_, month_, 1) + day - 1;
    const DayRecord& cell = cells_[static_cast<std::size_t>(index)];
    return cell.InShownMonth() && cell.day == day ? index : -1;
}

DayRecord* MonthModel::ShownDay(int day)
{
    const int index = DayIndex(day);
    return index < 0 ? nullptr : &cells_[static_cast<std::size_t>(index)];
}

const DayRecord* MonthModel::ShownDate(std::chrono::year_month_day date) const
{
    if (static_cast<int>(date.year()) != year_ || static_cast<int>(static_cast<unsigned>(date.month())) != month_)
        return nullptr;
    const int index = DayIndex(static_cast<int>(static_cast<unsigned>(date.day())));
    return index < 0 ? nullptr : &cells_[static_cast<std::size_t>(index)];
}

namespace {
std::uint32_t FlagOf(bool memo) { return memo ? DAY_MEMO : DAY_MEMORIAL; }

// The block of `key` after the edit, and in `text` the day's memo as written;
// false when the edit changes nothing.
bool EditedBlock(std::span<const std::uint8_t> file, bool memo, std::int32_t key, int day, std::wstring& text,
                 const std::wstring& picture, const std::wstring& baseText, const std::wstring& basePicture,
                 std::optional<std::vector<std::uint8_t>>& block)
{
    const dayfile::Layout layout = dayfile::ReadLayout(file);
    const auto old = dayfile::FindBlock(file, memo ? layout.memo : layout.memorial, key);
    const auto data = old ? dayfile::Bytes(file, old->data) : std::span<const std::uint8_t>{};
    const auto place = [day](auto& entries, auto entry, bool keep) {
        std::erase_if(entries, [day](const auto& e) { return e.day == day; });
        if (keep)
            entries.insert(std::find_if(entries.begin(), entries.end(), [day](const auto& e) { return e.day > day; }),
                           std::move(entry));
    };
    if (memo) {
        std::vector<dayfile::MemoEntry> entries = dayfile::ParseMemoEntries(data);
        const auto stored = std::find_if(entries.begin(), entries.end(), [day](const auto& e) { return e.day == day; });
        const std::wstring now = stored != entries.end() ? stored->text : std::wstring();
        text = MergeMemo(now, baseText, text);
        if (text == now)
            return false;
        place(entries, dayfile::MemoEntry{day, text}, !text.empty());
        block = dayfile::EncodeMemoBlock(key, entries);
        return true;
    }
    // Left as it started: whatever is stored stays, even an entry changed meanwhile.
    if (text == baseText && picture == basePicture)
        return false;
    std::vector<dayfile::MemorialEntry> entries = dayfile::ParseMemorialEntries(data);
    const auto stored = std::find_if(entries.begin(), entries.end(), [day](const auto& e) { return e.day == day; });
    if (stored != entries.end() && stored->name == text && stored->picture == picture)
        return false;
    place(entries, dayfile::MemorialEntry{day, text, picture}, !text.empty());
    block = dayfile::EncodeMemorialBlock(key, entries);
    return true;
}

std::vector<std::uint8_t> Joined(std::span<const std::span<const std::uint8_t>> pieces)
{
    std::vector<std::uint8_t> out;
    for (const auto piece : pieces)
        out.insert(out.end(), piece.begin(), piece.end());
    return out;
}
} // namespace

void MonthModel::LoadDayData()
{
    readError_ = {};
    const std::wstring path = month_ >= 1 ? DataFilePath() : std::wstring();
    MappedFile mapped;
    if (!path.empty()) {
        // Recovery may move files: only inside the lock. Without it (another
        // writer holds it too long) the file is still read whole, as renamed.
        const DayDataLock lock(path, 2000);
        if ((lock.Held() ? KeptDayData(path).Open(mapped) : mapped.Open(path)) == ReadResult::Failed)
            readError_ = {path, mapped.Error()};
    }
    ShowData(mapped.Bytes());
    Show(pending_);
}

void MonthModel::ShowData(std::span<const std::uint8_t> file)
{
    for (DayRecord& cell : cells_) {
        Apply(cell, Kind::Memo, {}, {});
        Apply(cell, Kind::Memorial, {}, {});
    }
    const dayfile::Layout layout = dayfile::ReadLayout(file);
    for (const Kind kind : {Kind::Memo, Kind::Memorial}) {
        const bool memo = kind == Kind::Memo;
        const auto block = dayfile::FindBlock(file, memo ? layout.memo : layout.memorial, KeyOf(kind));
        if (!block)
            continue;
        const auto data = dayfile::Bytes(file, block->data);
        const auto show = [&](int day, std::wstring text, std::wstring picture) {
            DayRecord* cell = ShownDay(day);
            if (cell == nullptr || (cell->flags & FlagOf(memo)))
                return; // a day the month lacks, or a repeated day: the first entry wins
            // Read as stored: a memorial entry with only a picture is still shown.
            (memo ? cell->memo : cell->memorialName) = std::move(text);
            if (!memo)
                cell->memorialPicture = std::move(picture);
            cell->flags |= FlagOf(memo);
        };
        if (memo)
            for (dayfile::MemoEntry& e : dayfile::ParseMemoEntries(data))
                show(e.day, std::move(e.text), {});
        else
            for (dayfile::MemorialEntry& e : dayfile::ParseMemorialEntries(data))
                show(e.day, std::move(e.name), std::move(e.picture));
    }
}

void MonthModel::Apply(DayRecord& cell, Kind kind, const std::wstring& text, const std::wstring& picture)
{
    const bool memo = kind == Kind::Memo;
    // An empty memo, or a memorial day without a name, removes the day's entry.
    const bool keep = !text.empty();
    (memo ? cell.memo : cell.memorialName) = keep ? text : std::wstring();
    if (!memo)
        cell.memorialPicture = keep ? picture : std::wstring();
    cell.flags = keep ? cell.flags | FlagOf(memo) : cell.flags & ~FlagOf(memo);
}

void MonthModel::Show(const std::vector<Edit>& edits)
{
    for (const Edit& edit : edits)
        if (DayRecord* cell = edit.key == KeyOf(edit.kind) && month_ >= 1 ? ShownDay(edit.day) : nullptr)
            Apply(*cell, edit.kind, edit.text, edit.picture);
}

bool MonthModel::SetMemo(std::chrono::year_month_day date, const std::wstring& text, const std::wstring& base)
{
    const int year = static_cast<int>(date.year());
    // Years the exchange with other calendars can write and read back.
    if (!date.ok() || year < 1 || year > 9999)
        return Failed({DataFilePath(), ERROR_INVALID_PARAMETER});
    const int month = static_cast<int>(static_cast<unsigned>(date.month()));
    return Save({Kind::Memo, year * 100 + month, static_cast<int>(static_cast<unsigned>(date.day())), text, {}, base});
}

bool MonthModel::SetMemorial(std::chrono::month_day date, const Memorial& entry, const Memorial& base)
{
    if (!date.ok())
        return Failed({DataFilePath(), ERROR_INVALID_PARAMETER});
    return Save({Kind::Memorial, static_cast<int>(static_cast<unsigned>(date.month())),
                 static_cast<int>(static_cast<unsigned>(date.day())), entry.name, entry.picture, base.name,
                 base.picture});
}

bool MonthModel::SetMemo(int column, int row, const std::wstring& text)
{
    const DayRecord cell = Cell(column, row);
    if (!cell.InShownMonth() || month_ < 1)
        return Failed({DataFilePath(), ERROR_INVALID_PARAMETER});
    using namespace std::chrono;
    return SetMemo(year{cell.year} / cell.month / cell.day, text, cell.memo);
}

bool MonthModel::SetMemorial(int column, int row, const std::wstring& name, const std::wstring& picture)
{
    const DayRecord cell = Cell(column, row);
    if (!cell.InShownMonth() || month_ < 1)
        return Failed({DataFilePath(), ERROR_INVALID_PARAMETER});
    using namespace std::chrono;
    return SetMemorial(month{static_cast<unsigned>(cell.month)} / cell.day, {name, picture},
                       {cell.memorialName, cell.memorialPicture});
}

bool MonthModel::Failed(FileError error)
{
    lastError_ = std::move(error);
    return false;
}

bool MonthModel::Save(Edit edit)
{
    // A day edited again before its first edit was written keeps the first base.
    const auto same = [&](const Edit& e) { return e.kind == edit.kind && e.key == edit.key && e.day == edit.day; };
    if (const auto older = std::find_if(pending_.begin(), pending_.end(), same); older != pending_.end()) {
        edit.baseText = older->baseText;
        edit.basePicture = older->basePicture;
        pending_.erase(older);
    }
    pending_.push_back(std::move(edit));
    Show(pending_);
    return SavePending();
}

bool MonthModel::SavePending()
{
    if (pending_.empty())
        return true;
    if (!Write(pending_)) {
        Show(pending_);
        return false;
    }
    pending_.clear();
    lastError_ = {};
    return true;
}

bool MonthModel::Write(const std::vector<Edit>& edits)
{
    const std::wstring path = DataFilePath();
    if (path.empty())
        return Failed({path, ERROR_INVALID_NAME});
    const DayDataLock lock(path);
    if (!lock.Held())
        return Failed({path, lock.Error()});
    const KeptFile kept = KeptDayData(path);
    // A file that exists but cannot be read is never written over.
    MappedFile old;
    if (kept.Open(old) == ReadResult::Failed)
        return Failed({path, old.Error()});

    // Each edit on the file as the ones before left it; only the last is
    // written from pieces without a copy.
    std::vector<std::uint8_t> earlier;
    std::optional<std::vector<std::uint8_t>> block;
    std::optional<dayfile::Spliced> spliced;
    std::span<const std::uint8_t> current = old.Bytes();
    std::vector<Edit> written;
    for (Edit e : edits) {
        if (spliced) {
            std::vector<std::uint8_t> joined = Joined(spliced->Pieces());
            earlier.swap(joined);
            current = earlier;
            spliced.reset();
        }
        const bool memo = e.kind == Kind::Memo;
        if (!EditedBlock(current, memo, e.key, e.day, e.text, e.picture, e.baseText, e.basePicture, block))
            continue;
        if (block)
            spliced = memo ? dayfile::SpliceMemoBlock(current, e.key, *block)
                           : dayfile::SpliceMemorialBlock(current, e.key, *block);
        if (!spliced)
            return Failed({path, ERROR_FILE_TOO_LARGE});
        written.push_back(std::move(e));
    }
    if (written.empty()) {
        ShowData(old.Bytes());
        return true; // nothing to change
    }
    FileReplacement replacement = kept.Replacement();
    const std::span<const std::uint8_t> whole[] = {current};
    if (!(spliced ? replacement.Write(spliced->Pieces()) : replacement.Write(whole)))
        return Failed({path, replacement.Error()});
    // The file as it was read, with other writers' changes, and these edits as written.
    ShowData(old.Bytes());
    Show(written);
    old.Close(); // the view would keep the old file from being replaced
    if (!replacement.Commit())
        return Failed({path, replacement.Error()});
    return true;
}
