// The reminders and calendar stores read back from files the fixture writer generates for
// each table generation: every field, all-day dates that keep their day in any zone, rows
// marked for deletion and rows carved from free space as deleted, hostile text unchanged;
// damaged and odd stores that give what they can without failing the scan; the stores found
// by relative path in any domain.
#include "catalogue/ScopedEnvironment.h"
#include "devicedb/CalendarDb.h"
#include "devicedb/RemindersDb.h"
#include "devicedb/SqliteWriter.h"
#include "extract/CalendarStore.h"
#include "extract/CalendarStoreFiles.h"
#include "extract/ReminderStore.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "support/TempDir.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

// Midnight UTC of 2021-03-14, a day on which New York changes to summer time.
constexpr std::int64_t kDay = 1615680000;
constexpr std::int64_t kHour = 3600;

template <typename Record>
const Record* titled(const std::vector<Record>& records, const std::string& title)
{
    const auto found = std::find_if(
        records.begin(), records.end(), [&](const Record& r) { return r.title == title; });
    return found != records.end() ? &*found : nullptr;
}

// Opens `path` with our reader for the deleted rows; the test fails when it does not open.
void openCarved(sqlitecarve::Database& db, const std::string& path)
{
    ASSERT_EQ(db.open(path), 0);
}

fixtures::RemindersData reminderSample()
{
    fixtures::RemindersData data;
    data.lists = {"Errands", "Work, \"urgent\""};
    const auto add = [&](std::string title, std::size_t list) -> fixtures::SampleReminder& {
        fixtures::SampleReminder r;
        r.pk = static_cast<std::int64_t>(data.reminders.size()) + 1;
        r.title = std::move(title);
        r.list = list;
        r.created = kDay - 10 * kHour;
        data.reminders.push_back(std::move(r));
        return data.reminders.back();
    };
    fixtures::SampleReminder& timed = add("Call \"Bob\", then <b>Ann</b>", 1);
    timed.due = kDay + 9 * kHour;
    timed.priority = 1;
    timed.flagged = true;
    timed.notes = "Line one\r\nline two";
    fixtures::SampleReminder& day = add("Pay rent \xf0\x9f\x8f\xa0", 0);
    day.due = kDay;
    day.allDay = true;
    day.completed = true;
    day.completedAt = kDay + 2 * kHour;
    day.priority = 5;
    add("\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d marked", 0).markedForDeletion = true;
    add("Gone from the table", 1).priority = 9;
    for (int i = 0; i < 12; ++i) {
        add("Filler " + std::to_string(i), 0);
    }
    data.deletePks = {4};
    return data;
}

// Both generations give the same reminders: fields, list names, an all-day due day that stays
// on its date west of UTC, marked and carved rows as deleted.
TEST(ReminderCalendarStore, EveryReminderGenerationGivesTheSameReminders)
{
    const catalogue_test::ScopedEnvironment zone("TZ", "America/New_York");

    struct Expected
    {
        const char* title;
        int deleted;
        const char* list;
        std::string due;
        bool completed;
        int priority;
        bool flagged;
    };

    const Expected expected[] = {
        {"Call \"Bob\", then <b>Ann</b>",
         0,
         "Work, \"urgent\"",
         platform::formatLocal(kDay + 9 * kHour),
         false,
         1,
         true},
        {"Pay rent \xf0\x9f\x8f\xa0", 0, "Errands", "2021-03-14 00:00:00", true, 5, false},
        {"\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d marked", 1, "Errands", "", false, 0, false},
        {"Gone from the table", 1, "Work, \"urgent\"", "", false, 9, false},
    };
    testsupport::TempDir dir;
    for (const auto layout : {fixtures::RemindersLayout::ObjectTableIos14,
                              fixtures::RemindersLayout::ReminderTableIos17}) {
        SCOPED_TRACE(static_cast<int>(layout));
        const std::string path = dir.file("Data-local.sqlite");
        ASSERT_EQ(fixtures::writeRemindersDb(path, layout, reminderSample()), 0);
        sqlitecarve::Database carved;
        openCarved(carved, path);
        std::vector<extract::ReminderRecord> reminders;
        ASSERT_EQ(extract::readReminderStore(path, &carved, reminders), 0);
        EXPECT_EQ(reminders.size(), 16U);
        for (const Expected& e : expected) {
            SCOPED_TRACE(e.title);
            const extract::ReminderRecord* r = titled(reminders, e.title);
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r->deleted, e.deleted);
            EXPECT_EQ(r->list, e.list);
            EXPECT_EQ(r->due, e.due);
            EXPECT_EQ(r->completed, e.completed);
            EXPECT_EQ(r->priority, e.priority);
            EXPECT_EQ(r->flagged, e.flagged);
            EXPECT_EQ(r->created, platform::formatLocal(kDay - 10 * kHour));
        }
        const extract::ReminderRecord* timed = titled(reminders, expected[0].title);
        EXPECT_EQ(timed->notes, "Line one\r\nline two");
        EXPECT_EQ(titled(reminders, expected[1].title)->completedDate,
                  platform::formatLocal(kDay + 2 * kHour));
    }
}

// Events with their calendar, location and recurrence; all-day and floating events on their
// wall-clock dates, zoned ones in local time; a carved event as deleted; tasks as reminders
// of their calendar and never as events.
TEST(ReminderCalendarStore, CalendarGivesEventsWithJoinsAndTasks)
{
    const catalogue_test::ScopedEnvironment zone("TZ", "America/New_York");
    fixtures::CalendarData data;
    data.calendars = {"Home", "Work <Team>"};
    const auto add = [&](std::string title) -> fixtures::SampleCalendarItem& {
        fixtures::SampleCalendarItem item;
        item.rowid = static_cast<std::int64_t>(data.items.size()) + 1;
        item.title = std::move(title);
        item.start = kDay + 9 * kHour;
        item.end = kDay + 10 * kHour;
        item.created = kDay - kHour;
        data.items.push_back(std::move(item));
        return data.items.back();
    };
    fixtures::SampleCalendarItem& holiday = add("Holiday, \"all\" day");
    holiday.allDay = true;
    holiday.zone = "_float";
    holiday.start = kDay;
    holiday.end = kDay + 2 * 86400;
    holiday.location = "Beach";
    holiday.frequency = 4;
    fixtures::SampleCalendarItem& standup = add("Stand-up\r\n<script>");
    standup.calendar = 1;
    standup.frequency = 2;
    standup.interval = 2;
    standup.url = "https://example.com/?a=1&b=2";
    add("Wall clock").zone = "_float";
    add("Cancelled");
    for (int i = 0; i < 10; ++i) {
        add("Filler " + std::to_string(i));
    }
    fixtures::SampleCalendarItem& task = add("Old task");
    task.task = true;
    task.due = kDay + 3 * kHour;
    task.completedAt = kDay + 4 * kHour;
    data.deleteRowids = {4};

    testsupport::TempDir dir;
    const std::string path = dir.file("Calendar.sqlitedb");
    ASSERT_EQ(fixtures::writeCalendarDb(path, data), 0);
    sqlitecarve::Database carved;
    openCarved(carved, path);
    std::vector<extract::CalendarEventRecord> events;
    ASSERT_EQ(extract::readCalendarEvents(path, &carved, events), 0);
    EXPECT_EQ(events.size(), 14U);

    struct Expected
    {
        const char* title;
        int deleted;
        std::string start;
        std::string end;
        bool allDay;
        const char* calendar;
        const char* location;
        // How the event repeats: the store's frequency code (0 none) and interval.
        int repeatFrequency;
        int repeatInterval;
    };

    const Expected expected[] = {
        {"Holiday, \"all\" day",
         0,
         "2021-03-14 00:00:00",
         "2021-03-16 00:00:00",
         true,
         "Home",
         "Beach",
         4,
         1},
        {"Stand-up\r\n<script>",
         0,
         platform::formatLocal(kDay + 9 * kHour),
         platform::formatLocal(kDay + 10 * kHour),
         false,
         "Work <Team>",
         "",
         2,
         2},
        {"Wall clock", 0, "2021-03-14 09:00:00", "2021-03-14 10:00:00", false, "Home", "", 0, 1},
        {"Cancelled",
         1,
         platform::formatLocal(kDay + 9 * kHour),
         platform::formatLocal(kDay + 10 * kHour),
         false,
         "Home",
         "",
         0,
         1},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.title);
        const extract::CalendarEventRecord* event = titled(events, e.title);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(event->deleted, e.deleted);
        EXPECT_EQ(event->start, e.start);
        EXPECT_EQ(event->end, e.end);
        EXPECT_EQ(event->allDay, e.allDay);
        EXPECT_EQ(event->calendar, e.calendar);
        EXPECT_EQ(event->location, e.location);
        EXPECT_EQ(event->repeatFrequency, e.repeatFrequency);
        EXPECT_EQ(event->repeatInterval, e.repeatInterval);
    }
    EXPECT_EQ(titled(events, "Stand-up\r\n<script>")->url, "https://example.com/?a=1&b=2");
    EXPECT_EQ(titled(events, "Old task"), nullptr);

    std::vector<extract::ReminderRecord> tasks;
    ASSERT_EQ(extract::readCalendarTasks(path, &carved, tasks), 0);
    ASSERT_EQ(tasks.size(), 1U);
    EXPECT_EQ(tasks[0].title, "Old task");
    EXPECT_EQ(tasks[0].list, "Home");
    EXPECT_EQ(tasks[0].due, platform::formatLocal(kDay + 3 * kHour));
    EXPECT_TRUE(tasks[0].completed);
}

// Stores that are damaged, empty, of an unknown shape or full of odd values: nothing crashes,
// what can be read is read, values out of range are dropped or clamped, and a file that is no
// database fails its read so that the scan can say so.
TEST(ReminderCalendarStore, OddStoresGiveWhatTheyCanWithoutCrashing)
{
    struct Case
    {
        const char* name;
        // Statements that build the store; null for raw bytes.
        const char* sql;
        std::string bytes;
        bool fails;
        std::size_t reminders;
        std::size_t events;
    };

    const Case cases[] = {
        {"garbage", nullptr, std::string(8192, '\x5a'), true, 0, 0},
        {"header only",
         nullptr,
         std::string("SQLite format 3\0", 16) + std::string(84, '\0'),
         true,
         0,
         0},
        {"no tables", "CREATE TABLE other (a);", {}, false, 0, 0},
        {"bare reminder table",
         "CREATE TABLE ZREMCDREMINDER (Z_PK INTEGER PRIMARY KEY, ZTITLE, ZPRIORITY, ZDUEDATE, "
         "ZLIST);"
         "INSERT INTO ZREMCDREMINDER VALUES (1, 'Huge', 9000000000000000000, 1e300, 77);"
         "INSERT INTO ZREMCDREMINDER VALUES (2, X'00FF', -5, 'soon', NULL);"
         "INSERT INTO ZREMCDREMINDER VALUES (3, NULL, NULL, NULL, NULL);",
         {},
         false,
         1,
         0},
        {"object table without primary keys",
         "CREATE TABLE ZREMCDOBJECT (Z_PK INTEGER PRIMARY KEY, Z_ENT, ZTITLE1, ZCOMPLETED);"
         "INSERT INTO ZREMCDOBJECT VALUES (1, 5, 'Kept', 0), (2, 6, 'No state', NULL);",
         {},
         false,
         1,
         0},
        {"items without joins",
         "CREATE TABLE CalendarItem (ROWID INTEGER PRIMARY KEY, summary, start_date, end_date, "
         "all_day, calendar_id, location_id, entity_type);"
         "INSERT INTO CalendarItem VALUES (1, 'Lonely', 600000000.5, -1e300, 1, 9, 9, 2);"
         "INSERT INTO CalendarItem VALUES (2, NULL, NULL, NULL, NULL, NULL, NULL, 3);",
         {},
         false,
         0,
         1},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(std::string(c.name) + ".db");
        if (c.sql == nullptr) {
            ASSERT_EQ(platform::writeWholeFile(path, c.bytes), 0);
        } else {
            fixtures::SqliteWriter writer;
            ASSERT_EQ(writer.create(path), 0);
            ASSERT_EQ(writer.exec(c.sql), 0);
            ASSERT_EQ(writer.close(), 0);
        }
        sqlitecarve::Database carved;
        sqlitecarve::Database* db = carved.open(path) == 0 ? &carved : nullptr;
        std::vector<extract::ReminderRecord> reminders;
        std::vector<extract::CalendarEventRecord> events;
        const int reminderStatus = extract::readReminderStore(path, db, reminders);
        const int eventStatus = extract::readCalendarEvents(path, db, events);
        EXPECT_EQ(reminderStatus != 0, c.fails);
        EXPECT_EQ(eventStatus != 0, c.fails);
        EXPECT_EQ(reminders.size(), c.reminders);
        EXPECT_EQ(events.size(), c.events);
        for (const extract::ReminderRecord& r : reminders) {
            EXPECT_GE(r.priority, 0);
            EXPECT_LE(r.priority, 9);
            EXPECT_TRUE(r.due.empty());
            EXPECT_TRUE(r.list.empty());
        }
        for (const extract::CalendarEventRecord& e : events) {
            EXPECT_FALSE(e.start.empty());
            EXPECT_TRUE(e.end.empty());
            EXPECT_TRUE(e.calendar.empty());
        }
    }
    std::vector<extract::ReminderRecord> none;
    EXPECT_NE(extract::readReminderStore(dir.file("missing.db"), nullptr, none), 0);
    EXPECT_TRUE(none.empty());
}

// The data files of the reminders store in any domain, never their companions or look-alikes;
// the calendar database of HomeDomain before another domain's copy.
TEST(ReminderCalendarStore, StoresAreFoundByRelativePathInAnyDomain)
{
    const std::vector<catalogue::ManifestEntry> manifest = {
        {"HomeDomain-Library/Reminders/Container_v1/Stores/Data-local.sqlite", "a1"},
        {"HomeDomain-Library/Reminders/Container_v1/Stores/Data-local.sqlite-wal", "a2"},
        {"AppDomainGroup-group.com.apple.reminders-Container_v1/Stores/Data-AB-12.sqlite", "a3"},
        {"AppDomainGroup-group.com.apple.reminders-Container_v1/Stores/Data-.sqlite", "a4"},
        {"HomeDomain-Library/XContainer_v1/Stores/Data-local.sqlite", "a5"},
        {"HomeDomain-Library/Reminders/Container_v1/Stores/Other.sqlite", "a6"},
        {"AppDomain-x-Library/Calendar/Calendar.sqlitedb", "c1"},
        {"HomeDomain-Library/Calendar/Calendar.sqlitedb", "c2"},
        {"HomeDomain-Library/Calendar/Calendar.sqlitedb-shm", "c3"},
        {"HomeDomain-OldLibrary/Calendar/Calendar.sqlitedb", "c4"},
    };
    std::vector<std::string> found;
    for (const catalogue::ManifestEntry* entry : extract::reminderStoreFiles(manifest)) {
        found.push_back(entry->fileId);
    }
    EXPECT_EQ(found, (std::vector<std::string>{"a1", "a3"}));
    const catalogue::ManifestEntry* calendar = extract::calendarStoreFile(manifest);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(calendar->fileId, "c2");
    EXPECT_EQ(extract::calendarStoreFile({manifest[6]})->fileId, "c1");
}

} // namespace
