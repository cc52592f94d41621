// What the calendar costs while nobody touches it: the calendar window runs its own
// message loop for a minute with the pointer parked away from it, and the process CPU
// time of that minute is printed with the timer messages seen, by id. A second, shorter
// phase rests the pointer on a day cell of the focused calendar, where the leave timer runs.
//   bench_idle.exe [seconds away (60)] [seconds on a day (20)]
#include "bench/BenchSupport.h"
#include "render/CalendarPainter.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/OwnerWindow.h"

#include <fstream>
#include <map>

using namespace bench;

namespace {
double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
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
    for (;;) {
        const auto now = Clock::now();
        if (now >= end)
            break;
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
    phase.wall = std::chrono::duration<double>(Clock::now() - start).count();
    return phase;
}

void Print(const char* name, const Phase& p)
{
    std::printf("%-28s wall %6.1f s  cpu %8.3f s  (%.3f s per minute, %.3f%% of one core)  messages %llu\n", name,
                p.wall, p.cpu, p.cpu * 60 / p.wall, p.cpu * 100 / p.wall, p.messages);
    const struct {
        UINT_PTR id;
        const char* name;
    } timers[] = {{101, "leave"}, {102, "hover"}, {108, "typing"}, {109, "date"}};
    std::printf("%-28s timers:", "");
    for (const auto& t : timers) {
        const auto it = p.timers.find(t.id);
        std::printf(" %s(%u)=%u", t.name, static_cast<unsigned>(t.id), it == p.timers.end() ? 0u : it->second);
    }
    std::printf("\n");
}

void WriteIni(const std::filesystem::path& file)
{
    const std::wstring text = L"[Option]\r\nShowBegin=Yes\r\nTodayInfo=No\r\nPosX=200\r\nPosY=100\r\nHotkey=" +
                              std::to_wstring(((HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT) << 8) | VK_F11) +
                              L"\r\n";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.put(static_cast<char>(0xFF)).put(static_cast<char>(0xFE));
    for (wchar_t c : text)
        out.put(static_cast<char>(c & 0xFF)).put(static_cast<char>(c >> 8));
}
} // namespace

int main(int argc, char** argv)
{
    const double away = Arg(argc, argv, 1, 60), inside = Arg(argc, argv, 2, 20);
    Environment env(L"idle");
    WriteIni(env.Dir() / L"qv.ini");
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
