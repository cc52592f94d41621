// From pressing Apply on the Design page to the new calendar image handed to the
// window: the page applies, the painter lays out again (reloading a 4000 x 3000
// background picture) and the composed image goes to the layered window.
#include "app/Application.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "render/Graphics.h"
#include "res/resource.h"
#include "settings/SettingsSheet.h"

#include <gdiplus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double MillisSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

bool EncoderFor(const wchar_t* mime, CLSID& clsid)
{
    UINT count = 0;
    UINT bytes = 0;
    Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<std::uint8_t> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (bytes == 0 || Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(codecs[i].MimeType) == mime) {
            clsid = codecs[i].Clsid;
            return true;
        }
    return false;
}

// A photo-sized JPEG with smooth gradients, so that decoding does real work.
bool WritePicture(const std::wstring& path, int width, int height)
{
    gfx::Bitmap bitmap = gfx::Bitmap::Blank(width, height);
    if (!bitmap)
        return false;
    {
        gfx::BitmapPixels pixels = bitmap.Lock();
        if (!pixels)
            return false;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.At(x, y) = 0xFF000000u | (static_cast<std::uint32_t>(x * 255 / width) << 16) |
                                  (static_cast<std::uint32_t>(y * 255 / height) << 8) |
                                  static_cast<std::uint32_t>((x ^ y) & 0xFF);
    }
    CLSID clsid{};
    return EncoderFor(L"image/jpeg", clsid) &&
           Gdiplus::DllExports::GdipSaveImageToFile(bitmap.GetBitmap(), path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
}

// The calendar's part of an apply: a relayout render into a layered window.
class BenchHost : public SettingsHost {
public:
    BenchHost(const DesignSettings& design, MonthModel& model) : painter_(design), model_(model)
    {
        window_ = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"bench calendar", WS_POPUP, 100, 100,
                                  10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(window_, SW_SHOWNA);
    }
    ~BenchHost() override { DestroyWindow(window_); }
    BenchHost(const BenchHost&) = delete;
    BenchHost& operator=(const BenchHost&) = delete;

    HWND HostWindow() const override { return window_; }
    void Render(bool relayout) override
    {
        const auto start = Clock::now();
        handedOver = RenderCalendar(window_, painter_, model_, 0, relayout);
        renderMillis = MillisSince(start);
        rendered = Clock::now();
        ++renders;
    }
    void ApplyHotKey() override {}

    const CalendarPainter& Painter() const { return painter_; }
    Clock::time_point rendered{};
    double renderMillis = 0;
    bool handedOver = false;
    int renders = 0;

private:
    CalendarPainter painter_;
    MonthModel& model_;
    HWND window_ = nullptr;
};

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

int main()
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    static Application app;
    app.SetInstance(GetModuleHandleW(nullptr));
    SetTheApp(&app);

    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    const std::filesystem::path dir =
        std::filesystem::path(base) / (L"mosaryn-bench-settings-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::create_directories(dir);
    const std::wstring picture = (dir / L"background.jpg").wstring();
    int status = 0;
    {
        if (!WritePicture(picture, 4000, 3000)) {
            std::printf("could not write the 4000 x 3000 picture\n");
            return 1;
        }
        std::printf("background picture: 4000 x 3000 JPEG, %ju bytes\n",
                    static_cast<std::uintmax_t>(std::filesystem::file_size(picture)));

        SettingsSheet sheet;
        sheet.SetIniDirectory(dir.wstring() + L"\\");
        sheet.Live().Design.Background.BackImageFile = picture;
        sheet.Live().Design.Background.BackImagePos = 1;
        MonthModel model(dir.wstring() + L"\\");
        model.Show(2026, 5);
        BenchHost host(sheet.Design(), model);
        host.Render(true); // the calendar as it is before the sheet opens

        HWND window = sheet.OpenSettings(&host);
        PropSheet_SetCurSel(window, nullptr, 1);
        Pump();
        HWND background = sheet.DesignItems().ItemPage(2)->Handle();
        HWND track = GetDlgItem(background, IDC_TRACK2);

        const int runs = 9;
        std::vector<double> applies, renders;
        for (int i = 0; i < runs; ++i) {
            // An edit on the background page, as a drag of the transparency bar leaves it.
            const int position = 10 + 5 * (i % 2);
            SendMessageW(track, TBM_SETPOS, TRUE, position);
            SendMessageW(background, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                         reinterpret_cast<LPARAM>(track));
            const int before = host.renders;
            const auto pressed = Clock::now();
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(0x3021, BN_CLICKED), 0); // Apply
            if (host.renders != before + 1 || !host.handedOver || host.Painter().Picture() == nullptr) {
                std::printf("run %d: the apply did not render the picture\n", i);
                status = 1;
                break;
            }
            applies.push_back(std::chrono::duration<double, std::milli>(host.rendered - pressed).count());
            renders.push_back(host.renderMillis);
            Pump();
        }
        if (!applies.empty()) {
            std::printf("Apply -> image handed over: median %.1f ms over %zu runs (min %.1f, max %.1f)\n",
                        Median(applies), applies.size(), *std::min_element(applies.begin(), applies.end()),
                        *std::max_element(applies.begin(), applies.end()));
            std::printf("  of which Render(relayout) incl. picture load: median %.1f ms\n", Median(renders));
            const auto size = host.Painter().GetSize();
            std::printf("  calendar image %d x %d\n", size.width, size.height);
        }
        DestroyWindow(window);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    Gdiplus::GdiplusShutdown(token);
    return status;
}
