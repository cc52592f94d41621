// Start-up of the calendar with a 20000 x 20000 PNG (about 1 MB of one colour) as background
// picture and as today's memorial picture, against an 800 x 600 JPEG: time until the calendar
// (and the popup) is on screen, the longest wait for the window to answer in the first
// seconds, and the peak memory of the process.
//   bench_pictures.exe [runs per case (3)]
#include "app/Handle.h"
#include "bench/BenchSupport.h"
#include "calendar/MonthModel.h"

#include <psapi.h>
#include <wincodec.h>

#include <fstream>

using namespace bench;

namespace {

// A picture of one colour, written through WIC a band of rows at a time so that it never needs
// the whole picture in memory.
bool WriteHugePicture(const std::filesystem::path& file, UINT width, UINT height, const GUID& container)
{
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    bool done = false;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromFilename(file.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(container, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->SetSize(width, height)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
        format == GUID_WICPixelFormat24bppBGR) {
        const UINT stride = width * 3, band = 256;
        std::vector<BYTE> rows(static_cast<std::size_t>(stride) * band);
        for (std::size_t i = 0; i < rows.size(); i += 3)
            rows[i] = 0xC0, rows[i + 1] = 0x80, rows[i + 2] = 0x40;
        done = true;
        for (UINT y = 0; y < height && done; y += band) {
            const UINT count = std::min(band, height - y);
            done = SUCCEEDED(frame->WritePixels(count, stride, stride * count, rows.data()));
        }
        done = done && SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    for (IUnknown* object : std::initializer_list<IUnknown*>{frame, encoder, stream, factory})
        if (object != nullptr)
            object->Release();
    return done;
}

struct Result {
    double shown = -1, longestWait = 0;
    double peakMb = 0;
};

// Starts the calendar in `dir`, waits for `windowClass` to be visible, then checks for two
// seconds how long the calendar takes to answer a message.
Result StartOnce(const std::filesystem::path& dir, const wchar_t* windowClass)
{
    const std::wstring exe = (dir / L"Mosaryn.exe").wstring();
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    Result r;
    const auto start = Clock::now();
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return r;
    const UniqueHandle process(pi.hProcess), thread(pi.hThread);
    for (; MillisSince(start) < 60000 && WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0; Sleep(1)) {
        HWND w = FindWindowW(windowClass, nullptr);
        if (w != nullptr && IsWindowVisible(w)) {
            r.shown = MillisSince(start);
            break;
        }
    }
    HWND calendar = FindWindowW(L"QVMainWnd", nullptr);
    for (const auto probing = Clock::now(); calendar != nullptr && MillisSince(probing) < 2000; Sleep(20)) {
        const auto asked = Clock::now();
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(calendar, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer);
        r.longestWait = std::max(r.longestWait, MillisSince(asked));
    }
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (K32GetProcessMemoryInfo(pi.hProcess, &counters, sizeof(counters)))
        r.peakMb = static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    while (FindWindowW(L"QVMainWnd", nullptr) != nullptr)
        Sleep(5);
    return r;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Environment env(L"pictures");
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path program = std::filesystem::path(self).parent_path().parent_path() / L"Mosaryn.exe";
    const std::filesystem::path huge = env.Dir() / L"huge.png", photo = env.Dir() / L"photo.jpg",
                                camera = env.Dir() / L"camera.jpg", cameraPng = env.Dir() / L"camera.png";
    if (!WriteHugePicture(huge, 20000, 20000, GUID_ContainerFormatPng) ||
        !WriteHugePicture(camera, 8660, 5774, GUID_ContainerFormatJpeg) ||
        !WriteHugePicture(cameraPng, 8660, 5774, GUID_ContainerFormatPng) ||
        !WritePicture(photo, 800, 600, L"image/jpeg")) {
        std::printf("could not write the pictures\n");
        return 1;
    }
    std::printf("pictures: 20000 x 20000 PNG of %ju bytes, 800 x 600 JPEG; medians of %d starts\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(huge)), runs);
    const struct {
        const char* what;
        const std::filesystem::path& picture;
        bool memorial;
    } cases[] = {{"background 800 x 600 JPEG    ", photo, false},  {"background 20000 x 20000 PNG ", huge, false},
                 {"background 50 MP JPEG        ", camera, false}, {"background 50 MP PNG         ", cameraPng, false},
                 {"memorial   800 x 600 JPEG    ", photo, true},   {"memorial   20000 x 20000 PNG ", huge, true}};
    int index = 0;
    for (const auto& c : cases) {
        const std::filesystem::path dir = env.Dir() / std::to_wstring(++index);
        std::filesystem::create_directories(dir);
        std::filesystem::copy_file(program, dir / L"Mosaryn.exe");
        std::ofstream(dir / L"qv.ini") << "[Option]\nShowBegin=Yes\nTodayInfo=Yes\n[Design]\nBackImagePos=1\n"
                                       << (c.memorial ? "" : "BackImageFile=" + c.picture.string() + "\n");
        if (c.memorial) { // today's memorial day with the picture, so the popup opens at start
            MonthModel model(dir.wstring() + L"\\");
            model.ShowThisMonth();
            const DayRecord* today = model.FindToday();
            for (int cell = 0; today != nullptr && cell < 42; ++cell)
                if (&model.Cell(cell % 7, cell / 7) == today)
                    model.SetMemorial(cell % 7, cell / 7, L"bench", c.picture.wstring());
        }
        std::vector<double> shown, waits, peaks;
        for (int i = 0; i < runs; ++i) {
            const Result r = StartOnce(dir, c.memorial ? L"DayInfoWnd" : L"QVMainWnd");
            shown.push_back(r.shown), waits.push_back(r.longestWait), peaks.push_back(r.peakMb);
        }
        std::printf("  %s on screen %8.1f ms   longest wait for an answer %7.1f ms   peak memory %6.1f MB\n", c.what,
                    Median(shown), Median(waits), Median(peaks));
    }
    return 0;
}
