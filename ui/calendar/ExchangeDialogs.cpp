#include "ui/calendar/ExchangeDialogs.h"

#include "app/Application.h"
#include "calendar/MonthModel.h"
#include "resource.h"
#include "ui/calendar/CalendarWindow.h"

#include <algorithm>
#include <array>
#include <exception>
#include <vector>

namespace {
using exchange::NoteReason;

// "「title」(line 12): why".
std::wstring NoteText(const exchange::ImportNote& note)
{
    const std::wstring why =
        note.reason == NoteReason::TooLong
            ? ResFormat(IDS_NOTE_TOO_LONG, exchange::kMaxEventDays, exchange::kMaxEventDays)
        : note.reason == NoteReason::LineCut ? ResFormat(IDS_NOTE_LINE_CUT, int{dayfile::kMaxMemoLine})
        : note.reason == NoteReason::DayFull ? ResFormat(IDS_NOTE_DAY_FULL, int{dayfile::kMaxMemoChars})
                                             : ResString(note.reason == NoteReason::NoStart   ? IDS_NOTE_NO_START
                                                         : note.reason == NoteReason::NoTitle ? IDS_NOTE_NO_TITLE
                                                                                              : IDS_NOTE_OUT_OF_RANGE);
    const std::wstring title = note.title.empty() ? ResString(IDS_NOTE_UNTITLED) : note.title;
    return ResFormat(IDS_NOTE, title.c_str(), note.line, why.c_str());
}

// The events skipped or shortened but not named.
int Unnamed(const exchange::ImportCounts& c) { return c.skipped + c.shortened - static_cast<int>(c.notes.size()); }

std::wstring RefusalReason(const exchange::Outcome& outcome)
{
    const UINT reason = outcome.error == ical::ParseError::NotCalendar ? IDS_ICS_NOT_CALENDAR
                        : outcome.error == ical::ParseError::Unclosed  ? IDS_ICS_UNCLOSED
                                                                       : IDS_ICS_BAD_LINE;
    return ResFormat(reason, outcome.line);
}

bool ChooseFile(HWND owner, bool save, std::wstring& path)
{
    std::array<wchar_t, 32768> file{};
    if (save) {
        const std::wstring name = ResString(IDS_ICS_DEFAULT_NAME);
        name.copy(file.data(), std::min(name.size(), file.size() - 1));
    }
    FileDialogFields dialog(owner, IDS_ICS_FILTER, file);
    OPENFILENAMEW& ofn = dialog.ofn;
    ofn.lpstrDefExt = L"ics";
    ofn.Flags =
        OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT | OFN_NOREADONLYRETURN : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn)))
        return false;
    path = file.data();
    return true;
}

void Show(HWND owner, bool import, const exchange::Outcome& outcome)
{
    const UINT icon = outcome.status == exchange::Status::Done ? MB_ICONINFORMATION : MB_ICONERROR;
    MessageBoxW(owner, ExchangeMessage(import, outcome).c_str(), ResString(IDS_PRODUCT).c_str(), icon);
}
} // namespace

std::wstring ExchangeMessage(bool import, const exchange::Outcome& outcome)
{
    if (outcome.reason != 0) // an export refused before anything was written
        return ResString(outcome.reason);
    if (outcome.status == exchange::Status::Refused)
        return RefusalReason(outcome) + L"\n" + ResString(IDS_IMPORT_REFUSED);
    if (outcome.status == exchange::Status::Failed)
        return ResString(import ? IDS_IMPORT_FAILED : IDS_EXPORT_FAILED);
    if (!import)
        return ResFormat(IDS_EXPORT_DONE, outcome.memoCount, outcome.memorialCount);
    const exchange::ImportCounts& c = outcome.counts;
    std::wstring text = ResFormat(IDS_IMPORT_DONE, c.memoLines, c.memorials, c.duplicates, c.skipped, c.recurring);
    if (c.shortened > 0)
        text += ResFormat(IDS_IMPORT_SHORTENED, c.shortened);
    if (c.sharedMemorials > 0)
        text += ResFormat(IDS_IMPORT_SHARED, c.sharedMemorials);
    if (!c.notes.empty())
        text += ResString(IDS_IMPORT_NOTES);
    for (const exchange::ImportNote& note : c.notes)
        text += L"\n\x30FB" + NoteText(note);
    if (!c.notes.empty() && Unnamed(c) > 0)
        text += L"\n" + ResFormat(IDS_NOTE_MORE, Unnamed(c));
    return text;
}

std::wstring ExchangeLine(bool import, const exchange::Outcome& outcome)
{
    if (outcome.reason != 0)
        return ResString(outcome.reason);
    if (outcome.status == exchange::Status::Refused)
        return RefusalReason(outcome) + L" " + ResString(IDS_IMPORT_REFUSED);
    if (outcome.status == exchange::Status::Failed || !import)
        return ExchangeMessage(import, outcome);
    const exchange::ImportCounts& c = outcome.counts;
    std::wstring line =
        ResFormat(IDS_CMD_IMPORT_DONE, c.memoLines, c.memorials, c.duplicates, c.skipped, c.shortened, c.recurring);
    if (!c.notes.empty())
        line += L" " + NoteText(c.notes.front());
    if (c.skipped + c.shortened > 1)
        line += L" " + ResFormat(IDS_NOTE_MORE, c.skipped + c.shortened - 1);
    return line;
}

int ExchangeExitCode(const exchange::Outcome& outcome)
{
    return outcome.status == exchange::Status::Done ? EXIT_DONE : EXIT_REFUSED;
}

ExchangeJobs::ExchangeJobs(HWND calendar, MonthModel& model, std::function<void()> redraw)
    : model_(model), redraw_(std::move(redraw)), queue_(calendar, WM_EXCHANGE_DONE)
{
}

void ExchangeJobs::Import(const std::wstring& icsPath, Done done) { Run(true, icsPath, std::move(done)); }

void ExchangeJobs::Export(const std::wstring& icsPath, Done done) { Run(false, icsPath, std::move(done)); }

void ExchangeJobs::Run(bool import, const std::wstring& icsPath, Done done)
{
    const std::wstring data = model_.DataFilePath();
    queue_.Add([this, import, data, icsPath, done = std::move(done)]() -> JobQueue::Finish {
        exchange::Outcome outcome;
        try {
            outcome = import ? exchange::ImportDayData(data, icsPath) : exchange::ExportDayData(data, icsPath);
        } catch (const std::exception&) { // out of memory: nothing was replaced
            outcome = {};
        }
        return [this, import, outcome, done] {
            // The shown month is read again, so that its next save does not write stale entries over the import.
            if (import && outcome.status == exchange::Status::Done) {
                model_.Rebuild();
                redraw_();
            }
            done(outcome);
        };
    });
}

void ExportWithDialog(HWND owner, ExchangeJobs& jobs)
{
    std::wstring path;
    if (ChooseFile(owner, true, path))
        jobs.Export(path, [owner](const exchange::Outcome& outcome) { Show(owner, false, outcome); });
}

void ImportWithDialog(HWND owner, ExchangeJobs& jobs)
{
    std::wstring path;
    if (ChooseFile(owner, false, path))
        jobs.Import(path, [owner](const exchange::Outcome& outcome) { Show(owner, true, outcome); });
}

namespace {
CommandResult ResultOf(bool import, const exchange::Outcome& outcome)
{
    return {ExchangeExitCode(outcome), ExchangeLine(import, outcome)};
}
} // namespace

CommandResult ExportAlone(const Arguments& args)
{
    return ResultOf(false, exchange::ExportDayData(MonthModel().DataFilePath(), args.at(0)));
}

CommandResult ImportAlone(const Arguments& args)
{
    const std::wstring data = MonthModel().DataFilePath();
    return ResultOf(true, exchange::ImportDayData(data, args.at(0)));
}

void ExportInCalendar(CalendarWindow& calendar, const Arguments& args, Reply reply)
{
    calendar.Exchange().Export(args.at(0), [reply](const exchange::Outcome& o) { reply(ResultOf(false, o)); });
}

void ImportInCalendar(CalendarWindow& calendar, const Arguments& args, Reply reply)
{
    calendar.Exchange().Import(args.at(0), [reply](const exchange::Outcome& o) { reply(ResultOf(true, o)); });
}
