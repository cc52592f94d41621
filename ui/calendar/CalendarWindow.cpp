#include "ui/calendar/CalendarWindow.h"

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Dpi.h"
#include "app/FileMessages.h"
#include "app/ScreenPlacement.h"
#include "calendar/DateUtil.h"
#include "calendar/MonthModel.h"
#include "calendar/TimeZones.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "render/DayInfoWindow.h"
#include "resource.h"
#include "settings/SettingsSheet.h"
#include "ui/calendar/ExchangeDialogs.h"
#include "ui/calendar/RefreshSchedule.h"
#include "ui/calendar/ReminderService.h"
#include "ui/calendar/MonitorDpi.h"
#include "ui/calendar/TrayIcon.h"
#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/MemoDialog.h"
#include "ui/dialogs/MemorialDialog.h"

#include <algorithm>
#include <cwchar>
#include <utility>
#include <vector>

using namespace calendar_window;

namespace calendar_window {

UINT HotkeyModifiers(UINT controlFlags)
{
    UINT mods = 0;
    if (controlFlags & HOTKEYF_ALT)
        mods |= MOD_ALT;
    if (controlFlags & HOTKEYF_CONTROL)
        mods |= MOD_CONTROL;
    if (controlFlags & HOTKEYF_SHIFT)
        mods |= MOD_SHIFT;
    // HOTKEYF_EXT only says the key is an extended one (an arrow of the separate block, Home...);
    // the virtual-key code already names it, and MOD_WIN would ask for another key.
    return mods;
}

std::wstring TrayTip(const std::wstring& text) { return text.substr(0, 63); }

std::wstring DayMenuTitle(int year, int month, int day)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"< %d/%02d/%02d >", year, month, day);
    return text;
}

namespace {
// The first and the last day of a month.
std::pair<std::chrono::local_days, std::chrono::local_days> MonthSpan(int year, int month)
{
    const auto ym = std::chrono::year{year} / month;
    return {std::chrono::local_days(ym / 1), std::chrono::local_days(ym / std::chrono::last)};
}

PopupMenu LoadPopup(UINT id)
{
    PopupMenu m;
    m.menu.reset(LoadMenuW(TheApp()->Instance(), MAKEINTRESOURCEW(id)));
    if (m.menu)
        m.popup = GetSubMenu(m.menu.get(), 0);
    return m;
}

void CheckStayTop(HMENU popup, bool stayTop)
{
    if (!stayTop)
        return;
    MENUITEMINFOW mii{sizeof(mii)};
    mii.fMask = MIIM_STATE;
    mii.fState = MFS_CHECKED;
    SetMenuItemInfoW(popup, ID_STAY_TOP, FALSE, &mii);
}
} // namespace

PopupMenu BuildTrayMenu(bool calendarVisible, bool stayTop)
{
    PopupMenu m = LoadPopup(IDM_TRAY);
    if (m.popup == nullptr)
        return m;
    // Only the entry that changes something: no "show" for a visible calendar, no "hide" for a hidden one.
    DeleteMenu(m.popup, calendarVisible ? ID_SHOW : ID_HIDE, MF_BYCOMMAND);
    CheckStayTop(m.popup, stayTop);
    return m;
}

PopupMenu BuildCalendarMenu(bool stayTop)
{
    PopupMenu m = LoadPopup(IDM_CALENDAR);
    if (m.popup != nullptr)
        CheckStayTop(m.popup, stayTop);
    return m;
}

PopupMenu BuildDayMenu(int packedCell)
{
    PopupMenu m = LoadPopup(IDM_DAY);
    if (m.popup == nullptr)
        return m;
    MENUITEMINFOW mii{sizeof(mii)};
    mii.fMask = MIIM_FTYPE | MIIM_DATA;
    mii.fType = MFT_OWNERDRAW;
    mii.dwItemData = static_cast<ULONG_PTR>(static_cast<unsigned>(packedCell));
    SetMenuItemInfoW(m.popup, ID_DAY_TITLE, FALSE, &mii);
    return m;
}

} // namespace calendar_window

CalendarWindow::CalendarWindow(std::wstring dataDirectory)
    : dataDirectory_(std::move(dataDirectory)), sheet_(std::make_unique<SettingsSheet>()),
      model_(std::make_unique<MonthModel>(dataDirectory_)),
      painter_(std::make_unique<CalendarPainter>(sheet_->Design())), frame_(std::make_unique<CalendarFrame>()),
      dayInfo_(std::make_unique<DayInfoWindow>()),
      reminders_(std::make_unique<ReminderService>(sheet_->Reminder(), *this, TIMER_REMINDER, TRAY_ICON_ID)),
      feeds_(std::make_unique<FeedShelf>()), dots_(std::make_unique<MonthDots>()),
      tray_(std::make_unique<TrayIcon>(TRAY_ICON_ID, WM_TRAY)), dpi_(std::make_unique<MonitorDpi>(*painter_))
{
    sheet_->SetIniDirectory(dataDirectory_);
    painter_->SetMonthDots(dots_.get());
    refresh_ = std::make_unique<RefreshSchedule>(dataDirectory_, sheet_->Subscriptions(),
                                                 [this](std::vector<FeedRefresher::Kept> kept) {
                                                     for (FeedRefresher::Kept& k : kept)
                                                         FeedRefreshed(k.url, std::move(k.feed));
                                                     sheet_->OnlineCalendars().ShowStatuses();
                                                 });
}

CalendarWindow::~CalendarWindow() = default;

Settings& CalendarWindow::LiveSettings() { return sheet_->Live(); }

HWND CalendarWindow::SettingsSheetWindow() const { return sheet_->SheetWindow(); }

ExchangeJobs& CalendarWindow::Exchange()
{
    if (!exchange_)
        exchange_ = std::make_unique<ExchangeJobs>(Handle(), *model_, [this] {
            Render(false);
            RefreshDayDialogs();
            reminders_->Rearm();
        });
    return *exchange_;
}

void CalendarWindow::SetClock(std::function<std::chrono::year_month_day()> today)
{
    clock_ = today;
    model_->SetClock(std::move(today));
}

void CalendarWindow::SetErrorReporter(std::function<void(UINT)> report)
{
    SetErrorReporter([report](UINT id, const std::wstring&) { report(id); });
}

void CalendarWindow::SetErrorReporter(std::function<void(UINT, const std::wstring&)> report)
{
    reportError_ = std::move(report);
}

void CalendarWindow::ReportError(UINT stringId) { ReportError(stringId, {}); }

void CalendarWindow::ReportError(UINT stringId, const std::wstring& detail)
{
    if (reportError_) {
        reportError_(stringId, detail);
        return;
    }
    SettingsHost::ReportError(stringId, detail);
}

void CalendarWindow::ReportFileProblems(bool settingsRead)
{
    const std::wstring path = model_->DataFilePath();
    if (const FileError folder = CheckWritableFolder(path.substr(0, path.find_last_of(L'\\') + 1)); folder.Failed())
        ReportError(IDS_FOLDER_NOT_WRITABLE, FolderErrorDetail(folder));
    if (!settingsRead)
        ReportError(IDS_INI_UNREADABLE, FileErrorDetail(sheet_->LastError()));
    if (model_->ReadError().Failed())
        ReportError(IDS_DAT_UNREADABLE, FileErrorDetail(model_->ReadError()));
}

int CalendarWindow::TodayKey() const
{
    if (clock_) {
        const auto d = clock_();
        return static_cast<int>(d.year()) * 10000 + static_cast<int>(static_cast<unsigned>(d.month())) * 100 +
               static_cast<int>(static_cast<unsigned>(d.day()));
    }
    SYSTEMTIME st;
    GetLocalTime(&st);
    return st.wYear * 10000 + st.wMonth * 100 + st.wDay;
}

DayRecord* CalendarWindow::CellOf(int packed)
{
    if (packed < 0)
        return nullptr;
    const int column = packed & 0xFFFF;
    const int row = packed >> 16;
    if (column > 6 || row > 5)
        return nullptr;
    return &model_->Cell(column, row);
}

bool CalendarWindow::CreateCalendar(HWND owner)
{
    const std::wstring className = ResString(IDS_MAIN_CLASS);
    const std::wstring title = ResString(IDS_PRODUCT);
    RegisterWindowClass(className.c_str(), CS_HREDRAW | CS_VREDRAW, nullptr, nullptr, LoadCursorW(nullptr, IDC_ARROW),
                        nullptr);
    return Create(WS_EX_LAYERED, className.c_str(), title.c_str(), WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, 500, 300,
                  200, 200, owner, nullptr);
}

void CalendarWindow::Render(bool relayout)
{
    UpdateMonthEvents();
    RenderCalendar(Handle(), *frame_, *painter_, *model_, hoverArea_, relayout);
}

void CalendarWindow::PlaceWindow()
{
    Settings& s = sheet_->Live();
    const PixelSize size = painter_->GetSize();
    const long long right = static_cast<long long>(s.PosX) + size.width;
    const long long bottom = static_cast<long long>(s.PosY) + size.height;
    RECT wanted{s.PosX, s.PosY, static_cast<LONG>(std::min<long long>(right, LONG_MAX)),
                static_cast<LONG>(std::min<long long>(bottom, LONG_MAX))};

    // A saved position on a screen that is gone would leave the calendar invisible.
    struct Search {
        RECT wanted;
        bool visible = false;
    } search{wanted};
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            MONITORINFO mi{sizeof(mi)};
            RECT overlap;
            if (GetMonitorInfoW(monitor, &mi) && IntersectRect(&overlap, &s->wanted, &mi.rcWork))
                s->visible = true;
            return !s->visible;
        },
        reinterpret_cast<LPARAM>(&search));
    placedAt_ = POINT{s.PosX, s.PosY};
    positionMoved_ = false;
    if (!search.visible) {
        MONITORINFO mi{sizeof(mi)};
        if (GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &mi)) {
            placedAt_ = PlaceInWorkArea(s.PosX, s.PosY, static_cast<float>(size.width), static_cast<float>(size.height),
                                        mi.rcWork);
            positionMoved_ = true;
        }
    }
    SetWindowPos(Handle(), s.StayTop ? HWND_TOPMOST : HWND_NOTOPMOST, placedAt_.x, placedAt_.y, size.width, size.height,
                 SWP_NOACTIVATE);
    placed_ = true;
}

bool CalendarWindow::NotePosition()
{
    RECT rc;
    // Until it is placed the window stands at its creation rectangle, which is no position of the user's.
    if (!placed_ || !GetWindowRect(Handle(), &rc))
        return false;
    // A position that was only moved onto a screen for this run is written back as it was stored.
    if (positionMoved_ && rc.left == placedAt_.x && rc.top == placedAt_.y)
        return false;
    Settings& s = sheet_->Live();
    const bool changed = s.PosX != rc.left || s.PosY != rc.top;
    s.PosX = rc.left;
    s.PosY = rc.top;
    return changed;
}

void CalendarWindow::StoreSettings()
{
    NotePosition();
    WriteSettings();
}

void CalendarWindow::WriteSettings()
{
    const bool saved = sheet_->SaveSettings();
    // qv.ini was read only now: the keys not changed in this run took its values.
    if (sheet_->TakeLateLoad() && !closing_) {
        painter_->Layout();
        PlaceWindow();
        ApplyHotKey();
        Render(false);
    }
    // A file that could not be read was reported once, at start.
    if (!saved && sheet_->Loaded())
        ReportError(IDS_SETTINGS_SAVE_FAILED, FileErrorDetail(sheet_->LastError()));
}

bool CalendarWindow::OnCreate(CREATESTRUCTW*)
{
    dayInfo_->CreateDayInfo(Handle());
    model_->ShowThisMonth();
    const bool settingsRead = sheet_->LoadSettings();
    // The kept copies show before any network answers.
    feeds_->Load(sheet_->Subscriptions(), DataDirectory());
    // Laid out for the monitor of the saved position, where the window is about to go.
    dpi_->LayoutFor(POINT{sheet_->Live().PosX, sheet_->Live().PosY});
    // Without a shell yet (start at logon) this fails; TaskbarCreated adds the icon later.
    SetTrayIcon(true);
    // Adding the icon waits on the shell, and an exit that arrived meanwhile
    // has destroyed the window already.
    if (!IsWindow(Handle()))
        return false;
    PlaceWindow();
    if (dpi_->FollowWindow(Handle()))
        PlaceWindow();
    ApplyHotKey();
    Render(false);
    const Settings& s = sheet_->Live();
    if (s.ShowBegin)
        ShowWindow(Handle(), SW_SHOW);
    if (s.TodayInfo) {
        UpdateMonthEvents();
        const DayRecord* today = model_->FindToday();
        if (today != nullptr && ShowsInfo(*today)) {
            int x = 0;
            int y = 0;
            if (s.ShowBegin) {
                x = placedAt_.x + 8;
                y = placedAt_.y + 8;
            } else {
                x = GetSystemMetrics(SM_CXFULLSCREEN);
                y = GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYCAPTION);
            }
            ShowDayInfoAt(x, y, *today, true);
        }
    }
    knownDate_ = TodayKey();
    SetTimer(Handle(), TIMER_DATE, 60000, nullptr);
    refresh_->Start(Handle());
    reminders_->Scheduler().AddSource(reminders::FeedSource(*feeds_));
    reminders_->Start(model_->DataFilePath());
    ReportFileProblems(settingsRead);
    return true;
}

void CalendarWindow::OnDestroy()
{
    refresh_->Stop();
    closing_ = true;
    if (model_->HasPending() && !model_->SavePending())
        ReportError(IDS_DAT_UNSAVED, FileErrorDetail(model_->LastError()));
    StoreSettings();
    SetTrayIcon(false);
    if (quitOnDestroy_)
        PostQuitMessage(0);
}

// ---- pointer -----------------------------------------------------------------

bool CalendarWindow::OnSetCursor(HWND window, UINT hitTest, UINT mouseMsg)
{
    if (!pointerInside_ && GetFocus() != nullptr) {
        pointerInside_ = true;
        SetTimer(Handle(), TIMER_LEAVE, 200, nullptr);
        Render(false);
    }
    return Window::OnSetCursor(window, hitTest, mouseMsg);
}

LRESULT CalendarWindow::OnNcHitTest(int x, int y)
{
    const LRESULT def = Window::OnNcHitTest(x, y);
    if (GetFocus() == nullptr)
        return def;
    POINT pt{x, y};
    ScreenToClient(Handle(), &pt);
    const int area = painter_->HitTest(pt.x, pt.y);
    hoverArea_ = area;
    if (area != AREA_DAYS)
        ForgetHoverCell();
    if (area != lastArea_) {
        lastArea_ = area;
        Render(false);
    }
    switch (area) {
    case AREA_PREV_MONTH:
    case AREA_PREV_YEAR:
    case AREA_NEXT_MONTH:
    case AREA_NEXT_YEAR: return def;
    case AREA_DAYS: OnMouseMove(0, pt.x, pt.y); return HTCAPTION;
    default: return HTCAPTION;
    }
}

void CalendarWindow::OnMouseMove(UINT, int x, int y)
{
    const int cell = painter_->CellAt(x, y);
    if (cell == -1)
        KillTimer(Handle(), TIMER_HOVER);
    else if (cell != hoverCell_)
        SetTimer(Handle(), TIMER_HOVER, 1000, nullptr);
    hoverCell_ = cell;
}

void CalendarWindow::ForgetHoverCell()
{
    KillTimer(Handle(), TIMER_HOVER);
    hoverCell_ = -1;
}

void CalendarWindow::OnMove(int, int) { ForgetHoverCell(); }

void CalendarWindow::OnActivate(UINT state, HWND, bool)
{
    if (state == WA_CLICKACTIVE && dayInfo_->IsShown())
        dayInfo_->Hide();
    // The default would give the window the keyboard focus; keys, hover and dragging need it.
    if (state != WA_INACTIVE && GetFocus() == nullptr)
        SetFocus(Handle());
}

// ---- clicks and keys -----------------------------------------------------------

void CalendarWindow::OnLButtonDown(UINT, int x, int y)
{
    // The area under the click, not the one recorded at the last hit test: without the focus
    // that record is stale (the pointer may have rested on a button before another window came up).
    UINT command = 0;
    switch (painter_->HitTest(x, y)) {
    case AREA_PREV_MONTH: command = ID_PREV_MONTH; break;
    case AREA_PREV_YEAR: command = ID_PREV_YEAR; break;
    case AREA_NEXT_MONTH: command = ID_NEXT_MONTH; break;
    case AREA_NEXT_YEAR: command = ID_NEXT_YEAR; break;
    default: return;
    }
    SendMessageW(Handle(), WM_COMMAND, command, 0);
}

void CalendarWindow::OnKeyDown(UINT virtualKey, UINT, UINT)
{
    UINT command = 0;
    switch (virtualKey) {
    case VK_LEFT: command = ID_PREV_MONTH; break;
    case VK_RIGHT: command = ID_NEXT_MONTH; break;
    case VK_UP: command = ID_NEXT_YEAR; break;
    case VK_DOWN: command = ID_PREV_YEAR; break;
    default: return;
    }
    SendMessageW(Handle(), WM_COMMAND, command, 0);
}

void CalendarWindow::OnChar(WPARAM character, LPARAM)
{
    const wchar_t c = static_cast<wchar_t>(character & 0xFFFF);
    if (c < L'0' || c > L'9')
        return;
    const int digit = c - L'0';
    typedNumber_ = lastDigit_ * 10 + digit;
    lastDigit_ = digit;
    SetTimer(Handle(), TIMER_TYPING, 200, nullptr);
}

void CalendarWindow::OnTimer(UINT_PTR id, LPARAM)
{
    switch (id) {
    case TIMER_LEAVE: {
        if (!pointerInside_)
            return;
        POINT cursor;
        RECT rc;
        GetCursorPos(&cursor);
        GetWindowRect(Handle(), &rc);
        if (!PtInRect(&rc, cursor)) {
            hoverArea_ = 0;
            pointerInside_ = false;
            ForgetHoverCell();
            Render(false);
            KillTimer(Handle(), TIMER_LEAVE);
        } else if (hoverArea_ != AREA_NONE) {
            OnNcHitTest(cursor.x, cursor.y);
        }
        return;
    }
    case TIMER_HOVER: {
        if (pointerInside_) {
            POINT cursor;
            GetCursorPos(&cursor);
            POINT client = cursor;
            ScreenToClient(Handle(), &client);
            const int cell = painter_->CellAt(client.x, client.y);
            if (cell == hoverCell_) {
                const DayRecord* day = CellOf(cell);
                if (day != nullptr && day->InShownMonth() && ShowsInfo(*day))
                    ShowDayInfoAt(cursor.x, cursor.y, *day, false);
            }
        }
        KillTimer(Handle(), TIMER_HOVER);
        return;
    }
    case TIMER_TYPING: {
        if (typedNumber_ == 0) {
            model_->ShowThisMonth();
            Render(false);
        } else if (typedNumber_ >= 1 && typedNumber_ <= 12) {
            model_->SetMonth(typedNumber_);
            Render(false);
        }
        lastDigit_ = 0;
        KillTimer(Handle(), TIMER_TYPING);
        return;
    }
    case TIMER_REMINDER: reminders_->Rearm(); return;
    case TIMER_EVENTS: {
        KillTimer(Handle(), TIMER_EVENTS);
        if (eventsYear_ == model_->Year() && eventsMonth_ == model_->Month() &&
            eventsGeneration_ == feeds_->Generation() && monthEvents_.empty()) {
            const auto [first, last] = MonthSpan(eventsYear_, eventsMonth_);
            monthEvents_ = feeds_->Days(first, last);
        }
        return;
    }
    case TIMER_DATE: {
        const int today = TodayKey();
        if (today != knownDate_) {
            model_->Rebuild();
            Render(false);
            RefreshDayDialogs();
            knownDate_ = today;
        } else if (model_->HasPending() && model_->SavePending()) {
            Render(false); // edits that could not be written before are in the file now
        }
        return;
    }
    default: return;
    }
}

// ---- menus ------------------------------------------------------------------------

void CalendarWindow::OnNcRButtonDown(UINT hitTest, int x, int y)
{
    // The default takes the capture over a caption, and the button-up would then never
    // arrive as WM_NCRBUTTONUP: no menu would open.
    if (hitTest != HTCAPTION)
        Window::OnNcRButtonDown(hitTest, x, y);
}

void CalendarWindow::OnNcRButtonUp(UINT, int x, int y)
{
    ForgetHoverCell();
    POINT pt{x, y};
    ScreenToClient(Handle(), &pt);
    menuCell_ = painter_->CellAt(pt.x, pt.y);
    const DayRecord* day = CellOf(menuCell_);
    if (day == nullptr || !day->InShownMonth())
        ShowCalendarMenu(x, y);
    else
        ShowDayMenu(x - 10, y - 15);
}

void CalendarWindow::ShowCalendarMenu(int x, int y)
{
    PopupMenu m = BuildCalendarMenu(sheet_->Live().StayTop);
    if (m.popup != nullptr)
        TrackPopupMenu(m.popup, TPM_RIGHTBUTTON, x, y, 0, Handle(), nullptr);
}

void CalendarWindow::ShowDayMenu(int x, int y)
{
    PopupMenu m = BuildDayMenu(menuCell_);
    if (m.popup != nullptr)
        TrackPopupMenu(m.popup, TPM_RIGHTBUTTON, x, y, 0, Handle(), nullptr);
}

void CalendarWindow::ShowTrayMenu()
{
    PopupMenu m = BuildTrayMenu(IsWindowVisible(Handle()) != FALSE, sheet_->Live().StayTop);
    if (m.popup == nullptr)
        return;
    SetForegroundWindow(Handle());
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenu(m.popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, Handle(), nullptr);
}

void CalendarWindow::OnMeasureItem(UINT, MEASUREITEMSTRUCT* item)
{
    if (item != nullptr && item->CtlType == ODT_MENU && item->itemID == ID_DAY_TITLE)
        item->itemHeight = static_cast<UINT>(MulDiv(20, static_cast<int>(painter_->Dpi()), kBaseDpi));
}

void CalendarWindow::OnDrawItem(DRAWITEMSTRUCT* item)
{
    if (item == nullptr || item->CtlType != ODT_MENU || item->itemID != ID_DAY_TITLE)
        return;
    const DayRecord* day = CellOf(static_cast<int>(item->itemData));
    if (day == nullptr)
        return;
    const std::wstring text = DayMenuTitle(day->year, day->month, day->day);
    SetBkColor(item->hDC, RGB(230, 230, 230));
    ExtTextOutW(item->hDC, 0, 0, ETO_OPAQUE, &item->rcItem, nullptr, 0, nullptr);
    RECT rc = item->rcItem;
    DrawTextW(item->hDC, text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// ---- commands ------------------------------------------------------------------

void CalendarWindow::OnCommand(UINT, UINT id, HWND)
{
    switch (id) {
    case ID_SHOW: ShowWindow(Handle(), SW_SHOW); break;
    case ID_HIDE: ShowWindow(Handle(), SW_HIDE); break;
    case ID_NEXT_MONTH:
        model_->NextMonth();
        Render(false);
        break;
    case ID_PREV_MONTH:
        model_->PrevMonth();
        Render(false);
        break;
    case ID_THIS_MONTH:
        model_->ShowThisMonth();
        Render(false);
        break;
    case ID_PREV_YEAR:
        model_->PrevYear();
        Render(false);
        break;
    case ID_NEXT_YEAR:
        model_->NextYear();
        Render(false);
        break;
    case ID_SETTINGS: sheet_->OpenSettings(this); break;
    case ID_STAY_TOP: {
        Settings& s = sheet_->Live();
        s.StayTop = !s.StayTop;
        SetWindowPos(Handle(), s.StayTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        StoreSettings();
        break;
    }
    case ID_MEMO: EditMemo(); break;
    case ID_MEMORIAL: EditMemorial(); break;
    case ID_ABOUT: ShowAbout(); break;
    case ID_EXPORT: ExportWithDialog(Handle(), Exchange()); break;
    case ID_IMPORT: ImportWithDialog(Handle(), Exchange()); break;
    case ID_TOGGLE: ToggleCalendar(); break;
    case ID_REFRESH_NOW: refresh_->RefreshAll(); break;
    case ID_EXIT: DestroyWindow(Handle()); break;
    default: break;
    }
}

void CalendarWindow::SubscriptionsChanged(std::span<const std::wstring> refreshUrls)
{
    refresh_->SubscriptionsChanged(refreshUrls);
    OnFeedsChanged();
}

void CalendarWindow::OnFeedsChanged()
{
    // Only the kept copies that changed are read again.
    feeds_->Load(sheet_->Subscriptions(), DataDirectory());
    Render(false);
    reminders_->Rearm();
}

bool CalendarWindow::OnQueryEndSession()
{
    DestroyWindow(Handle());
    return true;
}

// ---- notification area and hot key ----------------------------------------------

LRESULT CalendarWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (refresh_->HandleMessage(msg, wParam))
        return 0;
    if (msg == WM_TRAY) {
        OnTrayMessage(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
        return 0;
    }
    if (msg == WM_COPYDATA) // a command handed over by a second copy
        return ReceiveCommand(*this, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    if (msg == WM_EXCHANGE_DONE) {
        Exchange().RunFinished();
        return 0;
    }
    if (msg == WM_DAY_DATA_CHANGED) { // a command that ran alone changed qv.dat
        model_->Rebuild();
        Render(false);
        RefreshDayDialogs();
        reminders_->Rearm();
        return 0;
    }
    // A new clock, zone or daylight-saving time, or a wake-up: reminders look again.
    if (msg == WM_TIMECHANGE ||
        (msg == WM_POWERBROADCAST && (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND))) {
        // A new zone or rule: the computer's zone is read again, for the events' days and the reminders.
        tz::ReloadComputerZone();
        reminders_->ClockChanged();
        eventsYear_ = 0; // the events' days in the zone as it is now
        Render(false);
        return msg == WM_POWERBROADCAST ? TRUE : 0;
    }
    if (tray_->OnShellRestart(Handle(), msg))
        return 0;
    if (msg == WM_DPICHANGED) {
        if (dpi_->OnDpiChanged(Handle(), wParam, lParam))
            Render(false);
        return 0;
    }
    // The end of a drag: one write when the calendar was moved, none per step.
    if (msg == WM_EXITSIZEMOVE && NotePosition())
        WriteSettings();
    return Window::WindowProc(msg, wParam, lParam);
}

void CalendarWindow::OnTrayMessage(UINT iconId, UINT mouseMsg)
{
    if (iconId != TRAY_ICON_ID)
        return;
    if (mouseMsg == WM_LBUTTONDOWN) {
        if (IsWindowVisible(Handle()))
            SetForegroundWindow(Handle());
        else
            ShowWindow(Handle(), SW_SHOW);
    } else if (mouseMsg == WM_RBUTTONDOWN) {
        ShowTrayMenu();
    } else if (mouseMsg == NIN_BALLOONUSERCLICK) {
        ShowReminderDay();
    }
}

void CalendarWindow::ShowReminderDay()
{
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    const auto date = reminders_->BalloonDay();
    if (!date)
        return;
    const int year = static_cast<int>(date->year());
    const int month = static_cast<int>(static_cast<unsigned>(date->month()));
    if (model_->Year() != year || model_->Month() != month) {
        model_->Show(year, month);
        Render(false);
    }
    // Day 1 stands in the first row, in the column of its weekday.
    const int index = DayOfWeek(year, month, 1) + static_cast<int>(static_cast<unsigned>(date->day())) - 1;
    const DayRecord& day = model_->Cell(index % MonthModel::COLUMNS, index / MonthModel::COLUMNS);
    if (!day.HasInfo())
        return;
    const gfx::RectF cell = painter_->CellRect(index % MonthModel::COLUMNS, index / MonthModel::COLUMNS);
    POINT at{static_cast<LONG>(cell.x + cell.width / 2), static_cast<LONG>(cell.y + cell.height / 2)};
    ClientToScreen(Handle(), &at);
    dayInfo_->ShowDayInfo(at.x, at.y, day, sheet_->Design(), true);
}

void CalendarWindow::SetTrayIcon(bool add)
{
    if (add)
        tray_->Show(Handle());
    else
        tray_->Remove(Handle());
}

void CalendarWindow::ApplyHotKey()
{
    const auto hotkey = static_cast<UINT>(sheet_->Live().Hotkey);
    const UINT vk = hotkey & 0xFF;
    const UINT mods = HotkeyModifiers((hotkey >> 8) & 0xFF);
    UnregisterHotKey(Handle(), HOTKEY_ID);
    if (!RegisterHotKey(Handle(), HOTKEY_ID, mods, vk))
        ReportError(IDS_HOTKEY_FAILED);
}

void CalendarWindow::ApplyReminders() { reminders_->Rearm(); }

void CalendarWindow::OnHotKey(int, UINT, UINT) { ToggleCalendar(); }

void CalendarWindow::ToggleCalendar()
{
    if (!IsWindowVisible(Handle())) {
        ShowWindow(Handle(), SW_SHOW);
    } else if (GetFocus() == nullptr) {
        SetForegroundWindow(Handle());
    } else {
        if (dayInfo_->IsShown())
            dayInfo_->Hide();
        ShowWindow(Handle(), SW_HIDE);
    }
}

// ---- day editing and about --------------------------------------------------------

void CalendarWindow::EditMemo()
{
    const DayRecord* day = CellOf(menuCell_);
    if (day == nullptr || !day->InShownMonth())
        return;
    // By date: the shown month may change while the dialog is open (midnight, an import).
    const std::chrono::year_month_day date{std::chrono::year{day->year}, std::chrono::month(day->month),
                                           std::chrono::day(day->day)};
    auto dialog = std::make_unique<MemoDialog>();
    openMemo_ = dialog.get();
    const bool ok = dialog->Edit(Handle(), day->year, day->month, day->day, day->memo);
    openMemo_ = nullptr;
    if (!ok)
        return;
    const bool saved = model_->SetMemo(date, dialog->Memo(), dialog->Base());
    // The edit shows either way; a failed save must not pass as success.
    Render(false);
    reminders_->Rearm();
    if (!saved)
        ReportError(IDS_SAVE_FAILED, FileErrorDetail(model_->LastError()));
}

void CalendarWindow::EditMemorial()
{
    const DayRecord* day = CellOf(menuCell_);
    if (day == nullptr || !day->InShownMonth())
        return;
    const std::chrono::month_day date{std::chrono::month(day->month), std::chrono::day(day->day)};
    auto dialog = std::make_unique<MemorialDialog>();
    openMemorial_ = dialog.get();
    const bool ok = dialog->Edit(Handle(), day->month, day->day, day->memorialName, day->memorialPicture);
    openMemorial_ = nullptr;
    if (!ok)
        return;
    const bool saved =
        model_->SetMemorial(date, {dialog->Name(), dialog->Picture()}, {dialog->BaseName(), dialog->BasePicture()});
    Render(false);
    if (!saved)
        ReportError(IDS_SAVE_FAILED, FileErrorDetail(model_->LastError()));
}

void CalendarWindow::RefreshDayDialogs()
{
    using namespace std::chrono;
    if (openMemo_ != nullptr)
        if (const DayRecord* cell = model_->ShownDate(year{openMemo_->Year()} / openMemo_->Month() / openMemo_->Day()))
            openMemo_->Refresh(cell->memo);
    // A memorial day recurs: its day in the shown month's year.
    if (openMemorial_ != nullptr)
        if (const DayRecord* cell =
                model_->ShownDate(year{model_->Year()} / openMemorial_->Month() / openMemorial_->Day()))
            openMemorial_->Refresh(cell->memorialName, cell->memorialPicture);
}

void CalendarWindow::ShowAbout()
{
    auto dialog = std::make_unique<AboutDialog>();
    dialog->Show(Handle());
}

// ---- subscribed events --------------------------------------------------------------

std::wstring CalendarWindow::DataDirectory() const
{
    std::wstring directory = dataDirectory_;
    if (directory.empty())
        TheApp()->ModuleDirectory(directory);
    return directory;
}

void CalendarWindow::FeedRefreshed(std::wstring_view url, std::shared_ptr<const FeedCalendar> feed)
{
    feeds_->Replace(url, std::move(feed));
    Render(false);
    reminders_->Rearm();
}

void CalendarWindow::UpdateMonthEvents()
{
    const int y = model_->Year(), m = model_->Month();
    if (y == eventsYear_ && m == eventsMonth_ && feeds_->Generation() == eventsGeneration_)
        return;
    eventsYear_ = y;
    eventsMonth_ = m;
    eventsGeneration_ = feeds_->Generation();
    *dots_ = MonthDots{y, m, {}};
    const auto [first, last] = MonthSpan(y, m);
    busyDays_ = feeds_->BusyDays(first, last);
    monthEvents_.clear();
    // The lines of the month's days are made once the months stop changing, before a popup needs them.
    if (Handle() != nullptr && !feeds_->Sources().empty())
        SetTimer(Handle(), TIMER_EVENTS, 250, nullptr);
    for (std::size_t d = 0; d < busyDays_.size() && d + 1 < dots_->days.size(); ++d) {
        DayDots& dots = dots_->days[d + 1];
        for (std::size_t s = 0; s < feeds_->Sources().size() && s < 64; ++s) {
            const Argb colour = feeds_->Sources()[s].colour;
            const auto end = dots.colours.begin() + dots.count;
            if (((busyDays_[d] >> s) & 1) != 0 && dots.count < static_cast<int>(dots.colours.size()) &&
                std::find(dots.colours.begin(), end, colour) == end)
                dots.colours[static_cast<std::size_t>(dots.count++)] = colour;
        }
    }
}

bool CalendarWindow::HasEvents(const DayRecord& day) const
{
    return day.InShownMonth() && day.year == eventsYear_ && day.month == eventsMonth_ && day.day >= 1 &&
           static_cast<std::size_t>(day.day) <= busyDays_.size() &&
           busyDays_[static_cast<std::size_t>(day.day - 1)] != 0;
}

bool CalendarWindow::ShowsInfo(const DayRecord& day) const { return day.HasInfo() || HasEvents(day); }

std::vector<DayInfoEvent> CalendarWindow::EventLines(const DayRecord& day) const
{
    std::vector<DayInfoEvent> lines;
    if (!HasEvents(day))
        return lines;
    const std::wstring allDay = ResString(IDS_EVENT_ALL_DAY);
    const std::chrono::local_days date(std::chrono::year{day.year} / day.month / day.day);
    const bool made = monthEvents_.size() >= static_cast<std::size_t>(day.day);
    const auto events = made ? std::vector<std::vector<DayEvent>>() : feeds_->Days(date, date);
    for (const DayEvent& e : made ? monthEvents_[static_cast<std::size_t>(day.day - 1)] : events.at(0)) {
        if (lines.size() >= DayInfoWindow::kMaxEventLines) { // not shown, only counted
            lines.emplace_back();
            continue;
        }
        std::wstring text = TimeRangeText(e, allDay) + L"  " + e.summary;
        if (!e.location.empty())
            text += L"\xFF08" + e.location + L"\xFF09"; // the place in full-width brackets
        lines.push_back({std::move(text), feeds_->Sources()[static_cast<std::size_t>(e.source)].colour});
    }
    return lines;
}

void CalendarWindow::ShowDayInfoAt(int x, int y, const DayRecord& day, bool pinned)
{
    const std::vector<DayInfoEvent> events = EventLines(day);
    dayInfo_->ShowDayInfo(x, y, day, sheet_->Design(), pinned, events);
}
