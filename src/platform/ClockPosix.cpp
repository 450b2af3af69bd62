// POSIX implementation of the zone bias and date conversions.
#include "Clock.h"

#include <cstdio>
#include <ctime>

namespace platform {

namespace {

std::string formatFields(const std::tm& fields)
{
    char text[64];
    std::snprintf(text,
                  sizeof text,
                  "%04d-%02d-%02d %02d:%02d:%02d",
                  fields.tm_year + 1900,
                  fields.tm_mon + 1,
                  fields.tm_mday,
                  fields.tm_hour,
                  fields.tm_min,
                  fields.tm_sec);
    return text;
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
    ::tzset();
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
