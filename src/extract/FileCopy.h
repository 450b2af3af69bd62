// Copies of backup files: the preview copy under a fixed temporary name by kind of media, and
// the copy of a file to where the recovery run puts it. Both copy in blocks of 65,536 bytes and
// report progress after each block.
#pragma once

#include "extract/Callbacks.h"
#include "platform/ReadSource.h"

#include <cstddef>
#include <string>

namespace extract {

inline constexpr std::size_t kCopyBlockBytes = 65536;

// Copies `source` to `workFolder` + "tmp.jpg", "tmp.wav" or "tmp.avi" by the kind of its
// sniffed type (image, audio, video), replacing what was there, and sets `tempPath` to it.
// Reports copied·100/size after each block and 100 at the end, whatever the outcome. Returns
// 0; 87 when the type is unknown or of no preview kind, or when either file does not open;
// the callback's non-zero answer, which stops the copy; 30 when the source ends early.
[[nodiscard]] int makePreviewCopy(const std::string& workFolder,
                                  const std::string& source,
                                  std::string& tempPath,
                                  ScanProgressCallback callback,
                                  void* userData);

// Copies `source` to `destination`, creating its folder with missing parents and replacing
// the file if it exists. Calls callback(user, copied·100/size, status, destination) after each
// block; a positive final status is reported once more with 100. An empty source gives an
// empty destination and no call. Returns 0; 87 when either file does not open or the folder
// cannot be made; 30 when a read fails or ends early; the callback's non-zero answer.
[[nodiscard]] int copyOut(const std::string& source,
                          const std::string& destination,
                          ProgressCallback callback,
                          void* userData);

// copyOut reading from `source`, an open file or a test double. Returns as copyOut, 87 then
// meaning that the folder or the destination cannot be made or the source's size is unknown.
[[nodiscard]] int copyOut(const platform::ReadSource& source,
                          const std::string& destination,
                          ProgressCallback callback,
                          void* userData);

} // namespace extract
