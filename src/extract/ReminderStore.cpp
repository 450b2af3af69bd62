// Reminders of the reminders store, both table generations.
#include "extract/ReminderStore.h"

#include "extract/CalendarRows.h"
#include "formats/SqliteReader.h"
#include "platform/Status.h"

#include <algorithm>
#include <initializer_list>
#include <map>

namespace extract {

namespace {

constexpr std::string_view kReminderTable = "ZREMCDREMINDER";
constexpr std::string_view kObjectTable = "ZREMCDOBJECT";
constexpr std::string_view kListTable = "ZREMCDBASELIST";
// Highest priority value of the iCalendar scale.
constexpr std::int64_t kLowestPriority = 9;

// The first non-empty text of `columns`.
std::string firstText(const CalendarRow& row, std::initializer_list<std::string_view> columns)
{
    for (const std::string_view column : columns) {
        if (std::string text = row.text(column); !text.empty()) {
            return text;
        }
    }
    return {};
}

// The first date of `columns` that the row holds.
std::optional<std::int64_t> firstTime(const CalendarRow& row,
                                      std::initializer_list<std::string_view> columns)
{
    for (const std::string_view column : columns) {
        if (const auto time = row.appleTime(column)) {
            return time;
        }
    }
    return std::nullopt;
}

// The entity number Z_PRIMARYKEY gives `entity`, or 0 when it gives none.
std::int64_t entityNumber(sqlite3* db, const char* entity)
{
    formats::SqliteStatement statement;
    if (formats::prepareStatement(
            db, "SELECT Z_ENT FROM Z_PRIMARYKEY WHERE Z_NAME = ?1;", statement) != SQLITE_OK) {
        return 0;
    }
    sqlite3_bind_text(statement.get(), 1, entity, -1, SQLITE_STATIC);
    return sqlite3_step(statement.get()) == SQLITE_ROW ? sqlite3_column_int64(statement.get(), 0)
                                                       : 0;
}

// Z_PK → name of every row of `rows` that has a name: the lists.
void addListNames(const std::vector<CalendarRow>& rows, std::map<std::int64_t, std::string>& names)
{
    for (const CalendarRow& row : rows) {
        std::string name = firstText(row, {"ZNAME", "ZNAME1", "ZNAME2"});
        if (!row.deleted() && !name.empty()) {
            names.emplace(row.rowid(), std::move(name));
        }
    }
}

} // namespace

ReminderRecord reminderOfRow(const CalendarRow& row, const std::string& listName)
{
    ReminderRecord reminder;
    reminder.deleted = row.deleted() || row.integer("ZMARKEDFORDELETION") != 0 ? 1 : 0;
    reminder.title = firstText(row, {"ZTITLE", "ZTITLE1", "ZTITLE2", "summary"});
    reminder.notes = firstText(row, {"ZNOTES", "ZNOTES1", "description"});
    reminder.list = listName;
    reminder.dueAllDay = row.integer("ZALLDAY") != 0 || row.integer("due_all_day") != 0;
    reminder.dueTime = firstTime(row, {"ZDUEDATE", "ZDISPLAYDATEDATE", "due_date"});
    reminder.due = calendarDateText(reminder.dueTime, reminder.dueAllDay);
    reminder.completedTime = firstTime(row, {"ZCOMPLETIONDATE", "completion_date"});
    reminder.completed = row.integer("ZCOMPLETED") != 0 || reminder.completedTime.has_value();
    reminder.completedDate = calendarDateText(reminder.completedTime, false);
    reminder.priority = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        std::max(row.integer("ZPRIORITY"), row.integer("priority")), 0, kLowestPriority));
    reminder.flagged = row.integer("ZFLAGGED") != 0;
    reminder.createdTime = firstTime(row, {"ZCREATIONDATE", "creation_date"});
    reminder.created = calendarDateText(reminder.createdTime, false);
    return reminder;
}

int readReminderStore(const std::string& path,
                      sqlitecarve::Database* carved,
                      std::vector<ReminderRecord>& reminders)
{
    formats::SqliteHandle db;
    if (const int opened = openStore(path, db); opened != platform::kStatusOk) {
        return opened;
    }
    const bool ownTable = hasTable(db.get(), kReminderTable);
    const std::string_view table = ownTable ? kReminderTable : kObjectTable;
    // In the single-table generation only the rows of the reminder entity are reminders.
    const std::int64_t entity = ownTable ? 0 : entityNumber(db.get(), "REMCDReminder");

    std::vector<CalendarRow> rows;
    std::vector<CalendarRow> lists;
    int status = readLiveRows(db.get(), table, rows);
    if (status == platform::kStatusOk) {
        status = readLiveRows(db.get(), ownTable ? kListTable : kObjectTable, lists);
    }
    if (status == platform::kStatusOk && carved != nullptr) {
        std::vector<std::int64_t> live;
        for (const CalendarRow& row : rows) {
            live.push_back(row.rowid());
        }
        status = readDeletedRows(*carved, table, live, rows);
    }
    std::map<std::int64_t, std::string> listNames;
    addListNames(lists, listNames);
    for (const CalendarRow& row : rows) {
        if (!ownTable && (entity != 0 ? row.integer("Z_ENT") != entity : !row.has("ZCOMPLETED"))) {
            continue;
        }
        const auto list = listNames.find(row.integer("ZLIST"));
        ReminderRecord reminder =
            reminderOfRow(row, list != listNames.end() ? list->second : std::string());
        if (!reminder.title.empty() || !reminder.notes.empty()) {
            reminders.push_back(std::move(reminder));
        }
    }
    return status;
}

} // namespace extract
