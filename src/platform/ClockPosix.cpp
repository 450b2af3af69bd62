// POSIX implementation of the zone bias and date conversions.
#include "Clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>

namespace platform {

namespace {

// Two decimal digits of `value` (0–99) at `out`.
void putTwoDigits(char* out, int value)
{
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
}

std::string formatFields(const std::tm& fields)
{
    const int year = fields.tm_year + 1900;
    if (year < 0 || year > 9999) {
        char text[64];
        std::snprintf(text,
                      sizeof text,
                      "%04d-%02d-%02d %02d:%02d:%02d",
                      year,
                      fields.tm_mon + 1,
                      fields.tm_mday,
                      fields.tm_hour,
                      fields.tm_min,
                      fields.tm_sec);
        return text;
    }
    // Dates are formatted by the hundred thousand in a scan: digits by hand, not printf.
    std::string text = "0000-00-00 00:00:00";
    putTwoDigits(text.data(), year / 100);
    putTwoDigits(text.data() + 2, year % 100);
    putTwoDigits(text.data() + 5, fields.tm_mon + 1);
    putTwoDigits(text.data() + 8, fields.tm_mday);
    putTwoDigits(text.data() + 11, fields.tm_hour);
    putTwoDigits(text.data() + 14, fields.tm_min);
    putTwoDigits(text.data() + 17, fields.tm_sec);
    return text;
}

// Re-reads the time zone when TZ has changed since the last call. tzset() itself looks at
// the zone file on every call, which costs a file-system look-up per formatted date.
void refreshZone()
{
    static std::mutex mutex;
    static std::optional<std::string> applied;
    static bool initialised = false;
    const std::lock_guard lock(mutex);
    const char* current = std::getenv("TZ");
    const std::optional<std::string> now =
        current != nullptr ? std::optional<std::string>(current) : std::nullopt;
    if (!initialised || now != applied) {
        ::tzset();
        applied = now;
        initialised = true;
    }
}

} // namespace

int zoneBaseBiasMinutes()
{
    ::tzset();
    return static_cast<int>(::timezone / 60);
}

std::int64_t secondsFromUtcFields(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return static_cast<std::int64_t>(::timegm(&fields));
}

std::string formatUtc(std::int64_t seconds)
{
    const auto value = static_cast<std::time_t>(seconds);
    std::tm fields{};
    if (::gmtime_r(&value, &fields) == nullptr) {
        return {};
    }
    return formatFields(fields);
}

std::string formatLocal(std::int64_t seconds)
{
    refreshZone();
    const auto value = static_cast<std::time_t>(seconds);
    std::tm fields{};
    if (::localtime_r(&value, &fields) == nullptr) {
        return {};
    }
    return formatFields(fields);
}

std::int64_t nowSeconds()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

} // namespace platform
