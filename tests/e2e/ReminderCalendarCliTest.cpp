// `brenvale-cli scan --json` and `export` with `--categories reminders,calendar` run as
// processes on a generated iOS 17 backup (two reminders data files of two generations, one in
// the app group, and a calendar database with tasks), west of UTC: the JSON holds every live
// reminder and event with its fields and the deleted ones marked, and the iCalendar files read
// back by libical into the same titles, dates, all-day days, completion and recurrence.
#include "CliProcess.h"
#include "catalogue/ScopedEnvironment.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/devicedb/CalendarDb.h"
#include "fixtures/devicedb/RemindersDb.h"
#include "platform/Clock.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <libical/ical.h>
#include <set>

#include <gtest/gtest.h>

namespace {

// One line per record: category, deleted, title and the fields compared, tab-separated; texts
// as JSON strings so that CR LF and tabs stay visible.
constexpr const char* kReader = R"(import json, sys
cats = json.load(open(sys.argv[1], encoding="utf-8"))["categories"]
q = lambda v: json.dumps(v, ensure_ascii=False)
for r in cats["reminders"]:
    print("\t".join(["R", str(r["deleted"]), q(r["title"]), q(r["list"]), r["due"],
                     str(r["completed"]), str(r["priority"])]))
for e in cats["calendar"]:
    print("\t".join(["E", str(e["deleted"]), q(e["title"]), e["start"], e["end"],
                     str(e["allDay"]), q(e["calendar"]), q(e["location"]), e["recurrence"]]))
)";

std::string jsonText(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        out += c == '"'    ? std::string("\\\"")
               : c == '\r' ? std::string("\\r")
               : c == '\n' ? std::string("\\n")
                           : std::string(1, c);
    }
    return out + "\"";
}

std::string recurrence(int frequency, int interval)
{
    static const char* const adverbs[] = {"", "daily", "weekly", "monthly", "yearly"};
    static const char* const units[] = {"", "days", "weeks", "months", "years"};
    if (frequency == 0) {
        return "";
    }
    return interval <= 1 ? adverbs[frequency]
                         : "every " + std::to_string(interval) + " " + units[frequency];
}

// The day of a wall-clock time kept as UTC seconds.
std::string day(std::int64_t seconds)
{
    return platform::formatUtc(seconds).substr(0, 10);
}

struct Sample
{
    std::vector<fixtures::RemindersData> stores;
    fixtures::CalendarData calendar;
};

// The record lines of the sample as the reader prints them: live records all, and of the
// deleted rows the ones carved from the files in `carved` (which may miss some).
void expectedLines(const Sample& sample,
                   std::multiset<std::string>& live,
                   std::multiset<std::string>& carved)
{
    for (const fixtures::RemindersData& store : sample.stores) {
        const std::set<std::int64_t> gone(store.deletePks.begin(), store.deletePks.end());
        for (const fixtures::SampleReminder& r : store.reminders) {
            const bool removed = gone.contains(r.pk);
            const std::string due = !r.due     ? ""
                                    : r.allDay ? platform::formatUtc(*r.due)
                                               : platform::formatLocal(*r.due);
            const std::string line =
                std::string("R\t") + (removed || r.markedForDeletion ? "1" : "0") + "\t" +
                jsonText(r.title) + "\t" + jsonText(store.lists[r.list]) + "\t" + due + "\t" +
                (r.completed ? "True" : "False") + "\t" + std::to_string(r.priority);
            (removed ? carved : live).insert(line);
        }
    }
    const fixtures::CalendarData& c = sample.calendar;
    const std::set<std::int64_t> gone(c.deleteRowids.begin(), c.deleteRowids.end());
    for (const fixtures::SampleCalendarItem& item : c.items) {
        const bool removed = gone.contains(item.rowid);
        if (item.task) {
            live.insert(
                "R\t0\t" + jsonText(item.title) + "\t" + jsonText(c.calendars[item.calendar]) +
                "\t" + platform::formatLocal(*item.due) + "\t" +
                (item.completedAt ? "True" : "False") + "\t" + std::to_string(item.priority));
            continue;
        }
        const bool floating = item.zone == "_float";
        const auto text = [&](std::int64_t t) {
            return floating ? platform::formatUtc(t) : platform::formatLocal(t);
        };
        const std::string line =
            std::string("E\t") + (removed ? "1" : "0") + "\t" + jsonText(item.title) + "\t" +
            text(item.start) + "\t" + text(item.end) + "\t" + (item.allDay ? "True" : "False") +
            "\t" + jsonText(c.calendars[item.calendar]) + "\t" + jsonText(item.location) + "\t" +
            recurrence(item.frequency, item.interval);
        (removed ? carved : live).insert(line);
        if (removed) {
            // A carved row that lost its rowid is no longer joined to its rule.
            carved.insert(line.substr(0, line.rfind('\t') + 1));
        }
    }
}

// "D:day" for a DATE, "F:seconds" for a floating time, "T:seconds" for UTC.
std::string icalTimeText(icaltimetype time)
{
    if (icaltime_is_null_time(time)) {
        return "";
    }
    if (time.is_date) {
        char text[16];
        std::snprintf(text, sizeof text, "D:%04d-%02d-%02d", time.year, time.month, time.day);
        return text;
    }
    return (icaltime_is_utc(time) ? "T:" : "F:") + std::to_string(icaltime_as_timet(time));
}

std::string withoutCr(std::string text)
{
    std::erase(text, '\r');
    return text;
}

// One line per VTODO or VEVENT of the file: kind, deleted mark, title, start or due, end,
// completed and recurrence rule.
std::multiset<std::string> icalLines(const std::string& path)
{
    const std::string text = testsupport::readFileBytes(path);
    icalcomponent* calendar = icalparser_parse_string(text.c_str());
    std::multiset<std::string> lines;
    if (calendar == nullptr) {
        return lines;
    }
    for (const icalcomponent_kind kind : {ICAL_VTODO_COMPONENT, ICAL_VEVENT_COMPONENT}) {
        for (icalcomponent* item = icalcomponent_get_first_component(calendar, kind);
             item != nullptr;
             item = icalcomponent_get_next_component(calendar, kind)) {
            const bool todo = kind == ICAL_VTODO_COMPONENT;
            icalproperty* rule = icalcomponent_get_first_property(item, ICAL_RRULE_PROPERTY);
            icalrecurrencetype recurrence{};
            if (rule != nullptr) {
                recurrence = icalproperty_get_rrule(rule);
            }
            std::string deleted = "0";
            for (icalproperty* x = icalcomponent_get_first_property(item, ICAL_X_PROPERTY);
                 x != nullptr;
                 x = icalcomponent_get_next_property(item, ICAL_X_PROPERTY)) {
                if (std::string(icalproperty_get_x_name(x)) == "X-BRENVALE-DELETED") {
                    deleted = icalproperty_get_x(x);
                }
            }
            const char* summary = icalcomponent_get_summary(item);
            lines.insert(
                std::string(todo ? "T" : "E") + "\t" + deleted + "\t" +
                (summary != nullptr ? summary : "") + "\t" +
                icalTimeText(todo ? icalcomponent_get_due(item) : icalcomponent_get_dtstart(item)) +
                "\t" + (todo ? "" : icalTimeText(icalcomponent_get_dtend(item))) + "\t" +
                (icalcomponent_get_status(item) == ICAL_STATUS_COMPLETED ? "done" : "") + "\t" +
                (rule != nullptr ? icalrecurrencetype_as_string(&recurrence) : ""));
        }
    }
    icalcomponent_free(calendar);
    return lines;
}

TEST(ReminderCalendarCliTest, JsonAndICalendarFilesHoldEveryReminderAndEvent)
{
    const catalogue_test::ScopedEnvironment zone("TZ", "America/New_York");
    testsupport::TempDir dir;
    fixtures::DeviceFilesOptions options;
    options.messages = 40;
    options.whatsAppMessages = 20;
    fixtures::BackupDescription spec;
    spec.productVersion = "17.2";
    ASSERT_EQ(fixtures::deviceDatabaseFiles(options, dir.file("db"), spec.files), 0);
    ASSERT_EQ(fixtures::writeBackup(spec, dir.file("backup")), 0);
    const int deletedPerStore = std::max(1, options.reminders / 6);
    Sample sample;
    sample.stores = {
        fixtures::sampleRemindersData(options.seed, options.reminders, deletedPerStore, "Local"),
        fixtures::sampleRemindersData(
            options.seed + 1, options.reminders, deletedPerStore, "iCloud")};
    sample.calendar =
        fixtures::sampleCalendarData(options.seed, options.events, std::max(1, options.events / 6));

    const e2e::CliRun scan = e2e::runCli("scan",
                                         e2e::quoted(dir.file("backup")) +
                                             " --json --quiet --categories reminders,calendar",
                                         dir);
    ASSERT_EQ(scan.exitStatus, 0) << scan.err;
    testsupport::writeFileBytes(dir.file("scan.json"), scan.out);
    testsupport::writeFileBytes(dir.file("read.py"), kReader);
    const e2e::CliRun read = e2e::runShell("/usr/bin/python3 " + e2e::quoted(dir.file("read.py")) +
                                               " " + e2e::quoted(dir.file("scan.json")),
                                           dir);
    ASSERT_EQ(read.exitStatus, 0) << read.err;
    std::multiset<std::string> live;
    std::multiset<std::string> carved;
    expectedLines(sample, live, carved);
    std::multiset<std::string> seenLive;
    std::size_t seenCarved = 0;
    for (std::size_t at = 0, end = 0; at < read.out.size(); at = end + 1) {
        end = std::min(read.out.find('\n', at), read.out.size());
        const std::string line = read.out.substr(at, end - at);
        if (carved.contains(line)) {
            ++seenCarved;
        } else {
            seenLive.insert(line);
        }
    }
    EXPECT_EQ(seenLive, live);
    EXPECT_GE(seenCarved, 3U) << "rows deleted from each file are recovered";

    const e2e::CliRun exported =
        e2e::runCli("export",
                    e2e::quoted(dir.file("backup")) + " --out " + e2e::quoted(dir.file("out")) +
                        " --categories reminders,calendar --quiet",
                    dir);
    ASSERT_EQ(exported.exitStatus, 0) << exported.err;
    std::multiset<std::string> icsLines;
    for (const char* name : {"Reminders", "Calendar"}) {
        for (const auto& entry : std::filesystem::directory_iterator(dir.file("out/") + name)) {
            const std::string ics = (entry.path() / (std::string(name) + ".ics")).string();
            const std::string raw = testsupport::readFileBytes(ics);
            ASSERT_TRUE(raw.ends_with("END:VCALENDAR\r\n")) << ics;
            for (std::size_t at = 0, end = 0; at < raw.size(); at = end + 2) {
                end = raw.find("\r\n", at);
                ASSERT_NE(end, std::string::npos);
                const std::string line = raw.substr(at, end - at);
                EXPECT_LE(line.size(), 75U) << line;
                EXPECT_FALSE(line.size() > 1 && line[0] == ' ' &&
                             (static_cast<unsigned char>(line[1]) & 0xC0) == 0x80)
                    << "folded inside a character: " << line;
            }
            for (const std::string& line : icalLines(ics)) {
                icsLines.insert(line);
            }
            for (const char* table : {".html", ".csv"}) {
                EXPECT_TRUE(std::filesystem::exists(entry.path() / (std::string(name) + table)));
            }
        }
    }
    // Every live record read back, deleted ones marked; iCalendar text has LF line breaks.
    std::multiset<std::string> expectedIcs;
    for (const fixtures::RemindersData& store : sample.stores) {
        const std::set<std::int64_t> gone(store.deletePks.begin(), store.deletePks.end());
        for (const fixtures::SampleReminder& r : store.reminders) {
            if (gone.contains(r.pk)) {
                continue;
            }
            const std::string due = !r.due     ? ""
                                    : r.allDay ? "D:" + day(*r.due)
                                               : "T:" + std::to_string(*r.due);
            expectedIcs.insert(std::string("T\t") + (r.markedForDeletion ? "TRUE" : "0") + "\t" +
                               withoutCr(r.title) + "\t" + due + "\t\t" +
                               (r.completed ? "done" : "") + "\t");
        }
    }
    const fixtures::CalendarData& c = sample.calendar;
    const std::set<std::int64_t> gone(c.deleteRowids.begin(), c.deleteRowids.end());
    for (const fixtures::SampleCalendarItem& item : c.items) {
        if (item.task) {
            expectedIcs.insert("T\t0\t" + withoutCr(item.title) +
                               "\tT:" + std::to_string(*item.due) + "\t\t" +
                               (item.completedAt ? "done" : "") + "\t");
            continue;
        }
        if (gone.contains(item.rowid)) {
            continue;
        }
        const auto time = [&](std::int64_t t) {
            return item.allDay             ? "D:" + day(t)
                   : item.zone == "_float" ? "F:" + std::to_string(t)
                                           : "T:" + std::to_string(t);
        };
        static const char* const rules[] = {"", "DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
        const std::string rule =
            item.frequency == 0
                ? ""
                : std::string("FREQ=") + rules[item.frequency] +
                      (item.interval > 1 ? ";INTERVAL=" + std::to_string(item.interval) : "");
        expectedIcs.insert("E\t0\t" + withoutCr(item.title) + "\t" + time(item.start) + "\t" +
                           time(item.end) + "\t\t" + rule);
    }
    std::multiset<std::string> liveIcs;
    std::size_t deletedIcs = 0;
    for (const std::string& line : icsLines) {
        if (line.starts_with("E\tTRUE") ||
            (line.starts_with("T\tTRUE") && !expectedIcs.contains(line))) {
            ++deletedIcs;
        } else {
            liveIcs.insert(line);
        }
    }
    EXPECT_EQ(liveIcs, expectedIcs);
    EXPECT_EQ(deletedIcs, seenCarved);
}

} // namespace
