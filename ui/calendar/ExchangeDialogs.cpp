#include "ui/calendar/ExchangeDialogs.h"

#include "app/Application.h"
#include "app/ExchangeCommand.h"
#include "calendar/MonthModel.h"
#include "resource.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <vector>

namespace {
// A resource format with up to five numbers.
std::wstring Format(UINT id, int a, int b = 0, int c = 0, int d = 0, int e = 0)
{
    const std::wstring format = ResString(id);
    std::vector<wchar_t> text(format.size() + 128);
    std::swprintf(text.data(), text.size(), format.c_str(), a, b, c, d, e);
    return text.data();
}

bool ChooseFile(HWND owner, bool save, std::wstring& path)
{
    std::array<wchar_t, 32768> file{};
    if (save) {
        const std::wstring name = ResString(IDS_ICS_DEFAULT_NAME);
        name.copy(file.data(), std::min(name.size(), file.size() - 1));
    }
    // The filter is stored with '|' for the null characters a resource string cannot hold.
    std::wstring filter = ResString(IDS_ICS_FILTER);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
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
    if (outcome.reason != 0)
        return ResString(outcome.reason);
    if (outcome.status == exchange::Status::Refused) {
        const UINT reason = outcome.error == ical::ParseError::NotCalendar ? IDS_ICS_NOT_CALENDAR
                            : outcome.error == ical::ParseError::Unclosed  ? IDS_ICS_UNCLOSED
                                                                           : IDS_ICS_BAD_LINE;
        return Format(reason, outcome.line) + L"\n" + ResString(IDS_IMPORT_REFUSED);
    }
    if (outcome.status == exchange::Status::Failed)
        return ResString(import ? IDS_IMPORT_FAILED : IDS_EXPORT_FAILED);
    if (!import)
        return Format(IDS_EXPORT_DONE, outcome.memoCount, outcome.memorialCount);
    const exchange::ImportCounts& c = outcome.counts;
    std::wstring text = Format(IDS_IMPORT_DONE, c.memoLines, c.memorials, c.duplicates, c.skipped, c.recurring);
    return c.outOfRange > 0 ? text + L"\n" + Format(IDS_IMPORT_DATES_REFUSED, c.outOfRange) : text;
}

void ExportWithDialog(HWND owner, MonthModel& model)
{
    std::wstring path;
    if (ChooseFile(owner, true, path))
        Show(owner, false, RunExchange(model, ExchangeKind::Export, path));
}

bool ImportWithDialog(HWND owner, MonthModel& model)
{
    std::wstring path;
    if (!ChooseFile(owner, false, path))
        return false;
    const exchange::Outcome outcome = RunExchange(model, ExchangeKind::Import, path);
    Show(owner, true, outcome);
    return outcome.status == exchange::Status::Done;
}
