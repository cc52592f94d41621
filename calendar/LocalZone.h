// The computer's time zone as the reminders need it: local wall-clock time to
// real moments and back, with the rules of each year.
#pragma once
#include "app/Win.h"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

class LocalZone {
public:
    // The zone the computer is set to now; read again after every time change.
    static LocalZone Current();
    // A zone of the system's list by its key ("Eastern Standard Time"), or null.
    static std::optional<LocalZone> Named(std::wstring_view key);

    // Local time less UTC at that moment.
    std::chrono::seconds OffsetAt(std::chrono::sys_seconds t) const;
    std::chrono::local_seconds ToLocal(std::chrono::sys_seconds t) const
    {
        return std::chrono::local_seconds{(t + OffsetAt(t)).time_since_epoch()};
    }
    // A time the clocks skip is read with the offset before the change (02:30 is
    // 03:30 of the new offset), a time they pass twice as its first pass, as
    // iCalendar does.
    std::chrono::sys_seconds ToSys(std::chrono::local_seconds t) const;

private:
    explicit LocalZone(const DYNAMIC_TIME_ZONE_INFORMATION& zone) : zone_(zone) {}
    // The zone's rules of one year.
    const TIME_ZONE_INFORMATION& Rules(int year) const;

    DYNAMIC_TIME_ZONE_INFORMATION zone_{};
    // Read once per year (a registry read), shared by copies.
    std::shared_ptr<std::map<int, TIME_ZONE_INFORMATION>> years_ =
        std::make_shared<std::map<int, TIME_ZONE_INFORMATION>>();
};
