// What the commands that scan share: the category list of --categories, the backup password
// (standard input or a silent terminal prompt), and running one scan to its end.
#pragma once

#include "catalogue/BackupEngine.h"
#include "catalogue/BackupInfo.h"
#include "extract/RecoveryCategory.h"
#include "extract/ScanDriver.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Reads the comma-separated category names of every --categories value into `set`; all
// categories when none is given. Returns 0, or 2 with `error` set for an unknown name or an
// empty list.
[[nodiscard]] int parseCategoryList(const std::vector<std::string>& lists,
                                    extract::CategorySet& set,
                                    std::string& error);

// Reads the backup password: the first line of standard input when `fromStdin`, else asked
// on the terminal without echo. Returns false with `error` set when there is none, or when
// standard input is no terminal and `fromStdin` is not set.
bool readBackupPassword(bool fromStdin, std::string& password, std::string& error);

// One scan of a backup folder with the same driver as the application, run to its end.
class ScanRun
{
public:
    // Shows the scan's percent on `err` (an updating line on a terminal, plain lines
    // otherwise) unless `quiet`.
    ScanRun(std::ostream& err, bool quiet);
    ~ScanRun();
    ScanRun(const ScanRun&) = delete;
    ScanRun& operator=(const ScanRun&) = delete;

    // Reads the backup in `folder`, asks for its password when it is encrypted, scans
    // `categories` and waits for the end. Returns 0 when the scan ended with results, else 1
    // after saying why on `err` (no backup, no password, wrong password, stopped).
    int scan(const std::string& folder, extract::CategorySet categories, bool passwordFromStdin);

    // True once a scan has run to its end, whatever its status.
    bool ran() const { return m_ran; }

    // The scan's final status (0, -110 for a wrong password, 2 when stopped, ...).
    int status() const { return m_driver->status(); }

    const catalogue::BackupInfo& backup() const { return m_info; }

    const catalogue::BackupEngine& engine() const { return m_engine; }

    const extract::ScanResults& results() const { return m_driver->results(); }

    // The source the scan read, for copies and dumps; null before a scan.
    extract::IPhoneRecoveryParse* source() const { return m_driver->source(); }

private:
    class Printer;

    // Says on standard error, even when quiet, that the camera roll of the scan just run is
    // listed without the photo library's details because the backup holds none.
    void reportMissingPhotoLibrary(extract::CategorySet categories);

    std::ostream& m_err;
    catalogue::BackupInfo m_info;
    catalogue::BackupEngine m_engine;
    std::unique_ptr<Printer> m_printer;
    std::unique_ptr<extract::ScanDriver> m_driver;
    bool m_ran = false;
};

} // namespace cli
