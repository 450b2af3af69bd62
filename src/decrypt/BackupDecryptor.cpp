// The decryption of a whole backup folder, for both eras:
// iOS 10.2 and later: Manifest.plist holds ManifestKey; Manifest.db is encrypted with it and
//   its Files.file archives hold the per-file keys; content lies in <id[0:2]>/<id>.
// iOS 10.0 and 10.1: the same, but Manifest.db is plain.
// iOS 4 to 9: Manifest.mbdb (plain) holds the per-file keys; content lies flat as <id>.
#include "BackupDecryptor.h"

#include "Crypto.h"
#include "FileDecryptor.h"
#include "Keybag.h"
#include "MbFile.h"
#include "Mbdb.h"
#include "PlistReader.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <vector>

namespace decrypt {

namespace {

constexpr std::string_view kSqliteMagic("SQLite format 3\0", 16);

struct DatabaseClose
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

struct StatementFinalize
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

std::span<const std::uint8_t> asBytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

int fail(DecryptSummary& summary, int status, std::string message)
{
    summary.message = std::move(message);
    return status;
}

// Reads and parses backupFolder/Manifest.plist into `manifest`.
int readManifestPlist(const std::string& backupFolder, Plist& manifest)
{
    std::string bytes;
    int status = platform::readWholeFile(
        platform::joinPath(backupFolder, "Manifest.plist"), kMaxManifestPlistBytes, bytes);
    if (status != platform::kStatusOk) {
        return platform::kStatusInvalid;
    }
    status = parsePlist(asBytes(bytes), kMaxManifestPlistBytes, manifest);
    if (status != platform::kStatusOk || plist_get_node_type(manifest.root()) != PLIST_DICT) {
        return platform::kStatusCorrupt;
    }
    return platform::kStatusOk;
}

// True when `inner` is `outer` or lies below it, after resolving links and dot segments.
bool isInside(const std::string& inner, const std::string& outer)
{
    std::error_code error;
    const auto innerPath = std::filesystem::weakly_canonical(platform::pathFromUtf8(inner), error);
    if (error) {
        return false;
    }
    const auto outerPath = std::filesystem::weakly_canonical(platform::pathFromUtf8(outer), error);
    if (error) {
        return false;
    }
    const std::string innerText = platform::pathToUtf8(innerPath);
    std::string outerText = platform::pathToUtf8(outerPath);
    if (innerText == outerText) {
        return true;
    }
    if (!outerText.ends_with('/')) {
        outerText.push_back('/');
    }
    return innerText.starts_with(outerText);
}

// The work shared by every file of a run.
class Run
{
public:
    Run(const std::string& backupFolder,
        const std::string& outputFolder,
        const ClassKeys& keys,
        const DecryptCallbacks& callbacks,
        DecryptSummary& summary)
        : m_backup(backupFolder)
        , m_output(outputFolder)
        , m_keys(keys)
        , m_callbacks(callbacks)
        , m_summary(summary)
    {}

    // Decrypts (or copies, without a key) the content of `fileId`, found in `candidates`
    // (tried in order), into the output folder, then reports progress.
    void file(const std::string& fileId,
              const std::vector<std::string>& candidates,
              const std::optional<WrappedFileKey>& key,
              std::uint64_t declaredSize)
    {
        const int status = decryptOne(fileId, candidates, key, declaredSize);
        if (status != platform::kStatusOk) {
            ++m_summary.filesWithProblems;
        }
        ++m_summary.filesDone;
        if (m_callbacks.progress) {
            m_callbacks.progress(m_summary.filesDone);
        }
    }

    // Reports a listed file whose record cannot be used at all.
    void unreadable(const std::string& fileId, const char* what)
    {
        problem(fileId, what);
        ++m_summary.filesWithProblems;
        ++m_summary.filesDone;
        if (m_callbacks.progress) {
            m_callbacks.progress(m_summary.filesDone);
        }
    }

    const std::string& backup() const { return m_backup; }

private:
    void problem(const std::string& fileId, const std::string& what)
    {
        if (m_callbacks.problem) {
            m_callbacks.problem(fileId + ": " + what);
        }
    }

    int decryptOne(const std::string& fileId,
                   const std::vector<std::string>& candidates,
                   const std::optional<WrappedFileKey>& key,
                   std::uint64_t declaredSize)
    {
        std::string input;
        for (const auto& candidate : candidates) {
            if (platform::fileExists(candidate)) {
                input = candidate;
                break;
            }
        }
        const std::string output = platform::joinPath(m_output, fileId);
        if (input.empty()) {
            // Empty files without a key may have no content file at all.
            if (!key && declaredSize == 0) {
                return platform::writeWholeFile(output, "");
            }
            problem(fileId, "the content file is missing");
            return platform::statusFromErrno(ENOENT);
        }
        if (!key) {
            std::uint64_t copied = 0;
            const int status = copyFile(input, output, copied);
            if (status != platform::kStatusOk) {
                problem(fileId, std::string("cannot be copied: ") + platform::statusName(status));
            }
            return status;
        }
        const auto classKey = m_keys.find(key->protectionClass);
        if (classKey == m_keys.end()) {
            problem(fileId,
                    "its key names protection class " + std::to_string(key->protectionClass) +
                        ", which the keybag does not hold");
            return platform::kStatusCorrupt;
        }
        Key256 fileKey;
        if (unwrapKey(classKey->second, key->wrapped, fileKey) != platform::kStatusOk) {
            problem(fileId, "its file key does not unwrap");
            return platform::kStatusCorrupt;
        }
        DecryptOutcome outcome;
        const int status = decryptFile(input, output, fileKey, PaddingRule::Pkcs7, outcome);
        switch (status) {
        case platform::kStatusOk:
            break;
        case platform::kStatusTruncated:
            problem(fileId,
                    "the content file is truncated (not a whole number of 16-byte "
                    "blocks); its whole blocks were written");
            break;
        case platform::kStatusCorrupt:
            problem(fileId, "its padding is invalid; every decrypted byte was kept");
            break;
        default:
            problem(fileId, std::string("cannot be decrypted: ") + platform::statusName(status));
            break;
        }
        return status;
    }

    std::string m_backup;
    std::string m_output;
    const ClassKeys& m_keys;
    const DecryptCallbacks& m_callbacks;
    DecryptSummary& m_summary;
};

// Writes outputFolder/Manifest.db-decypted: Manifest.db decrypted with the key that
// `manifestKey` wraps, or copied when the backup has no ManifestKey (iOS 10.0 and 10.1).
int prepareManifestDb(const std::string& backupFolder,
                      const std::string& outputFolder,
                      const std::optional<WrappedFileKey>& manifestKey,
                      const ClassKeys& keys,
                      DecryptSummary& summary,
                      std::string& manifestPath)
{
    const std::string source = platform::joinPath(backupFolder, "Manifest.db");
    manifestPath = platform::joinPath(outputFolder, kDecryptedManifestName);
    if (!manifestKey) {
        std::uint64_t copied = 0;
        const int status = copyFile(source, manifestPath, copied);
        return status == platform::kStatusOk
                   ? status
                   : fail(summary, status, "Manifest.db cannot be copied");
    }
    const auto classKey = keys.find(manifestKey->protectionClass);
    if (classKey == keys.end()) {
        return fail(summary,
                    platform::kStatusCorrupt,
                    "ManifestKey names protection class " +
                        std::to_string(manifestKey->protectionClass) +
                        ", which the keybag does not hold");
    }
    Key256 dbKey;
    if (unwrapKey(classKey->second, manifestKey->wrapped, dbKey) != platform::kStatusOk) {
        return fail(summary, platform::kStatusCorrupt, "ManifestKey does not unwrap");
    }
    DecryptOutcome outcome;
    const int status =
        decryptFile(source, manifestPath, dbKey, PaddingRule::SqliteDatabase, outcome);
    std::string head;
    if (status == platform::kStatusOk) {
        platform::File check;
        char magic[16] = {};
        std::size_t got = 0;
        if (check.openRead(manifestPath) == platform::kStatusOk &&
            check.readAt(0, magic, sizeof magic, got) == platform::kStatusOk) {
            head.assign(magic, got);
        }
    }
    if (status != platform::kStatusOk || head != kSqliteMagic) {
        (void)platform::removeFile(manifestPath);
        return fail(summary,
                    platform::kStatusCorrupt,
                    status == platform::statusFromErrno(ENOENT)
                        ? "Manifest.db is missing"
                        : "Manifest.db does not decrypt to a SQLite database");
    }
    return platform::kStatusOk;
}

int decryptModern(Run& run, const std::string& manifestPath, DecryptSummary& summary)
{
    sqlite3* raw = nullptr;
    const int openStatus =
        sqlite3_open_v2(manifestPath.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, DatabaseClose> db(raw);
    if (openStatus != SQLITE_OK) {
        return fail(summary, openStatus, "the decrypted Manifest.db cannot be opened");
    }
    sqlite3_stmt* rawStatement = nullptr;
    if (sqlite3_prepare_v2(db.get(),
                           "SELECT fileID, file FROM Files WHERE flags = 1",
                           -1,
                           &rawStatement,
                           nullptr) != SQLITE_OK) {
        return fail(summary, platform::kStatusQueryFailed, "Manifest.db has no usable Files table");
    }
    std::unique_ptr<sqlite3_stmt, StatementFinalize> statement(rawStatement);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const auto* idText = sqlite3_column_text(statement.get(), 0);
        const std::string fileId =
            idText != nullptr
                ? std::string(reinterpret_cast<const char*>(idText),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement.get(), 0)))
                : std::string();
        if (!isFileId(fileId)) {
            run.unreadable("(a row)", "its fileID is not 40 hexadecimal digits");
            continue;
        }
        const auto* blob =
            static_cast<const std::uint8_t*>(sqlite3_column_blob(statement.get(), 1));
        const auto blobBytes = static_cast<std::size_t>(sqlite3_column_bytes(statement.get(), 1));
        MbFileInfo info;
        if (parseMbFile({blob, blob != nullptr ? blobBytes : 0}, info) != platform::kStatusOk) {
            run.unreadable(fileId, "its MBFile record cannot be read");
            continue;
        }
        const std::string twoLevel =
            platform::joinPath(platform::joinPath(run.backup(), fileId.substr(0, 2)), fileId);
        run.file(fileId,
                 {twoLevel, platform::joinPath(run.backup(), fileId)},
                 info.key,
                 info.size.value_or(0));
    }
    if (step != SQLITE_DONE) {
        return fail(summary, platform::kStatusQueryFailed, "reading Manifest.db failed");
    }
    return platform::kStatusOk;
}

int decryptLegacy(Run& run, DecryptSummary& summary)
{
    std::string bytes;
    if (platform::readWholeFile(platform::joinPath(run.backup(), "Manifest.mbdb"),
                                kMaxMbdbBytes,
                                bytes) != platform::kStatusOk) {
        return fail(summary, platform::kStatusMbdbOpenFailed, "Manifest.mbdb cannot be read");
    }
    std::vector<MbdbRecord> records;
    const int status = parseMbdb(asBytes(bytes), records);
    if (status != platform::kStatusOk) {
        return fail(summary, status, "Manifest.mbdb is damaged");
    }
    for (const auto& record : records) {
        if (!record.isRegularFile()) {
            continue;
        }
        const std::string twoLevel = platform::joinPath(
            platform::joinPath(run.backup(), record.fileId.substr(0, 2)), record.fileId);
        run.file(record.fileId,
                 {platform::joinPath(run.backup(), record.fileId), twoLevel},
                 record.key,
                 record.size);
    }
    return platform::kStatusOk;
}

} // namespace

bool manifestSaysEncrypted(const std::string& backupFolder)
{
    Plist manifest;
    if (readManifestPlist(backupFolder, manifest) != platform::kStatusOk) {
        return false;
    }
    return boolValue(dictItem(manifest.root(), "IsEncrypted")).value_or(false);
}

int decryptBackupFolder(const std::string& backupFolder,
                        const std::string& outputFolder,
                        std::string_view password,
                        const DecryptCallbacks& callbacks,
                        DecryptSummary& summary)
{
    summary = DecryptSummary{};
    Plist manifest;
    int status = readManifestPlist(backupFolder, manifest);
    if (status == platform::kStatusInvalid) {
        return fail(summary, status, "Manifest.plist is missing or cannot be read");
    }
    if (status != platform::kStatusOk) {
        return fail(summary, status, "Manifest.plist is damaged");
    }
    if (!boolValue(dictItem(manifest.root(), "IsEncrypted")).value_or(false)) {
        return fail(summary,
                    platform::kStatusUnsupported,
                    "Manifest.plist does not say the backup is encrypted");
    }
    const auto keybagBytes = dataValue(dictItem(manifest.root(), "BackupKeyBag"));
    Keybag keybag;
    if (!keybagBytes || parseKeybag(*keybagBytes, keybag) != platform::kStatusOk) {
        return fail(summary, platform::kStatusCorrupt, "the backup keybag is missing or damaged");
    }

    std::optional<WrappedFileKey> manifestKey;
    if (const plist_t node = dictItem(manifest.root(), "ManifestKey"); node != nullptr) {
        const auto bytes = dataValue(node);
        WrappedFileKey key;
        if (!bytes || splitWrappedKey(*bytes, key) != platform::kStatusOk) {
            return fail(summary, platform::kStatusCorrupt, "ManifestKey is damaged");
        }
        manifestKey = std::move(key);
    }
    const bool hasManifestDb =
        platform::fileExists(platform::joinPath(backupFolder, "Manifest.db"));
    if (!hasManifestDb &&
        !platform::fileExists(platform::joinPath(backupFolder, "Manifest.mbdb"))) {
        return fail(summary,
                    platform::kStatusInvalid,
                    "the backup has neither Manifest.db nor Manifest.mbdb");
    }
    if (isInside(outputFolder, backupFolder)) {
        return fail(
            summary, platform::kStatusInvalid, "the output folder lies inside the backup folder");
    }

    // The folder is made before the slow key derivation so that a bad output path is known
    // at once; it is removed again when the password turns out wrong.
    const bool outputExisted = platform::folderExists(outputFolder);
    status = platform::createPrivateFolder(outputFolder);
    if (status != platform::kStatusOk) {
        return fail(summary, status, "the output folder cannot be created");
    }

    Key256 kek;
    status = deriveKeyEncryptionKey(keybag, password, kek);
    if (status != platform::kStatusOk) {
        return fail(summary, platform::kStatusCorrupt, "the key derivation failed");
    }
    ClassKeys keys;
    status = unlockClassKeys(keybag, kek, keys);
    if (status == platform::kStatusWrongPassword) {
        if (!outputExisted) {
            std::error_code ignored;
            std::filesystem::remove(platform::pathFromUtf8(outputFolder), ignored);
        }
        return fail(summary, status, "Wrong password");
    }
    if (status != platform::kStatusOk) {
        return fail(summary, status, "the keybag holds no class key that can be opened");
    }
    if (callbacks.progress) {
        callbacks.progress(0);
    }

    Run run(backupFolder, outputFolder, keys, callbacks, summary);
    if (!hasManifestDb) {
        return decryptLegacy(run, summary);
    }
    std::string manifestPath;
    status =
        prepareManifestDb(backupFolder, outputFolder, manifestKey, keys, summary, manifestPath);
    if (status != platform::kStatusOk) {
        return status;
    }
    return decryptModern(run, manifestPath, summary);
}

} // namespace decrypt
