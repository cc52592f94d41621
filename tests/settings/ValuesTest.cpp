// Value texts of qv.ini and the point-of-use guards for stored values.
#include "settings/IniValues.h"
#include "settings/SafeValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(IniValues, Integers)
{
    const std::pair<const wchar_t*, std::int32_t> cases[] = {
        {L"42", 42},
        {L"  -17", -17},
        {L"+8", 8},
        {L"12abc", 12},
        {L"abc", 0},
        {L"", 0},
        {L"-", 0},
        {L"2147483647", INT32_MAX},
        {L"-2147483648", INT32_MIN},
        {L"99999999999", INT32_MAX},
        {L"-99999999999999999999999", INT32_MIN},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ini::ParseInteger(text), expected) << text;
    EXPECT_EQ(ini::FormatInteger(INT32_MIN), L"-2147483648");
    EXPECT_EQ(ini::FormatInteger(1091), L"1091");
}

TEST(IniValues, ColoursKeepAll32Bits)
{
    const std::pair<const wchar_t*, Argb> cases[] = {
        {L"-2130706433", 0x80FFFFFF}, {L"-16777216", 0xFF000000},   {L"-1", 0xFFFFFFFF},
        {L"4294967295", 0xFFFFFFFF},  {L"-2147483648", 0x80000000}, {L"2147483648", 0x80000000},
        {L"853335240", 0x32DCDCC8},   {L"99999999999", 0xFFFFFFFF}, {L"x", 0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ini::ParseColour(text), expected) << text;
    EXPECT_EQ(ini::FormatColour(0x80FFFFFF), L"-2130706433");
    EXPECT_EQ(ini::FormatColour(0x7FFFFFFF), L"2147483647");
}

TEST(IniValues, Sizes)
{
    const std::pair<const wchar_t*, float> cases[] = {
        {L"9", 9.0f},   {L"10.4", 10.4f}, {L" \t12.5", 12.5f}, {L"+3", 3.0f},      {L"-5", -5.0f},
        {L"1e9", 1e9f}, {L"7pt", 7.0f},   {L"abc", 0.0f},      {L"", 0.0f},        {L"--5", 0.0f},
        {L"inf", kInf}, {L"-inf", -kInf}, {L"1e39", kInf},     {L"-1e400", -kInf}, {L"1e-400", 0.0f},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ini::ParseSize(text), expected) << text;
    EXPECT_EQ(ini::ParseSize(L"0." + std::wstring(400, L'0') + L"1"), 0.0f); // out of range, but small
    EXPECT_EQ(ini::ParseSize(std::wstring(400, L'9') + L"e-500"), 0.0f);
    EXPECT_EQ(ini::ParseSize(L"0.0001e400"), kInf);
    EXPECT_TRUE(std::isnan(ini::ParseSize(L"nan")));
    EXPECT_TRUE(std::isnan(ini::ParseSize(L"-NaN")));

    const std::pair<float, const wchar_t*> written[] = {
        {9.0f, L"9"}, {10.4f, L"10"},        {12.75f, L"13"}, {-5.0f, L"-5"},
        {0.0f, L"0"}, {1e9f, L"1000000000"}, {kInf, L"inf"},  {-kInf, L"-inf"},
    };
    for (const auto& [value, text] : written)
        EXPECT_EQ(ini::FormatSize(value), text) << value;
    EXPECT_EQ(ini::FormatSize(std::numeric_limits<float>::max()).size(), 39u);
}

TEST(IniValues, SizeTextIsKeptOnlyForTheSameNonFiniteValue)
{
    EXPECT_EQ(ini::FormatSizeKeeping(kNaN, L"NaN"), L"NaN");
    EXPECT_EQ(ini::FormatSizeKeeping(kInf, L"1e39"), L"1e39");
    EXPECT_EQ(ini::FormatSizeKeeping(-kInf, L"1e39"), L"-inf");
    EXPECT_EQ(ini::FormatSizeKeeping(kNaN, L"inf"), L"nan");
    EXPECT_EQ(ini::FormatSizeKeeping(10.0f, L"10.4"), L"10");
    EXPECT_EQ(ini::FormatSizeKeeping(1e9f, L"1e9"), L"1000000000");
    EXPECT_EQ(ini::FormatSizeKeeping(kInf, L""), L"inf");
}

TEST(SafeValues, FontSize)
{
    const std::pair<float, float> cases[] = {
        {0.0f, 9.0f},  {-5.0f, 9.0f},  {kNaN, 9.0f},     {kInf, 9.0f},     {-kInf, 9.0f}, {1e9f, 200.0f},
        {0.25f, 1.0f}, {10.4f, 10.4f}, {200.0f, 200.0f}, {200.5f, 200.0f}, {1.0f, 1.0f},
    };
    for (const auto& [stored, drawn] : cases)
        EXPECT_EQ(DrawableFontSize(stored), drawn) << stored;
    EXPECT_EQ(DrawableFontSize(0.0f, 12.0f), 12.0f);
    EXPECT_EQ(DrawableFontSize(kNaN, 8.0f), 8.0f);
}

TEST(SafeValues, AlphaDrawModeAndStyle)
{
    const std::pair<int, int> alphas[] = {{-1, 0},    {0, 0},      {128, 128},     {255, 255},
                                          {256, 255}, {1000, 255}, {INT32_MIN, 0}, {INT32_MAX, 255}};
    for (const auto& [stored, used] : alphas)
        EXPECT_EQ(ClampAlpha(stored), used) << stored;
    const std::pair<int, int> modes[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {7, 0}, {-1, 0}, {INT32_MIN, 0}};
    for (const auto& [stored, used] : modes)
        EXPECT_EQ(BackImageDrawMode(stored), used) << stored;
    EXPECT_EQ(DrawableFontStyle(7), 7);
    EXPECT_EQ(DrawableFontStyle(INT32_MIN), 0);
    EXPECT_EQ(DrawableFontStyle(-1), 15);
}

} // namespace
