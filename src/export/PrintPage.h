// The print page: one HTML page made from the print template with a block per ticked record
// of one category (messages, contacts, call history, notes, WhatsApp, reminders, calendar,
// Safari bookmarks and history). The build can be cancelled from another thread and paused by
// holding the lock that pause() returns.
#pragma once

#include "export/CStatisticsObj.h"
#include "extract/Records.h"
#include "extract/RecoveryCategory.h"

#include <atomic>
#include <mutex>
#include <string>

namespace exporting {

// The print template's file name inside the template folder.
inline constexpr std::string_view kPrintTemplateName = "Print.html";

// Where the print page goes below the application folder: "Print/page.html" (the extension
// lets an HTML view recognise the page).
std::string printPagePath(const std::string& applicationFolder);

class PrintPageBuilder
{
public:
    // A builder over a finished scan's `results` and their `statistics`, both of which must
    // outlive it.
    PrintPageBuilder(const extract::ScanResults& results, const CStatisticsObj& statistics);

    // Appends to `body` one block per ticked record of `category` (per message for messages),
    // skipping live records when `deletedOnly`. Categories without a print layout add nothing.
    // Returns 0, or 2 when cancelled (body then holds what was built).
    [[nodiscard]] int
    buildBody(extract::RecoveryCategory category, bool deletedOnly, std::string& body);

    // Builds the body and writes the page to `pagePath` (creating its folder): the template
    // at `templatePath` split at its first "{|content|}" around the body; a template that
    // cannot be read gives a page of the body alone. Returns 0, 2 when cancelled (nothing is
    // written), or the system's error code of the write.
    [[nodiscard]] int run(extract::RecoveryCategory category,
                          bool deletedOnly,
                          const std::string& templatePath,
                          const std::string& pagePath);

    // Asks the build to stop before its next record.
    void cancel() { m_cancel.store(true); }

    // Takes the builder's lock: the build waits before its next record until it is released.
    [[nodiscard]] std::unique_lock<std::mutex> pause() { return std::unique_lock(m_lock); }

private:
    // True when the build must stop; waits while the lock is held elsewhere.
    bool stopRequested();

    const extract::ScanResults& m_results;
    const CStatisticsObj& m_statistics;
    std::mutex m_lock;
    std::atomic<bool> m_cancel{false};
};

} // namespace exporting
