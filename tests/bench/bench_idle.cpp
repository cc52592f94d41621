// What the calendar costs while nobody touches it: the calendar window runs its own
// message loop for a minute with the pointer parked away from it, and the process CPU
// time of that minute is printed with the timer messages seen, by id. A second, shorter
// phase rests the pointer on a day cell of the focused calendar, where the leave timer runs.
//   bench_idle.exe [seconds away (60)] [seconds on a day (20)]
#include "bench/BenchSupport.h"
#include "render/CalendarPainter.h"
#include "settings/IniFile.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/OwnerWindow.h"

#include <map>

using namespace bench;

namespace {
double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) { return (ULONGLONG{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

struct Phase {
    double wall = 0, cpu = 0;
    unsigned long long messages = 0;
    std::map<UINT_PTR, unsigned> timers; // calendar timers by id
};

// The program's own loop, for `seconds`, noting what reaches the calendar.
Phase RunLoop(HWND calendar, double seconds)
{
    Phase phase;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    const double cpuStart = CpuSeconds();
    MSG msg;
    for (auto now = start; now < end; now = Clock::now()) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait) + 1, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ++phase.messages;
            if (msg.message == WM_TIMER && msg.hwnd == calendar)
                ++phase.timers[msg.wParam];
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    phase.cpu = CpuSeconds() - cpuStart;
    phase.wall = MillisSince(start) / 1000;
    return phase;
}

void Print(const char* name, const Phase& p)
{
    std::printf("%-28s wall %6.1f s  cpu %8.3f s  (%.3f s per minute, %.3f%% of one core)  messages %llu\n", name,
                p.wall, p.cpu, p.cpu * 60 / p.wall, p.cpu * 100 / p.wall, p.messages);
    std::printf("%-28s timers:", "");
    for (const auto& [id, name] :
         {std::pair{101u, "leave"}, std::pair{102u, "hover"}, std::pair{108u, "typing"}, std::pair{109u, "date"}})
        std::printf(" %s(%u)=%u", name, id, p.timers.contains(id) ? p.timers.at(id) : 0u);
    std::printf("\n");
}

void WriteIni(const std::wstring& file)
{
    const std::wstring hotkey = std::to_wstring(((HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT) << 8) | VK_F11);
    const IniEntry entries[] = {{L"Option", L"ShowBegin", L"Yes"},
                                {L"Option", L"TodayInfo", L"No"},
                                {L"Option", L"PosX", L"200"},
                                {L"Option", L"PosY", L"100"},
                                {L"Option", L"Hotkey", hotkey}};
    IniFile(file).Write(entries);
}
} // namespace

int main(int argc, char** argv)
{
    const double away = Arg(argc, argv, 1, 60), inside = Arg(argc, argv, 2, 20);
    Environment env(L"idle");
    WriteIni(env.DirWithSlash() + L"qv.ini");
    SetCursorPos(1270, 1010);
    OwnerWindow owner;
    CalendarWindow calendar(env.DirWithSlash());
    calendar.SetQuitOnDestroy(false);
    calendar.SetErrorReporter([](UINT id) { std::printf("error string %u\n", id); });
    const auto created = Clock::now();
    if (!owner.CreateOwner() || !calendar.CreateCalendar(owner.Handle())) {
        std::printf("could not create the calendar\n");
        return 1;
    }
    std::printf("calendar created and shown in %.1f ms\n", MillisSince(created));
    const HWND hwnd = calendar.Handle();
    Print("pointer away", RunLoop(hwnd, away));
    if (inside > 0) {
        // Focused, with the pointer resting on a day: the leave timer polls the cursor.
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        const gfx::RectF cell = calendar.Painter().CellRect(3, 2);
        POINT p{static_cast<LONG>(cell.x + cell.width / 2), static_cast<LONG>(cell.y + cell.height / 2)};
        ClientToScreen(hwnd, &p);
        SetCursorPos(p.x, p.y);
        SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
        SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
        Print("pointer resting on a day", RunLoop(hwnd, inside));
    }
    DestroyWindow(hwnd);
    DestroyWindow(owner.Handle());
    return 0;
}
