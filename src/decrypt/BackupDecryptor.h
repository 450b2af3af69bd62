// Decryption of a whole encrypted backup folder into an output folder: Manifest.plist and its
// keybag, the password check, the manifest of either era and every file, each written flat
// under its file id. The backup folder is only ever read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace decrypt {

// Calls made while a backup is decrypted; either may be empty.
struct DecryptCallbacks
{
    // After the password has opened the keybag (with 0) and after each file (with the number
    // of files done so far, those with problems included).
    std::function<void(std::uint64_t filesDone)> progress;
    // A file that could not be decrypted or copied whole; the text names its file id and
    // never text taken from the backup.
    std::function<void(const std::string& problem)> problem;
};

// How a decryption went.
struct DecryptSummary
{
    std::uint64_t filesDone = 0;
    std::uint64_t filesWithProblems = 0;
    // A sentence saying why the decryption stopped, for a non-zero status.
    std::string message;
};

// Decrypts the backup in `backupFolder` with `password` (UTF-8) into `outputFolder`, which is
// created with permissions 0700 and must not lie inside the backup folder. Each file becomes
// `outputFolder`/<fileId>; for a backup with Manifest.db the decrypted manifest becomes
// `outputFolder`/Manifest.db-decypted. The files are the rows marked as files (flags 1, or a
// regular-file mode in Manifest.mbdb) and every other row whose record holds a file key and
// whose content file exists; another row with only one of the two is reported. Problems with
// single files (missing, truncated, bad padding, an unknown class) are reported through
// `callbacks.problem` and do not stop the run. Why the manifest, Manifest.plist or keybag is
// damaged is named in `summary.message`.
// Returns 0 when every listed file was attempted; -110 when the password does not open the
// keybag (nothing is written, and an output folder this call created is removed again); 87
// when Manifest.plist or the manifest is missing, or the output folder lies inside the backup;
// -1005 (unsupported) when Manifest.plist does not say the backup is encrypted; -1001
// (corrupt) for a damaged keybag, ManifestKey or manifest; 1006 when Manifest.db cannot be
// queried; the system's error code when the output folder cannot be made.
[[nodiscard]] int decryptBackupFolder(const std::string& backupFolder,
                                      const std::string& outputFolder,
                                      std::string_view password,
                                      const DecryptCallbacks& callbacks,
                                      DecryptSummary& summary);

} // namespace decrypt
