// `brenvale-cli export`: scans a backup, ticks every record of the chosen categories (or only
// the deleted ones) and runs the application's recovery run into the output folder, printing
// each finished item on standard error and the final counts on standard output.
#include "Arguments.h"
#include "Commands.h"
#include "ScanRun.h"
#include "export/CStatisticsObj.h"
#include "export/RecoveryRun.h"
#include "platform/Executable.h"
#include "platform/File.h"
#include "platform/Status.h"

namespace cli {

namespace {

constexpr const char* kExportHelp =
    "Usage: brenvale-cli export BACKUP_DIR --out DIR [--categories LIST] [--deleted-only]\n"
    "                           [--password-stdin] [--quiet]\n"
    "\n"
    "Scans a backup and saves what it found into DIR as the application does: copies of\n"
    "media and attachments, conversation pages, transcripts and tables, the pages of\n"
    "contacts, calls, notes, reminders and events, the contacts as a vCard file\n"
    "(Contacts.vcf), reminders and events as iCalendar files (Reminders.ics,\n"
    "Calendar.ics), and the dumps of the message and contact tables.\n"
    "\n"
    "  --out DIR          the folder to write into (created when missing)\n"
    "  --categories LIST  comma-separated: camera-roll, photo-stream, app-photos,\n"
    "                     app-videos, messages, message-attachments, contacts,\n"
    "                     call-history, notes, whatsapp, whatsapp-attachments, reminders,\n"
    "                     calendar, safari-bookmarks, safari-history (default: all)\n"
    "  --deleted-only     save only records recovered as deleted\n"
    "  --password-stdin   read the backup password from the first line of standard input\n"
    "  --quiet            no progress on standard error (failures are still listed)\n"
    "\n"
    "Exits 1 when any file could not be written.\n";

// Prints every finished item: "[processed/total] path: Success" or the error's text. Quiet
// leaves out the successes, never a failure.
class ItemPrinter : public exporting::RecoveryObserver
{
public:
    ItemPrinter(std::ostream& err, bool quiet)
        : m_err(err)
        , m_quiet(quiet)
    {}

    void itemFinished(const std::string& path,
                      int status,
                      std::uint64_t processed,
                      std::uint64_t,
                      std::uint64_t total) override
    {
        if (m_quiet && status == 0) {
            return;
        }
        m_err << "[" << processed << "/" << total << "] " << path << ": ";
        if (status == 0) {
            m_err << "Success\n";
        } else {
            m_err << platform::statusName(status) << " (status " << status << ")\n";
        }
    }

private:
    std::ostream& m_err;
    bool m_quiet;
};

// Unticks every record that is not deleted, so only deleted ones are saved.
void keepDeletedOnly(exporting::CStatisticsObj& statistics)
{
    for (const exporting::SelectionEntry& entry : statistics.entries()) {
        if (!entry.group && !entry.deleted) {
            (void)statistics.untick(entry.key);
        }
    }
}

} // namespace

int runExport(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    ParsedArguments parsed;
    std::string error;
    if (parseArguments(args,
                       {{"out", true},
                        {"categories", true},
                        {"deleted-only", false},
                        {"password-stdin", false},
                        {"quiet", false}},
                       parsed,
                       error) != 0) {
        return usageError(err, "export", error);
    }
    if (parsed.has("help")) {
        out << kExportHelp;
        return kExitOk;
    }
    if (parsed.positionals.size() != 1) {
        return usageError(err, "export", "expected one BACKUP_DIR");
    }
    const std::string outputRoot = parsed.value("out");
    if (outputRoot.empty()) {
        return usageError(err, "export", "--out DIR is required");
    }
    extract::CategorySet categories;
    if (parseCategoryList(parsed.values("categories"), categories, error) != 0) {
        return usageError(err, "export", error);
    }
    const bool quiet = parsed.has("quiet");

    ScanRun scan(err, quiet);
    if (const int status =
            scan.scan(parsed.positionals[0], categories, parsed.has("password-stdin"));
        status != 0) {
        return status;
    }
    exporting::CStatisticsObj statistics;
    statistics.fill(scan.results(), categories);
    if (parsed.has("deleted-only")) {
        keepDeletedOnly(statistics);
    }

    ItemPrinter printer(err, quiet);
    exporting::RecoveryRunInputs inputs;
    inputs.outputRoot = outputRoot;
    inputs.templateFolder = platform::joinPath(platform::executableFolder(), "template");
    inputs.deviceName = scan.backup().displayName;
    inputs.results = &scan.results();
    inputs.statistics = &statistics;
    inputs.source = scan.source();
    exporting::RecoveryRun run(inputs, &printer);
    if (const int status = run.loadTemplates(); status != 0) {
        err << "brenvale-cli: the export templates cannot be read from " << inputs.templateFolder
            << ": " << platform::statusName(status) << " (status " << status << ")\n";
        return kExitFailure;
    }
    if (const int status = run.run(); status != 0) {
        err << "brenvale-cli: the export could not run: " << platform::statusName(status)
            << " (status " << status << ")\n";
        return kExitFailure;
    }
    out << run.state().processed << " processed, " << run.state().failed << " failed\n";
    return run.state().failed > 0 ? kExitFailure : kExitOk;
}

} // namespace cli
