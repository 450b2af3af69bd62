// iCalendar files through libical.
#include "export/ICalendarWriter.h"

#include "platform/File.h"
#include "platform/Status.h"

#include <array>
#include <cstdlib>
#include <libical/ical.h>
#include <memory>

namespace exporting {

namespace {

struct ComponentFree
{
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};

using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// The RRULE frequencies of the store's codes 1 to 4.
constexpr std::array<std::string_view, 4> kFrequencies = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};

icaltimetype utcTime(std::int64_t seconds)
{
    return icaltime_from_timet_with_zone(
        static_cast<time_t>(seconds), 0, icaltimezone_get_utc_timezone());
}

// A DATE value, or a wall-clock time in no zone, of `seconds` read as UTC.
icaltimetype floatingTime(std::int64_t seconds, bool date)
{
    icaltimetype time = utcTime(seconds);
    time.zone = nullptr;
    time.is_date = date ? 1 : 0;
    if (date) {
        time.hour = time.minute = time.second = 0;
    }
    return time;
}

Component newCalendar()
{
    Component calendar(icalcomponent_new_vcalendar());
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(),
                               icalproperty_new_prodid("-//Brenvale//Recovery//EN"));
    return calendar;
}

// Adds the properties every item has: UID, DTSTAMP, SUMMARY, DESCRIPTION (with the deleted
// line first for a deleted item) and the deleted mark.
void addCommon(icalcomponent* item,
               const std::string& uid,
               std::int64_t stampSeconds,
               bool deleted,
               const std::string& title,
               const std::string& notes)
{
    icalcomponent_add_property(item, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(item, icalproperty_new_dtstamp(utcTime(stampSeconds)));
    icalcomponent_add_property(item, icalproperty_new_summary(title.c_str()));
    std::string description = deleted ? std::string(kDeletedItemLine) : std::string();
    if (!notes.empty()) {
        description += (description.empty() ? "" : "\n") + notes;
    }
    if (!description.empty()) {
        icalcomponent_add_property(item, icalproperty_new_description(description.c_str()));
    }
    if (deleted) {
        icalproperty* mark = icalproperty_new_x("TRUE");
        icalproperty_set_x_name(mark, "X-BRENVALE-DELETED");
        icalcomponent_add_property(item, mark);
    }
}

Component todoOf(const extract::ReminderRecord& reminder, std::size_t index, std::int64_t stamp)
{
    Component todo(icalcomponent_new_vtodo());
    addCommon(todo.get(),
              "reminder-" + std::to_string(index + 1) + "-" + std::to_string(stamp) + "@brenvale",
              stamp,
              reminder.deleted != 0,
              reminder.title,
              reminder.notes);
    if (reminder.dueTime) {
        icalcomponent_add_property(todo.get(),
                                   icalproperty_new_due(reminder.dueAllDay
                                                            ? floatingTime(*reminder.dueTime, true)
                                                            : utcTime(*reminder.dueTime)));
    }
    icalcomponent_add_property(todo.get(),
                               icalproperty_new_status(reminder.completed
                                                           ? ICAL_STATUS_COMPLETED
                                                           : ICAL_STATUS_NEEDSACTION));
    if (reminder.completedTime) {
        icalcomponent_add_property(todo.get(),
                                   icalproperty_new_completed(utcTime(*reminder.completedTime)));
    }
    if (reminder.priority != 0) {
        icalcomponent_add_property(todo.get(), icalproperty_new_priority(reminder.priority));
    }
    if (reminder.createdTime) {
        icalcomponent_add_property(todo.get(),
                                   icalproperty_new_created(utcTime(*reminder.createdTime)));
    }
    return todo;
}

icaltimetype eventTime(const extract::CalendarEventRecord& event, std::int64_t seconds)
{
    return event.floating ? floatingTime(seconds, event.allDay) : utcTime(seconds);
}

// The DTEND of an event whose end lies after its start. An all-day event ends on the day
// after its last day, whether the store keeps the next midnight or the last second of the
// last day.
icaltimetype endTime(const extract::CalendarEventRecord& event)
{
    if (!event.allDay) {
        return eventTime(event, *event.endTime);
    }
    icaltimetype end = floatingTime(*event.endTime - 1, true);
    icaltime_adjust(&end, 1, 0, 0, 0);
    return end;
}

Component eventOf(const extract::CalendarEventRecord& event, std::size_t index, std::int64_t stamp)
{
    Component item(icalcomponent_new_vevent());
    addCommon(item.get(),
              "event-" + std::to_string(index + 1) + "-" + std::to_string(stamp) + "@brenvale",
              stamp,
              event.deleted != 0,
              event.title,
              event.notes);
    if (event.startTime) {
        icalcomponent_add_property(item.get(),
                                   icalproperty_new_dtstart(eventTime(event, *event.startTime)));
    }
    if (event.endTime && event.startTime && *event.endTime > *event.startTime) {
        icalcomponent_add_property(item.get(), icalproperty_new_dtend(endTime(event)));
    }
    if (!event.location.empty()) {
        icalcomponent_add_property(item.get(), icalproperty_new_location(event.location.c_str()));
    }
    if (!event.url.empty()) {
        icalcomponent_add_property(item.get(), icalproperty_new_url(event.url.c_str()));
    }
    if (const std::string rule = recurrenceRule(event); !rule.empty()) {
        icalcomponent_add_property(
            item.get(), icalproperty_new_rrule(icalrecurrencetype_from_string(rule.c_str())));
    }
    return item;
}

// Serialises `calendar` to `path`. Returns 0, 87 when libical gives no text, or the write's
// status.
int writeCalendar(const std::string& path, icalcomponent* calendar)
{
    char* text = icalcomponent_as_ical_string_r(calendar);
    if (text == nullptr) {
        return platform::kStatusInvalid;
    }
    const std::string content(text);
    std::free(text);
    return platform::writeWholeFile(path, content);
}

} // namespace

std::string recurrenceRule(const extract::CalendarEventRecord& event)
{
    if (event.repeatFrequency < 1 || event.repeatFrequency > 4) {
        return {};
    }
    std::string rule =
        "FREQ=" + std::string(kFrequencies[static_cast<std::size_t>(event.repeatFrequency - 1)]);
    if (event.repeatInterval > 1) {
        rule += ";INTERVAL=" + std::to_string(event.repeatInterval);
    }
    return rule;
}

int writeRemindersIcs(const std::string& path,
                      const std::vector<const extract::ReminderRecord*>& reminders,
                      std::int64_t stampSeconds)
{
    Component calendar = newCalendar();
    for (std::size_t i = 0; i < reminders.size(); ++i) {
        icalcomponent_add_component(calendar.get(),
                                    todoOf(*reminders[i], i, stampSeconds).release());
    }
    return writeCalendar(path, calendar.get());
}

int writeCalendarIcs(const std::string& path,
                     const std::vector<const extract::CalendarEventRecord*>& events,
                     std::int64_t stampSeconds)
{
    Component calendar = newCalendar();
    for (std::size_t i = 0; i < events.size(); ++i) {
        icalcomponent_add_component(calendar.get(), eventOf(*events[i], i, stampSeconds).release());
    }
    return writeCalendar(path, calendar.get());
}

} // namespace exporting
