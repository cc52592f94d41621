// One write of qv.ini (all 48 keys, through a flushed file that replaces it in
// one step) against one plain CopyFileW of the same file, interleaved in one run.
#include "bench/BenchSupport.h"
#include "settings/IniFile.h"
#include "settings/SettingsSheet.h"

using namespace bench;

int main(int argc, char** argv)
{
    const int runs = static_cast<int>(Arg(argc, argv, 1, 200));
    Environment env(L"ini");
    SettingsSheet sheet;
    sheet.SetIniDirectory(env.DirWithSlash());
    sheet.LoadSettings();
    sheet.Live().Design.Background.BackImageFile = L"C:\\写真\\背景.png";
    if (!sheet.SaveSettings()) {
        std::printf("could not write qv.ini\n");
        return 1;
    }
    const std::wstring ini = env.DirWithSlash() + L"qv.ini", copy = env.DirWithSlash() + L"copy.ini";
    std::printf("qv.ini: %ju bytes, 48 keys\n", static_cast<std::uintmax_t>(std::filesystem::file_size(ini)));

    // A typical write changes one colour and the position; the worst changes every value.
    std::vector<double> one, every, copies, bare;
    bool ok = true;
    for (int i = 0; i < runs; ++i, Pump()) {
        Settings& live = sheet.Live();
        one.push_back(Micros([&] {
            live.Design.DayFont.Font.Color = 0xFF000000u + static_cast<Argb>(i);
            live.PosX = 200 + i;
            ok = sheet.SaveSettings() && ok;
        }));
        copies.push_back(Micros([&] { ok = CopyFileW(ini.c_str(), copy.c_str(), FALSE) && ok; }));
        // The same steps without any key: read, new file, flush, replace.
        bare.push_back(Micros([&] { ok = IniFile(ini).Write({}) && ok; }));
        every.push_back(Micros([&] {
            live.Design = DesignSettings{};
            live.Design.MonthFont.Name += std::to_wstring(i);
            live.Design.MonthFont.Size = 9.0f + static_cast<float>(i % 2);
            // Every other key too: colours, sizes, styles, options.
            for (FontSetting* f : {&live.Design.WeekFont, &live.Design.DayFont.Font, &live.Design.LNMonthFont.Font,
                                   &live.Design.Dayinfo.TitleFont, &live.Design.Dayinfo.MemoFont}) {
                f->Name += std::to_wstring(i);
                f->Size += static_cast<float>(i % 2 + 1);
                f->Style = i % 2 + 1;
                f->Color += static_cast<Argb>(i + 1);
            }
            ok = sheet.SaveSettings() && ok;
        }));
    }
    const double typical = Median(one), all = Median(every), plain = Median(copies);
    std::printf("settings write, one colour and the position changed: median %.1f us over %d runs\n", typical, runs);
    std::printf("settings write, every font of the design changed:    median %.1f us\n", all);
    std::printf("CopyFileW of the same qv.ini:                        median %.1f us -> ratios %.2f and %.2f\n", plain,
                typical / plain, all / plain);
    std::printf(
        "  of which read + new file + flush + replace, no key: median %.1f us; the rest is the profile writer\n",
        Median(bare));
    return ok ? 0 : 1;
}
