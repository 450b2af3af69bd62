// Block copies with progress for previews and the recovery run.
#include "extract/FileCopy.h"

#include "extract/MediaScan.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <filesystem>
#include <vector>

namespace extract {

namespace {

// Copies the whole of `from` into `to` block by block; `report` gets the percent after each
// block and answers 0 to go on. Returns 0, 30 for a failed or empty read before the end, the
// platform's write error, or the report's non-zero answer.
template <typename Report>
int copyBlocks(const platform::ReadSource& from,
               platform::File& to,
               std::uint64_t size,
               Report report)
{
    std::vector<std::uint8_t> block(kCopyBlockBytes);
    std::uint64_t copied = 0;
    while (copied < size) {
        std::size_t got = 0;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - copied));
        if (from.readAt(copied, block.data(), want, got) != platform::kStatusOk || got == 0) {
            return platform::kStatusShortRead;
        }
        if (const int status = to.writeAll(block.data(), got); status != platform::kStatusOk) {
            return status;
        }
        copied += got;
        if (const int answer = report(static_cast<int>(copied * 100 / size)); answer != 0) {
            return answer;
        }
    }
    return platform::kStatusOk;
}

std::string previewName(PreviewKind kind)
{
    switch (kind) {
    case PreviewKind::Image:
        return "tmp.jpg";
    case PreviewKind::Audio:
        return "tmp.wav";
    case PreviewKind::Video:
        return "tmp.avi";
    case PreviewKind::None:
        break;
    }
    return {};
}

// Copies `source` (null when it did not open) to `destination` as copyOut describes.
int copyFrom(const platform::ReadSource* source,
             const std::string& destination,
             ProgressCallback callback,
             void* userData)
{
    const auto report = [&](int percent, int status) {
        return callback != nullptr ? callback(userData, percent, status, destination) : 0;
    };
    const std::filesystem::path parent = platform::pathFromUtf8(destination).parent_path();
    int status = platform::kStatusOk;
    platform::File to;
    std::uint64_t size = 0;
    if ((!parent.empty() && platform::createFolders(platform::pathToUtf8(parent)) != 0) ||
        source == nullptr || source->size(size) != platform::kStatusOk ||
        to.createWrite(destination) != platform::kStatusOk) {
        status = platform::kStatusInvalid;
    } else {
        status = copyBlocks(*source, to, size, [&](int percent) { return report(percent, 0); });
    }
    if (status > 0) {
        report(100, status);
    }
    return status;
}

} // namespace

int makePreviewCopy(const std::string& workFolder,
                    const std::string& source,
                    std::string& tempPath,
                    ScanProgressCallback callback,
                    void* userData)
{
    const auto report = [&](int percent) {
        return callback != nullptr ? callback(userData, percent) : 0;
    };
    const std::string name = previewName(previewKindOf(sniffFile(source).extension));
    int status = platform::kStatusInvalid;
    if (!name.empty()) {
        tempPath = platform::joinPath(workFolder, name);
        platform::File from;
        platform::File to;
        std::uint64_t size = 0;
        if (from.openRead(source) != platform::kStatusOk ||
            from.size(size) != platform::kStatusOk ||
            to.createWrite(tempPath, 0600) != platform::kStatusOk) {
            status = platform::kStatusInvalid;
        } else {
            status = copyBlocks(from, to, size, report);
        }
    }
    report(100);
    return status;
}

int copyOut(const std::string& source,
            const std::string& destination,
            ProgressCallback callback,
            void* userData)
{
    platform::File from;
    const bool opened = from.openRead(source) == platform::kStatusOk;
    return copyFrom(opened ? &from : nullptr, destination, callback, userData);
}

int copyOut(const platform::ReadSource& source,
            const std::string& destination,
            ProgressCallback callback,
            void* userData)
{
    return copyFrom(&source, destination, callback, userData);
}

} // namespace extract
