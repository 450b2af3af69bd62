// Time: the local zone's standard bias and conversions between calendar fields, seconds since
// 1970 and the date text "YYYY-MM-DD hh:mm:ss" used everywhere in the system.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Seconds between 1970-01-01 and 2001-01-01 UTC, the epoch of Apple's databases.
inline constexpr std::int64_t kAppleEpochOffset = 978307200;

// Minutes west of UTC of the local zone's standard time, without any daylight-saving bias
// (positive west of Greenwich). Follows $TZ.
int zoneBaseBiasMinutes();

// Seconds since 1970 of the given UTC calendar time (month 1–12, day 1–31; fields outside
// their ranges carry over as in timegm).
std::int64_t secondsFromUtcFields(int year, int month, int day, int hour, int minute, int second);

// "YYYY-MM-DD hh:mm:ss" of `seconds` since 1970 broken down as UTC. Empty when the time cannot
// be broken down.
std::string formatUtc(std::int64_t seconds);

// "YYYY-MM-DD hh:mm:ss" of `seconds` since 1970 in local time (daylight saving included).
// Empty when the time cannot be broken down.
std::string formatLocal(std::int64_t seconds);

// The current time as seconds since 1970.
std::int64_t nowSeconds();

} // namespace platform
