// Files and folders: a read-only file handle with positioned reads, folder listing and the
// small file helpers every module uses. Paths are wide text (UTF-8).
#pragma once

#include "platform/ReadSource.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An open file, closed when the object goes. Opened read-only unless created for writing.
class File : public ReadSource
{
public:
    File() = default;
    ~File() override;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens `path` for reading. Returns 0, or the system error's status.
    [[nodiscard]] int openRead(const std::string& path);
    // Creates (or truncates) `path` for writing with the given permission bits. Returns 0, or
    // the system error's status.
    [[nodiscard]] int createWrite(const std::string& path, unsigned mode = 0644);

    bool isOpen() const { return m_fd >= 0; }

    void close();

    // The file's size in bytes. Returns 0, or the system error's status.
    [[nodiscard]] int size(std::uint64_t& bytes) const override;
    // Reads up to `count` bytes at the current position; `got` is what arrived (0 at the end).
    // Returns 0, or the system error's status.
    [[nodiscard]] int read(void* buffer, std::size_t count, std::size_t& got);
    // Reads up to `count` bytes at `offset` without moving the position; retries short reads
    // until `count` bytes or the end of the file. Returns 0, or the system error's status.
    [[nodiscard]] int
    readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const override;
    // Writes all `count` bytes at the current position. Returns 0, or the system error's status.
    [[nodiscard]] int writeAll(const void* buffer, std::size_t count);

private:
    int m_fd = -1;
};

// Reads `count` bytes from the current position of `file` in pieces of at most 65,536 bytes.
// Returns 0 when all arrived, 30 when a read failed or delivered nothing before that; `got`
// is the number of bytes read in both cases. A count of 0 returns 0 at once.
[[nodiscard]] int readExact(File& file, void* buffer, std::size_t count, std::size_t& got);

// The size of the file at `path`. Returns 0, or the system error's status.
[[nodiscard]] int getFileSize(const std::string& path, std::uint64_t& bytes);

// Appends the full path of every entry of `folder` (files and sub-folders) in the order the
// file system lists them, skipping names that begin with a full stop. The path is the folder,
// one separator, and the name. Returns false, leaving `entries` as it was, when the folder
// cannot be listed; never clears `entries`.
bool listFolderEntries(const std::string& folder, std::vector<std::string>& entries);

// Reads the whole file at `path` into `content`, refusing files larger than `maxBytes`
// (status 87). Returns 0, or the system error's status.
[[nodiscard]] int
readWholeFile(const std::string& path, std::uint64_t maxBytes, std::string& content);

// Writes `content` to `path`, replacing it. Returns 0, or the system error's status.
[[nodiscard]] int writeWholeFile(const std::string& path, std::string_view content);

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// Creates `folder` with its missing parents. Returns 0 (also when it already exists), or the
// system error's status.
[[nodiscard]] int createFolders(const std::string& folder);

// Creates `folder` with its missing parents and makes it readable by its owner alone (0700):
// it is for decrypted personal data. Returns 0, or the system error's status.
[[nodiscard]] int createPrivateFolder(const std::string& folder);

// Deletes the file at `path`. Returns 0, or the system error's status.
[[nodiscard]] int removeFile(const std::string& path);

// `folder` and `name` joined by exactly one separator.
std::string joinPath(const std::string& folder, const std::string& name);

} // namespace platform
