// What every benchmark program needs: timing, medians, a scratch directory,
// GDI+ and the application object, test pictures and a layered window.
#pragma once
#include "app/Application.h"
#include "render/Graphics.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace bench {
using Clock = std::chrono::steady_clock;

inline double MillisSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double Micros(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return MillisSince(start) * 1000;
}

inline double Median(std::vector<double> samples)
{
    const auto middle = samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return samples.empty() ? 0 : *middle;
}

inline void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Median in microseconds of `runs` calls of step(i), dispatching pending messages after each.
inline double MedianMicros(int runs, const std::function<void(int)>& step)
{
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i, Pump())
        samples.push_back(Micros([&] { step(i); }));
    return Median(samples);
}

// Command-line argument `index` as a number, or `fallback` when absent.
inline double Arg(int argc, char** argv, int index, double fallback)
{
    return argc > index ? std::atof(argv[index]) : fallback;
}

// GDI+, common controls and the application object for the run, and a scratch
// directory removed at the end; not copyable, like the application object.
class Environment {
public:
    explicit Environment(const std::wstring& name)
        : dir_(std::filesystem::temp_directory_path() /
               (L"mosaryn-bench-" + name + L"-" + std::to_wstring(GetCurrentProcessId())))
    {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        app_.SetInstance(GetModuleHandleW(nullptr));
        SetTheApp(&app_);
        std::filesystem::create_directories(dir_);
    }
    ~Environment()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    const std::filesystem::path& Dir() const { return dir_; }
    // The directory as the program keeps it: with a trailing backslash.
    std::wstring DirWithSlash() const { return dir_.wstring() + L"\\"; }
    Application& App() { return app_; }

private:
    std::filesystem::path dir_;
    Application app_;
    gfx::GdiplusSession gdiplus_ = gfx::StartGdiplus(); // ends before the application object
};

// A gradient picture in the format of `mime` ("image/jpeg", "image/png"), so that decoding does real work.
inline bool WritePicture(const std::filesystem::path& file, int width, int height, const wchar_t* mime)
{
    gfx::Bitmap bitmap = gfx::Bitmap::Blank(width, height);
    if (!bitmap)
        return false;
    if (gfx::BitmapPixels pixels = bitmap.Lock()) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.At(x, y) = 0xFF000000u | (static_cast<std::uint32_t>(x * 255 / width) << 16) |
                                  (static_cast<std::uint32_t>(y * 255 / height) << 8) |
                                  static_cast<std::uint32_t>((x ^ y) & 0xFF);
    } else
        return false;
    UINT count = 0, bytes = 0;
    Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<std::uint64_t> storage((bytes + 7) / 8);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
    Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, encoders);
    auto* const end = encoders + count;
    const auto* codec = std::find_if(encoders, end, [&](const auto& e) { return std::wcscmp(e.MimeType, mime) == 0; });
    return codec != end && Gdiplus::DllExports::GdipSaveImageToFile(bitmap.GetBitmap(), file.c_str(), &codec->Clsid,
                                                                    nullptr) == Gdiplus::Ok;
}

// A shown, non-activated layered popup to hand images to.
inline HWND MakeLayeredWindow()
{
    HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"bench", WS_POPUP, 100, 100, 10, 10,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}
} // namespace bench
