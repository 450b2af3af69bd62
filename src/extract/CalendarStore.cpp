// Events and tasks of the calendar database.
#include "extract/CalendarStore.h"

#include "extract/CalendarRows.h"
#include "extract/ReminderStore.h"
#include "formats/SqliteReader.h"
#include "platform/Status.h"

#include <algorithm>
#include <map>

namespace extract {

namespace {

constexpr std::string_view kItemTable = "CalendarItem";
// CalendarItem.entity_type of an event and of a task.
constexpr std::int64_t kEventEntity = 2;
constexpr std::int64_t kTaskEntity = 3;
// The time zone name of a floating (wall-clock) time.
constexpr std::string_view kFloatingZone = "_float";

// Everything the items are joined with, by ROWID.
struct CalendarJoins
{
    std::map<std::int64_t, std::string> calendars;
    std::map<std::int64_t, std::string> locations;
    // Event ROWID → frequency code and interval of its first rule.
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> recurrences;
};

std::string joined(const std::map<std::int64_t, std::string>& map, std::int64_t key)
{
    const auto found = map.find(key);
    return found != map.end() ? found->second : std::string();
}

bool isTask(const CalendarRow& row)
{
    const std::int64_t entity = row.integer("entity_type");
    if (entity == kTaskEntity || entity == kEventEntity) {
        return entity == kTaskEntity;
    }
    return !row.has("start_date") && (row.has("due_date") || row.has("completion_date"));
}

// Reads the item rows and the joined tables. Returns the first failing status.
int readItems(const std::string& path,
              sqlitecarve::Database* carved,
              std::vector<CalendarRow>& items,
              CalendarJoins& joins)
{
    formats::SqliteHandle db;
    if (const int opened = openStore(path, db); opened != platform::kStatusOk) {
        return opened;
    }
    std::vector<CalendarRow> calendars;
    std::vector<CalendarRow> locations;
    std::vector<CalendarRow> rules;
    int status = readLiveRows(db.get(), kItemTable, items);
    for (const auto& [table, rows] : {std::pair{"Calendar", &calendars},
                                      std::pair{"Location", &locations},
                                      std::pair{"Recurrence", &rules}}) {
        if (status == platform::kStatusOk) {
            status = readLiveRows(db.get(), table, *rows);
        }
    }
    if (status == platform::kStatusOk && carved != nullptr) {
        std::vector<std::int64_t> live;
        for (const CalendarRow& row : items) {
            live.push_back(row.rowid());
        }
        status = readDeletedRows(*carved, kItemTable, live, items);
    }
    for (const CalendarRow& row : calendars) {
        joins.calendars.emplace(row.rowid(), row.text("title"));
    }
    for (const CalendarRow& row : locations) {
        const std::string title = row.text("title");
        const std::string address = row.text("address");
        joins.locations.emplace(row.rowid(),
                                title.empty() || address.empty() || title == address
                                    ? title + address
                                    : title + ", " + address);
    }
    for (const CalendarRow& row : rules) {
        joins.recurrences.emplace(row.integer("owner_id"),
                                  std::pair(row.integer("frequency"), row.integer("interval")));
    }
    return status;
}

CalendarEventRecord eventOfRow(const CalendarRow& row, const CalendarJoins& joins)
{
    CalendarEventRecord event;
    event.deleted = row.deleted() ? 1 : 0;
    event.title = row.text("summary");
    event.allDay = row.integer("all_day") != 0;
    event.floating = event.allDay || row.text("start_tz") == kFloatingZone;
    event.startTime = row.appleTime("start_date");
    event.endTime = row.appleTime("end_date");
    event.start = calendarDateText(event.startTime, event.floating);
    event.end = calendarDateText(event.endTime, event.floating);
    event.location = joined(joins.locations, row.integer("location_id"));
    event.calendar = joined(joins.calendars, row.integer("calendar_id"));
    event.notes = row.text("description");
    event.url = row.text("url");
    if (const auto rule = joins.recurrences.find(row.rowid());
        row.integer("has_recurrences") != 0 && rule != joins.recurrences.end() &&
        rule->second.first >= 1 && rule->second.first <= 4) {
        event.repeatFrequency = static_cast<std::int32_t>(rule->second.first);
        event.repeatInterval = std::max<std::int64_t>(1, rule->second.second);
    }
    return event;
}

} // namespace

int readCalendarEvents(const std::string& path,
                       sqlitecarve::Database* carved,
                       std::vector<CalendarEventRecord>& events)
{
    std::vector<CalendarRow> items;
    CalendarJoins joins;
    const int status = readItems(path, carved, items, joins);
    for (const CalendarRow& row : items) {
        if (isTask(row)) {
            continue;
        }
        CalendarEventRecord event = eventOfRow(row, joins);
        if (!event.title.empty() || event.startTime) {
            events.push_back(std::move(event));
        }
    }
    return status;
}

int readCalendarTasks(const std::string& path,
                      sqlitecarve::Database* carved,
                      std::vector<ReminderRecord>& reminders)
{
    std::vector<CalendarRow> items;
    CalendarJoins joins;
    const int status = readItems(path, carved, items, joins);
    for (const CalendarRow& row : items) {
        if (!isTask(row)) {
            continue;
        }
        ReminderRecord reminder =
            reminderOfRow(row, joined(joins.calendars, row.integer("calendar_id")));
        if (!reminder.title.empty() || !reminder.notes.empty()) {
            reminders.push_back(std::move(reminder));
        }
    }
    return status;
}

} // namespace extract
