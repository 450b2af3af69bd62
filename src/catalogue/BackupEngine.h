// The object that owns the backup being worked on: it lists the candidate backup folders when it
// is made, keeps the record of the backup chosen, opens that backup (decrypting it first when it
// is encrypted) by reading its manifest, reports progress to whoever drives it, and removes the
// temporary files of earlier runs. One thread at a time uses it; it has no lock of its own.
#pragma once

#include "catalogue/BackupInfo.h"
#include "catalogue/ManifestEntry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace catalogue {

// The value the row-id marks of the messages and contacts readers start from.
inline constexpr std::int64_t kInitialRowidMark = 20000;

class BackupEngine;

// Receives the caller's user data and the new progress value; returns 0 to go on, non-zero to
// ask the running operation to stop.
using ProgressCallback = int (*)(void* userData, int progress);

// Decrypts the backup in `backupFolder` with `password` into a folder it names in
// `outputFolder`; reports progress through the engine. Returns 0, or the status that ends
// openBackup (-110 for a wrong password, the callback's answer when asked to stop, 87 when it
// cannot run).
using DecryptFunction = std::function<int(BackupEngine& engine,
                                          const std::string& password,
                                          const std::string& backupFolder,
                                          std::string& outputFolder)>;

struct EngineOptions
{
    // Further folders to look for backups in, after the usual and the remembered ones.
    std::vector<std::string> userRoots;
    // The temporary folder to use; empty for the process-wide tempFolder().
    std::string tempFolder;
};

class BackupEngine
{
public:
    // Creates the working folder, removes the temporary files of earlier runs and lists the
    // candidate backup folders.
    explicit BackupEngine(EngineOptions options = {});
    // Removes the temporary files (cleanUp).
    ~BackupEngine();
    BackupEngine(const BackupEngine&) = delete;
    BackupEngine& operator=(const BackupEngine&) = delete;

    // Sets currentFolder to the default backups root and replaces backupFolders with the
    // candidates of every backups root (searchBackupRoots: the usual folders, mounted disks,
    // the remembered folders and the user roots). Returns 0; 87 when the application-data folder is
    // unknown (the other roots are still listed).
    [[nodiscard]] int findBackupFolders();
    // Appends the records of the candidate folders, latest first. Returns 0.
    [[nodiscard]] int readBackupList(std::vector<BackupInfo>& list) const;
    // Keeps a copy of `info` as the selected backup and makes its folder the current one.
    // Returns 0.
    [[nodiscard]] int selectBackup(const BackupInfo& info);

    // Sets (or, with null, clears) the progress callback and its user data together.
    void setProgressCallback(ProgressCallback callback, void* userData);
    // Replaces the decryption step; null restores the default, the tool beside the executable.
    void setDecryptor(DecryptFunction decryptor);

    // Opens the selected backup: decrypts it when it is encrypted, then reads its manifest
    // (Manifest.db, or the decrypted copy "Manifest.db-decypted" beside it, else
    // Manifest.mbdb) from the backup's own folder. Reports progress 0, then 1 (plain backup)
    // or the decryption's values, then progress + progressStep (12 for a plain backup).
    // Returns 0; 87 when the manifest file is missing; the manifest reader's status otherwise;
    // the decryption step's status, without reading the manifest or reporting a final value.
    [[nodiscard]] int openBackup(const std::string& password);

    // Deletes the files in the decryption output folder and the preview files of the working
    // folder; entries that cannot be deleted stay. Returns 0.
    int cleanUp();

    // Calls the progress callback, if any, with `value`. Returns its answer, or 0.
    int reportProgress(int value);

    // Sets the accumulated progress value (for the decryption and category steps).
    void setProgress(int value) { m_progress = value; }

    // The path of the file `fileId` of the opened backup (see backupFilePath).
    std::string filePath(const std::string& fileId) const;

    const std::string& currentFolder() const { return m_currentFolder; }

    const std::string& workFolder() const { return m_workFolder; }

    const std::string& tempFolder() const { return m_tempFolder; }

    const BackupInfo& selectedBackup() const { return m_selectedBackup; }

    const std::vector<std::string>& backupFolders() const { return m_backupFolders; }

    const std::vector<std::string>& backupFiles() const { return m_backupFiles; }

    const std::vector<ManifestEntry>& manifest() const { return m_manifest; }

    int progress() const { return m_progress; }

    int progressStep() const { return m_progressStep; }

    bool hasManifestDb() const { return m_hasManifestDb; }

    std::int64_t& messageRowidMark() { return m_messageRowidMark; }

    std::int64_t& contactRowidMark() { return m_contactRowidMark; }

private:
    int readManifest(const std::string& outputFolder);

    std::string m_currentFolder;
    std::string m_workFolder;
    BackupInfo m_selectedBackup;
    std::vector<std::string> m_backupFolders;
    std::vector<std::string> m_backupFiles;
    std::vector<ManifestEntry> m_manifest;
    ProgressCallback m_progressCallback = nullptr;
    void* m_progressUserData = nullptr;
    int m_progress = 0;
    int m_progressStep = 0;
    std::int64_t m_messageRowidMark = kInitialRowidMark;
    std::int64_t m_contactRowidMark = kInitialRowidMark;
    bool m_hasManifestDb = false;
    std::vector<std::string> m_userRoots;
    std::string m_tempFolder;
    DecryptFunction m_decryptor;
};

} // namespace catalogue
