// A subscription's last refresh in words, as the settings page lists it.
#pragma once
#include "calendar/FeedStore.h"

#include <string>

// "更新 2026/12/07 10:15" (the last good refresh, in the computer's time zone),
// or what went wrong: "見つかりません (404)", "接続できません", ...
std::wstring FeedStatusText(const FeedState& state);
