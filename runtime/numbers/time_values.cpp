// Time values: the local-time text, broken-down time to time value, and the
// local zone's offset from universal time.
#include <cstring>
#include <string>

#include "platform/system.h"
#include "runtime/numbers/numbers.h"

namespace vrn {

namespace {

// Seconds since 1970 of a broken-down time read as universal time.
int64_t AsUniversal(const std::tm& tm) {
    // Days from the civil date (proleptic Gregorian), then the time of day.
    int64_t year = tm.tm_year + 1900;
    int64_t month = tm.tm_mon + 1;
    year -= month <= 2 ? 1 : 0;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + tm.tm_mday - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    int64_t days = era * 146097 + dayOfEra - 719468;
    return days * 86400 + tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

// The offset west of Greenwich in force at t, and whether daylight time is
// in force then (-1: unknown).
bool OffsetAt(int64_t t, int32_t& offsetWest, int& daylight) {
    std::tm local{};
    if (!LocalTime(t, local)) return false;
    offsetWest = static_cast<int32_t>(t - AsUniversal(local));
    daylight = local.tm_isdst;
    return true;
}

}  // namespace

const char* uttime(int64_t t) {
    static char text[32];
    std::tm local{};
    if (!LocalTime(t, local)) return nullptr;
    std::string formatted = AscTime(local);
    std::strncpy(text, formatted.c_str(), sizeof text - 1);
    text[sizeof text - 1] = '\0';
    return text;
}

int64_t utTmToTime(std::tm* tm) {
    tm->tm_isdst = -1;
    return MakeLocalTime(*tm);
}

int32_t utTimeZoneOffset(int32_t swap) {
    int64_t now = CurrentTime();
    int32_t offsetNow = 0;
    int daylightNow = 0;
    if (!OffsetAt(now, offsetNow, daylightNow)) return -1;
    if (daylightNow < 0) return offsetNow;   // which time is in force is not known

    // Look for the other half of the year's rule: a moment a quarter or
    // half a year away whose daylight flag differs.
    int32_t otherOffset = offsetNow;
    bool zoneHasDaylight = false;
    for (int64_t step : {int64_t{91}, int64_t{182}, int64_t{273}}) {
        int32_t offset = 0;
        int daylight = 0;
        if (OffsetAt(now + step * 86400, offset, daylight) && daylight >= 0 && (daylight > 0) != (daylightNow > 0)) {
            otherOffset = offset;
            zoneHasDaylight = true;
            break;
        }
    }
    if (!zoneHasDaylight && daylightNow == 0) return offsetNow;
    int32_t standard = daylightNow > 0 ? otherOffset : offsetNow;
    int32_t summer = daylightNow > 0 ? offsetNow : otherOffset;
    bool reportDaylight = (daylightNow > 0) != (swap != 0);
    return reportDaylight ? summer : standard;
}

}  // namespace vrn
