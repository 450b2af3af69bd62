// The recovery run: saves the ticked records of a finished scan into an output folder. It
// copies media and attachments through the recovery source, writes conversation pages,
// transcripts and chat tables, collects the rows of the aggregate pages and the Safari
// records, and at the end writes those pages, the two database dumps and the Safari pages,
// tables and bookmark file. It runs on a worker thread of its own (or on the caller's
// thread) and reports every finished item to an observer; another thread cancels it with
// cancel() and pauses it by holding the lock that pause() returns.
#pragma once

#include "export/CStatisticsObj.h"
#include "export/ExportWriters.h"
#include "extract/IPhoneRecoveryParse.h"
#include "extract/Records.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace exporting {

// The literal names of the output folders.
inline constexpr std::string_view kCameraRollFolder = "Camera Roll";
inline constexpr std::string_view kPhotoStreamFolder = "Photo Stream";
inline constexpr std::string_view kAppPhotosFolder = "App Photos";
inline constexpr std::string_view kAppVideosFolder = "App Video";
inline constexpr std::string_view kMessageFolder = "Message";
inline constexpr std::string_view kMessageAttachmentsFolder = "Message Attachments";
inline constexpr std::string_view kContactsFolder = "Contacts";
inline constexpr std::string_view kCallHistoryFolder = "CallHistory";
inline constexpr std::string_view kNotesFolder = "Notes";
inline constexpr std::string_view kWhatsAppFolder = "WhatsApp Message";
inline constexpr std::string_view kWhatsAppAttachmentsFolder = "WhatsApp Attachments";
inline constexpr std::string_view kRemindersFolder = "Reminders";
inline constexpr std::string_view kCalendarFolder = "Calendar";
inline constexpr std::string_view kSafariFolder = "Safari";
// The table of the copied camera-roll files, in "Camera Roll/<stamp>/".
inline constexpr std::string_view kPhotosTableName = "Photos.csv";

// What a run works on. The pointed-to objects must outlive the run.
struct RecoveryRunInputs
{
    // The folder to write into; created when missing.
    std::string outputRoot;
    // The folder that holds the export templates.
    std::string templateFolder;
    // The device name put into page titles.
    std::string deviceName;
    const extract::ScanResults* results = nullptr;
    const CStatisticsObj* statistics = nullptr;
    // The source the scan read; copies and dumps go through it.
    extract::IPhoneRecoveryParse* source = nullptr;
    // Seconds since 1970 at the start of the run, for the run stamp; tests fix it.
    std::function<std::int64_t()> clock;
};

// Receives the run's reports. Calls come from the worker thread with the run's lock held, so
// they must not call pause(); they may call cancel().
class RecoveryObserver
{
public:
    virtual ~RecoveryObserver() = default;

    // An item is finished: `status` 0 for success, else the error of its copy or page.
    // `processed` and `failed` already count it. Every file that could not be written is
    // reported with its error: a transcript or table under the conversation or chat it
    // belongs to (which counts as failed once), a dump or aggregate page as an item of its own
    // that `total` counts too.
    virtual void itemFinished(const std::string& path,
                              int status,
                              std::uint64_t processed,
                              std::uint64_t failed,
                              std::uint64_t total) = 0;

    // The item at `path` reached `percent`.
    virtual void progress(int percent, const std::string& path)
    {
        (void)percent;
        (void)path;
    }
};

class RecoveryRun
{
public:
    // A run over `inputs` that reports to `observer` (may be null).
    RecoveryRun(RecoveryRunInputs inputs, RecoveryObserver* observer);
    // Cancels a running worker and joins it.
    ~RecoveryRun();
    RecoveryRun(const RecoveryRun&) = delete;
    RecoveryRun& operator=(const RecoveryRun&) = delete;

    // Loads the five templates in the order call history, notes, contacts, Sms, WhatsApp.
    // Returns 0, or the status of the first that failed (nothing may be exported then).
    [[nodiscard]] int loadTemplates();

    // Runs the worker and the finish on the calling thread. Returns 0, 2 when cancelled, or 87
    // when the inputs are incomplete or the output folder cannot be made.
    int run();
    // Starts run() on the run's own thread. Returns 0, or 87 when a worker already ran.
    [[nodiscard]] int start();
    // Waits until the worker thread has ended; returns at once when none was started.
    void wait();

    // Asks the run to stop: its next progress report answers 2. The run then writes the
    // aggregate pages and dumps of what it collected and ends.
    void cancel() { m_cancel.store(true); }

    // Takes the run's lock: the worker blocks in its next progress report until the returned
    // lock is released.
    [[nodiscard]] std::unique_lock<std::mutex> pause() { return std::unique_lock(m_lock); }

    bool finished() const { return m_finished.load(); }

    bool cancelled() const { return m_cancel.load(); }

    // The run's state: stamp, counters, bodies. Read it after the run finished.
    const ExportState& state() const { return m_state; }

private:
    static int progressCallback(void* userData, int percent, int status, const std::string& path);
    int onProgress(int percent, int status, const std::string& path);
    // Counts the current item when its exporter ended without reporting it done.
    void endItem(int status, const std::string& path);
    // Reports a file of the current item that could not be written (`status` not 0): the item
    // counts as processed and failed once, and every failed file is reported. Does nothing
    // for 0 or a stop.
    void fileFailed(int status, const std::string& path);
    // Reports a file that finish() could not write (a dump or an aggregate page) as an item of
    // its own that failed: total, processed and failed each count it. Does nothing for 0 or a
    // stop.
    void runFileFailed(int status, const std::string& path);
    // Writes a table dump to `path` through `write`, removing an older dump first, and reports
    // a failure.
    void writeDump(const std::string& path, const std::function<int(const std::string&)>& write);
    void exportEntry(const SelectionEntry& entry);
    // Copies `source` into `folder` (under `appName` when not empty) as `fileName`, made
    // unique. Returns the copy's path, or "" when the copy failed.
    std::string copyFile(std::string_view folder,
                         const std::string& appName,
                         const std::string& fileName,
                         const std::string& source);
    void exportConversation(const extract::ConversationSummary& conversation);
    void exportChat(const extract::WhatsAppMessage& chat);
    void finish();
    // Writes the page and table of the reminders, events, Safari bookmarks and history pages
    // collected, with their interchange files (Reminders.ics, Calendar.ics, Bookmarks.html),
    // reporting each file that fails.
    void writeRecordTables();
    std::string outputPath(std::initializer_list<std::string_view> parts) const;

    RecoveryRunInputs m_inputs;
    RecoveryObserver* m_observer;
    ExportState m_state;
    std::mutex m_lock;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_started{false};
    // Whether the current item has been reported done, and whether it failed.
    bool m_itemDone = false;
    bool m_itemFailed = false;
    // The contacts exported so far, for their vCard file.
    std::vector<const extract::ContactRecord*> m_contactCards;
    // The reminders and events exported so far, for their pages, tables and iCalendar files.
    std::vector<const extract::ReminderRecord*> m_reminders;
    std::vector<const extract::CalendarEventRecord*> m_events;
    // The Safari bookmarks and history pages exported so far, for their pages and files.
    std::vector<const extract::SafariBookmarkRecord*> m_safariBookmarks;
    std::vector<const extract::SafariHistoryRecord*> m_safariHistory;
    // The camera-roll files copied so far, for their table.
    std::vector<CameraRollCopy> m_cameraRollCopies;
    std::thread m_thread;
};

} // namespace exporting
