// POSIX implementation of the file and folder helpers.
#include "File.h"
#include "Status.h"
#include "Text.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::size_t kReadPiece = 65536;

// The status of the failed call that set errno.
int lastError()
{
    return statusFromErrno(errno);
}

} // namespace

File::~File()
{
    close();
}

File::File(File&& other) noexcept
    : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

int File::openRead(const std::string& path)
{
    close();
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        return lastError();
    }

    struct stat info
    {};

    if (::fstat(m_fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? statusFromErrno(EISDIR) : lastError();
        close();
        return error;
    }
    return kStatusOk;
}

int File::createWrite(const std::string& path, unsigned mode)
{
    close();
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    return m_fd < 0 ? lastError() : kStatusOk;
}

void File::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

int File::size(std::uint64_t& bytes) const
{
    struct stat info
    {};

    if (::fstat(m_fd, &info) != 0) {
        return lastError();
    }
    bytes = static_cast<std::uint64_t>(info.st_size);
    return kStatusOk;
}

int File::read(void* buffer, std::size_t count, std::size_t& got)
{
    got = 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, count);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return kStatusOk;
        }
        if (errno != EINTR) {
            return lastError();
        }
    }
}

int File::readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const
{
    got = 0;
    auto* out = static_cast<unsigned char*>(buffer);
    while (got < count) {
        const ssize_t n = ::pread(m_fd, out + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return kStatusOk;
}

int File::writeAll(const void* buffer, std::size_t count)
{
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, in + done, count - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        done += static_cast<std::size_t>(n);
    }
    return kStatusOk;
}

int readExact(File& file, void* buffer, std::size_t count, std::size_t& got)
{
    got = 0;
    auto* out = static_cast<unsigned char*>(buffer);
    while (got < count) {
        std::size_t piece = 0;
        const std::size_t want = std::min(kReadPiece, count - got);
        if (file.read(out + got, want, piece) != kStatusOk || piece == 0) {
            return kStatusShortRead;
        }
        got += piece;
    }
    return kStatusOk;
}

int getFileSize(const std::string& path, std::uint64_t& bytes)
{
    File file;
    if (const int status = file.openRead(path); status != kStatusOk) {
        return status;
    }
    return file.size(bytes);
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/') {
        return folder + name;
    }
    return folder + '/' + name;
}

bool listFolderEntries(const std::string& folder, std::vector<std::string>& entries)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    std::vector<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') {
            found.push_back(joinPath(folder, entry->d_name));
        }
    }
    ::closedir(dir);
    entries.insert(entries.end(), found.begin(), found.end());
    return true;
}

int readWholeFile(const std::string& path, std::uint64_t maxBytes, std::string& content)
{
    File file;
    if (const int status = file.openRead(path); status != kStatusOk) {
        return status;
    }
    std::uint64_t bytes = 0;
    if (const int status = file.size(bytes); status != kStatusOk) {
        return status;
    }
    if (bytes > maxBytes) {
        return kStatusInvalid;
    }
    content.resize(static_cast<std::size_t>(bytes));
    std::size_t got = 0;
    if (const int status = file.readAt(0, content.data(), content.size(), got);
        status != kStatusOk) {
        return status;
    }
    content.resize(got);
    return kStatusOk;
}

int writeWholeFile(const std::string& path, std::string_view content)
{
    File file;
    if (const int status = file.createWrite(path); status != kStatusOk) {
        return status;
    }
    return file.writeAll(content.data(), content.size());
}

bool fileExists(const std::string& path)
{
    struct stat info
    {};

    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool folderExists(const std::string& path)
{
    struct stat info
    {};

    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int createFolders(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(pathFromUtf8(folder), error);
    if (error) {
        return statusFromErrno(error.value());
    }
    return folderExists(folder) ? kStatusOk : statusFromErrno(ENOTDIR);
}

int createPrivateFolder(const std::string& folder)
{
    if (const int status = createFolders(folder); status != kStatusOk) {
        return status;
    }
    return ::chmod(folder.c_str(), 0700) == 0 ? kStatusOk : lastError();
}

int removeFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 ? kStatusOk : lastError();
}

} // namespace platform
