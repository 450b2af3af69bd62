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
#include "formats/FileId.h"
#include "formats/ManifestNames.h"
#include "formats/ManifestPlist.h"
#include "formats/Mbdb.h"
#include "formats/SqliteReader.h"
#include "platform/Diagnostics.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <vector>

namespace decrypt {

namespace {

constexpr std::string_view kSqliteMagic("SQLite format 3\0", 16);

std::span<const std::uint8_t> asBytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

int fail(DecryptSummary& summary, int status, std::string message)
{
    summary.message = std::move(message);
    return status;
}

// `message`, followed by what the reader that failed last recorded about the fault, if any.
std::string withDetail(std::string message, const platform::Diagnostics& diagnostics)
{
    if (!diagnostics.entries().empty()) {
        message += " (" + diagnostics.entries().back().message + ")";
    }
    return message;
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
    void unreadable(const std::string& fileId, const std::string& what)
    {
        problem(fileId, what);
        ++m_summary.filesWithProblems;
        ++m_summary.filesDone;
        if (m_callbacks.progress) {
            m_callbacks.progress(m_summary.filesDone);
        }
    }

    const std::string& backup() const { return m_backup; }

    // The first of `candidates` that exists, or an empty text.
    static std::string firstExisting(const std::vector<std::string>& candidates)
    {
        for (const auto& candidate : candidates) {
            if (platform::fileExists(candidate)) {
                return candidate;
            }
        }
        return {};
    }

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
        const std::string input = firstExisting(candidates);
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
    const std::string source = platform::joinPath(backupFolder, formats::kManifestDbName);
    manifestPath = platform::joinPath(outputFolder, formats::kDecryptedManifestDbName);
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

// The rows that hold a file's content say so with flags 1 (modern) or a regular-file mode
// (legacy). Other writers put other values there for real files, so a row of another kind is
// decrypted too when its record carries a file key and its content file is on disk; such a row
// with only one of the two is reported, and a row with neither (a folder, a link) is skipped.
void otherRow(Run& run,
              const std::string& fileId,
              const std::string& kind,
              const std::vector<std::string>& candidates,
              const std::optional<WrappedFileKey>& key,
              bool recordReadable,
              std::uint64_t declaredSize)
{
    const bool hasContent = !Run::firstExisting(candidates).empty();
    if (key && hasContent) {
        run.file(fileId, candidates, key, declaredSize);
    } else if (key) {
        run.unreadable(fileId, kind + " and a file key, but its content file is missing");
    } else if (hasContent) {
        run.unreadable(fileId,
                       kind + (recordReadable ? " and a content file, but no file key"
                                              : " and a content file, but its record cannot be "
                                                "read"));
    }
}

int decryptModern(Run& run, const std::string& manifestPath, DecryptSummary& summary)
{
    formats::SqliteHandle db;
    if (const int opened = formats::openReadOnly(manifestPath, formats::SqliteOpen::Immutable, db);
        opened != SQLITE_OK) {
        return fail(summary,
                    platform::statusFromSqlite(opened),
                    "the decrypted Manifest.db cannot be opened");
    }
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db.get(), "SELECT fileID, file, flags FROM Files", statement) !=
        SQLITE_OK) {
        return fail(summary, platform::kStatusQueryFailed, "Manifest.db has no usable Files table");
    }
    constexpr sqlite3_int64 kFileFlags = 1;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const std::string fileId = formats::columnText(statement.get(), 0);
        const sqlite3_int64 flags = sqlite3_column_int64(statement.get(), 2);
        const bool isFile = flags == kFileFlags;
        if (!formats::isFileId(fileId)) {
            if (isFile) {
                run.unreadable("(a row)", "its fileID is not 40 hexadecimal digits");
            }
            continue;
        }
        const auto* blob =
            static_cast<const std::uint8_t*>(sqlite3_column_blob(statement.get(), 1));
        const auto blobBytes = static_cast<std::size_t>(sqlite3_column_bytes(statement.get(), 1));
        MbFileInfo info;
        platform::Diagnostics diagnostics;
        const bool readable =
            parseMbFile({blob, blob != nullptr ? blobBytes : 0}, info, &diagnostics) ==
            platform::kStatusOk;
        const std::string twoLevel =
            platform::joinPath(platform::joinPath(run.backup(), fileId.substr(0, 2)), fileId);
        const std::vector<std::string> candidates = {twoLevel,
                                                     platform::joinPath(run.backup(), fileId)};
        if (!isFile) {
            otherRow(run,
                     fileId,
                     "it is listed with flags " + std::to_string(flags),
                     candidates,
                     info.key,
                     readable,
                     info.size.value_or(0));
        } else if (!readable) {
            run.unreadable(fileId, withDetail("its MBFile record cannot be read", diagnostics));
        } else {
            run.file(fileId, candidates, info.key, info.size.value_or(0));
        }
    }
    if (step != SQLITE_DONE) {
        return fail(summary, platform::kStatusQueryFailed, "reading Manifest.db failed");
    }
    return platform::kStatusOk;
}

int decryptLegacy(Run& run, DecryptSummary& summary)
{
    std::string bytes;
    if (platform::readWholeFile(platform::joinPath(run.backup(), formats::kManifestMbdbName),
                                formats::kMaxMbdbBytes,
                                bytes) != platform::kStatusOk) {
        return fail(summary, platform::kStatusMbdbOpenFailed, "Manifest.mbdb cannot be read");
    }
    std::vector<MbdbRecord> records;
    const int status = parseMbdb(asBytes(bytes), records);
    if (status != platform::kStatusOk) {
        return fail(summary, status, "Manifest.mbdb is damaged");
    }
    for (const auto& record : records) {
        const std::string twoLevel = platform::joinPath(
            platform::joinPath(run.backup(), record.fileId.substr(0, 2)), record.fileId);
        const std::vector<std::string> candidates = {
            platform::joinPath(run.backup(), record.fileId), twoLevel};
        if (record.isRegularFile()) {
            run.file(record.fileId, candidates, record.key, record.size);
        } else {
            otherRow(run,
                     record.fileId,
                     "it is listed with mode " + std::to_string(record.mode),
                     candidates,
                     record.key,
                     true,
                     record.size);
        }
    }
    return platform::kStatusOk;
}

} // namespace

int decryptBackupFolder(const std::string& backupFolder,
                        const std::string& outputFolder,
                        std::string_view password,
                        const DecryptCallbacks& callbacks,
                        DecryptSummary& summary)
{
    summary = DecryptSummary{};
    formats::Plist manifest;
    platform::Diagnostics diagnostics;
    int status = formats::readManifestPlist(backupFolder, manifest, &diagnostics);
    if (status == platform::kStatusInvalid) {
        return fail(summary, status, "Manifest.plist is missing or cannot be read");
    }
    if (status != platform::kStatusOk) {
        return fail(summary, status, withDetail("Manifest.plist is damaged", diagnostics));
    }
    if (!formats::boolValue(formats::dictItem(manifest.root(), "IsEncrypted")).value_or(false)) {
        return fail(summary,
                    platform::kStatusUnsupported,
                    "Manifest.plist does not say the backup is encrypted");
    }
    const auto keybagBytes = formats::dataValue(formats::dictItem(manifest.root(), "BackupKeyBag"));
    Keybag keybag;
    if (!keybagBytes || parseKeybag(*keybagBytes, keybag, &diagnostics) != platform::kStatusOk) {
        return fail(summary,
                    platform::kStatusCorrupt,
                    withDetail("the backup keybag is missing or damaged", diagnostics));
    }

    std::optional<WrappedFileKey> manifestKey;
    if (const plist_t node = formats::dictItem(manifest.root(), "ManifestKey"); node != nullptr) {
        const auto bytes = formats::dataValue(node);
        WrappedFileKey key;
        if (!bytes || splitWrappedKey(*bytes, key) != platform::kStatusOk) {
            return fail(summary, platform::kStatusCorrupt, "ManifestKey is damaged");
        }
        manifestKey = std::move(key);
    }
    const bool hasManifestDb =
        platform::fileExists(platform::joinPath(backupFolder, formats::kManifestDbName));
    if (!hasManifestDb &&
        !platform::fileExists(platform::joinPath(backupFolder, formats::kManifestMbdbName))) {
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
