// The backup engine: discovery at construction, opening the selected backup, clean-up.
#include "BackupEngine.h"

#include "BackupDiscovery.h"
#include "BackupFiles.h"
#include "Folders.h"
#include "ManifestDb.h"
#include "ManifestMbdb.h"
#include "TempFolder.h"
#include "ToolDecryption.h"
#include "formats/ManifestNames.h"
#include "platform/File.h"
#include "platform/Status.h"

namespace catalogue {

namespace {

constexpr int kPlainProgressStep = 11;
constexpr int kDecryptProgressStep = 10;

} // namespace

BackupEngine::BackupEngine(EngineOptions options)
    : m_workFolder(workFolderPath())
    , m_userRoots(std::move(options.userRoots))
    , m_tempFolder(options.tempFolder.empty() ? catalogue::tempFolder()
                                              : std::move(options.tempFolder))
    , m_decryptor(toolDecryptor(defaultDecryptToolPath()))
{
    if (!m_workFolder.empty()) {
        (void)platform::createFolders(m_workFolder);
    }
    cleanUp();
    (void)findBackupFolders();
}

BackupEngine::~BackupEngine()
{
    m_manifest.clear();
    m_backupFiles.clear();
    m_backupFolders.clear();
    cleanUp();
}

int BackupEngine::findBackupFolders()
{
    const std::string root = defaultBackupsRoot();
    m_currentFolder = root;
    const int status = catalogue::findBackupFolders(
        searchedPaths(searchBackupRoots(defaultRootSearch(m_userRoots))), m_backupFolders);
    if (status != platform::kStatusOk) {
        return status;
    }
    return root.empty() ? platform::kStatusInvalid : platform::kStatusOk;
}

int BackupEngine::readBackupList(std::vector<BackupInfo>& list) const
{
    return catalogue::readBackupList(m_backupFolders, list);
}

int BackupEngine::selectBackup(const BackupInfo& info)
{
    m_selectedBackup = info;
    m_currentFolder = info.folderPath;
    return platform::kStatusOk;
}

void BackupEngine::setProgressCallback(ProgressCallback callback, void* userData)
{
    m_progressCallback = callback;
    m_progressUserData = callback != nullptr ? userData : nullptr;
}

void BackupEngine::setDecryptor(DecryptFunction decryptor)
{
    m_decryptor = decryptor ? std::move(decryptor) : toolDecryptor(defaultDecryptToolPath());
}

int BackupEngine::reportProgress(int value)
{
    return m_progressCallback != nullptr ? m_progressCallback(m_progressUserData, value) : 0;
}

int BackupEngine::openBackup(const std::string& password)
{
    m_progress = 0;
    m_progressStep = kPlainProgressStep;
    reportProgress(m_progress);

    m_backupFiles.clear();
    m_backupFolders.clear();
    m_manifest.clear();
    m_hasManifestDb =
        platform::fileExists(platform::joinPath(m_currentFolder, formats::kManifestDbName));

    std::string outputFolder;
    if (m_selectedBackup.isEncrypted) {
        m_progressStep = kDecryptProgressStep;
        std::vector<std::string> entries;
        (void)platform::listFolderEntries(m_selectedBackup.folderPath, entries);
        for (const std::string& entry : entries) {
            if (platform::folderExists(entry)) {
                (void)platform::listFolderEntries(entry, m_backupFiles);
            } else {
                m_backupFiles.push_back(entry);
            }
        }
        if (const int status =
                m_decryptor(*this, password, m_selectedBackup.folderPath, outputFolder);
            status != platform::kStatusOk) {
            return status;
        }
        m_backupFiles.clear();
        (void)platform::listFolderEntries(outputFolder, m_backupFiles);
    } else {
        m_progress = 1;
        reportProgress(m_progress);
    }

    const int status = readManifest(outputFolder);
    if (!outputFolder.empty()) {
        m_selectedBackup.folderPath = outputFolder;
        m_currentFolder = outputFolder;
    }
    m_progress += m_progressStep;
    reportProgress(m_progress);
    return status;
}

int BackupEngine::readManifest(const std::string& outputFolder)
{
    if (m_hasManifestDb) {
        if (!platform::fileExists(platform::joinPath(m_currentFolder, formats::kManifestDbName))) {
            return platform::kStatusInvalid;
        }
        // The decryption tool leaves the decrypted manifest in its output folder; an older
        // decryption may have left one beside the backup's own manifest.
        for (const std::string& folder : {outputFolder, m_currentFolder}) {
            const std::string decrypted =
                platform::joinPath(folder, formats::kDecryptedManifestDbName);
            if (!folder.empty() && platform::fileExists(decrypted)) {
                return readManifestDb(decrypted, m_manifest);
            }
        }
        return readManifestDb(platform::joinPath(m_currentFolder, formats::kManifestDbName),
                              m_manifest);
    }
    const std::string mbdb = platform::joinPath(m_currentFolder, formats::kManifestMbdbName);
    if (!platform::fileExists(mbdb)) {
        return platform::kStatusInvalid;
    }
    return readManifestMbdb(mbdb, m_manifest);
}

int BackupEngine::cleanUp()
{
    if (!m_tempFolder.empty()) {
        std::vector<std::string> entries;
        (void)platform::listFolderEntries(
            platform::joinPath(m_tempFolder, std::string(kDecryptOutputFolderName)), entries);
        for (const std::string& entry : entries) {
            (void)platform::removeFile(entry);
        }
    }
    if (!m_workFolder.empty()) {
        for (const char* preview : {"tmp.jpg", "tmp.avi", "tmp.wav"}) {
            (void)platform::removeFile(platform::joinPath(m_workFolder, preview));
        }
    }
    return platform::kStatusOk;
}

std::string BackupEngine::filePath(const std::string& fileId) const
{
    return backupFilePath(m_currentFolder, fileId, m_selectedBackup.isEncrypted, m_hasManifestDb);
}

} // namespace catalogue
