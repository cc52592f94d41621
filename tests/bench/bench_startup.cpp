// Start-up time: process start until the calendar window exists, against a minimal
// program that creates one layered window, both started the same way in the same run.
//   bench_startup.exe [runs (15)]
#include "app/Handle.h"
#include "bench/BenchSupport.h"

using namespace bench;

namespace {
double StartOnce(const std::wstring& exe, const wchar_t* windowClass)
{
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    const auto start = Clock::now();
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    const UniqueHandle process(pi.hProcess), thread(pi.hThread);
    double ms = -1;
    for (; ms < 0 && WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0; Sleep(1))
        if (FindWindowW(windowClass, nullptr) != nullptr)
            ms = MillisSince(start);
    // Ends the copy without its exit path: nothing is written.
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    while (FindWindowW(windowClass, nullptr) != nullptr)
        Sleep(5);
    return ms;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? _wtoi(argv[1]) : 15;
    Environment env(L"startup");
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path here = std::filesystem::path(self).parent_path();
    // A private copy, so the calendar's files never land in the build tree.
    const std::filesystem::path calendar = env.Dir() / L"Mosaryn.exe";
    std::filesystem::copy_file(here.parent_path() / L"Mosaryn.exe", calendar,
                               std::filesystem::copy_options::overwrite_existing);
    std::vector<double> app, base;
    for (int i = 0; i < runs; ++i) { // interleaved so that both see the same machine load
        base.push_back(StartOnce((here / L"minimal_layered.exe").wstring(), L"MosarynMinimalLayered"));
        app.push_back(StartOnce(calendar.wstring(), L"QVMainWnd"));
    }
    const double a = Median(app), b = Median(base);
    std::printf("start-up to window, median of %d runs\n", runs);
    std::printf("  minimal layered window: %8.1f ms\n  Mosaryn calendar:       %8.1f ms\n", b, a);
    std::printf("  ratio:                  %8.2f\n", b > 0 ? a / b : 0.0);
    return 0;
}
