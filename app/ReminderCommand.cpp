#include "app/ReminderCommand.h"

#include "app/TextCodec.h"
#include "app/Application.h"
#include "calendar/Agenda.h"
#include "calendar/DayDataExchange.h"
#include "calendar/FeedShelf.h"
#include "calendar/FileIO.h"
#include "calendar/ICalendar.h"
#include "resource.h"
#include "settings/IniFile.h"
#include "settings/ReminderSettings.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

using namespace std::chrono;

namespace {
std::optional<local_days> ParseDay(const std::wstring& text)
{
    // The agenda's date form, from 1602 on.
    const auto day = agenda::ParseDate(text);
    if (!day || *day < local_days{year{1602} / 1 / 1})
        return std::nullopt;
    return day;
}

// "YYYY-MM-DD HH:MM" from the ini form.
std::wstring Moment(local_seconds t)
{
    std::wstring text = ini::FormatMinute(t);
    text[10] = L' ';
    return text;
}
} // namespace

std::string ReminderLines(std::span<const reminders::Reminder> list, const tz::TimeZone& zone)
{
    // A field never holds the separators.
    const auto field = [](std::wstring text) {
        std::replace_if(
            text.begin(), text.end(), [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }, L' ');
        return text;
    };
    const std::wstring memo = ResString(IDS_REMINDER_KIND_MEMO);
    std::wstring text;
    for (const reminders::Reminder& r : list)
        text += Moment(zone.ToLocal(r.fire)) + L'\t' + Moment(r.appointment.start) + L'\t' +
                field(r.appointment.kind.empty() ? memo : r.appointment.kind) + L'\t' + field(r.appointment.text) +
                L"\r\n";
    return ToUtf8(text);
}

int RunReminders(const std::wstring& first, const std::wstring& last, const std::wstring& path, std::wstring& line,
                 const std::wstring& dataDirectory)
{
    const auto from = ParseDay(first);
    const auto to = ParseDay(last);
    if (!from || !to || *from > *to || path.empty()) {
        line = ResFormat(IDS_CMD_BAD_ARGUMENTS, ResString(IDS_REMINDERS_USAGE).c_str());
        return 2;
    }
    std::wstring dir = dataDirectory;
    if (dir.empty() && TheApp() != nullptr)
        TheApp()->ModuleDirectory(dir);
    const std::wstring dataPath = dir + ResString(IDS_DAT_FILE);
    if (const UINT refused = exchange::RefusedExportTarget(dataPath, FullPath(path))) {
        line = ResString(refused);
        return 1;
    }
    const IniFile ini(dir + ResString(IDS_INI_FILE));
    ReminderSettings settings;
    settings.Load(ini);
    const tz::TimeZone& zone = *tz::ComputerZone();
    SubscriptionList subscriptions;
    subscriptions.Load(ini);
    FeedShelf shelf;
    shelf.Load(subscriptions, dir);
    const std::array sources{reminders::MemoSource(dataPath), reminders::FeedSource(shelf)};
    std::optional<std::vector<reminders::Reminder>> list = std::vector<reminders::Reminder>{};
    // Reminders that are off fire nothing.
    if (settings.enabled)
        list = reminders::Listing(sources, zone, {true, minutes{settings.leadMinutes}}, *from, *to);
    if (!list) {
        line = ResString(IDS_REMINDERS_READ_FAILED);
        return 1;
    }
    const std::string text = ReminderLines(*list, zone);
    FileReplacement file(path, {}); // a name of its own: never over another file
    if (!file.Write(std::array{std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())}) ||
        !file.Commit()) {
        line = ResFormat(IDS_REMINDERS_WRITE_FAILED, path.c_str());
        return 1;
    }
    line = ResFormat(IDS_REMINDERS_WRITTEN, static_cast<int>(list->size()), path.c_str());
    return 0;
}

CommandResult RemindersAlone(const Arguments& args)
{
    CommandResult result;
    result.exitCode = RunReminders(args.at(0), args.at(1), args.at(2), result.line);
    return result;
}
