// Reminders and calendar events as JSON.
#include "CalendarJson.h"

#include "export/RecordFields.h"

namespace cli {

void writeReminder(JsonWriter& json, const extract::ReminderRecord& reminder)
{
    json.beginObject();
    json.member("deleted", reminder.deleted);
    json.member("title", reminder.title);
    json.member("notes", reminder.notes);
    json.member("list", reminder.list);
    json.member("due", reminder.due);
    json.member("completed", reminder.completed);
    json.member("completedDate", reminder.completedDate);
    json.member("priority", reminder.priority);
    json.member("created", reminder.created);
    json.member("flagged", reminder.flagged);
    json.endObject();
}

void writeCalendarEvent(JsonWriter& json, const extract::CalendarEventRecord& event)
{
    json.beginObject();
    json.member("deleted", event.deleted);
    json.member("title", event.title);
    json.member("start", event.start);
    json.member("end", event.end);
    json.member("allDay", event.allDay);
    json.member("location", event.location);
    json.member("calendar", event.calendar);
    json.member("notes", event.notes);
    json.member("url", event.url);
    json.member("recurrence", exporting::recurrenceText(event));
    json.endObject();
}

} // namespace cli
