// Manifest.mbdb, the file index of iOS 4 to 9 backups (never encrypted itself): a binary file of
// variable-length records, one per file or folder of the device. The content file's name is not
// stored; it is fileId(domain, path).
//
// File (integers big-endian):
//   offset 0  4 bytes  magic "mbdb"
//   offset 4  2 bytes  format version (any value)
//   offset 6  records back to back to the end of the file
// Record:
//   domain, path, link target, digest, encryption key   strings
//   mode                                                u16 (file type in the top 4 bits)
//   inode u64, uid u32, gid u32, mtime u32, ctime u32, birth time u32       (28 bytes)
//   size                                                u64
//   protection class                                    u8
//   property count n                                    u8
//   properties                                          n × (name string, value string)
// String: u16 length L then L bytes; L = 0xFFFF is an absent string of two bytes in all. The
// smallest record is therefore 50 bytes plus its strings' bytes.
//
// The encryption key, when present, is 44 bytes: a u32 little-endian class and a wrapped key.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace formats {

// The largest Manifest.mbdb read; it is read whole, and records are views into it, so memory
// stays at the file's size plus what the caller keeps.
inline constexpr std::uint64_t kMaxMbdbBytes = 1024ull * 1024 * 1024;

// One record, viewed in place over the file's bytes; absent strings are empty.
struct MbdbRecord
{
    std::string_view domain;
    std::string_view path;
    std::span<const std::uint8_t> encryptionKey;
    std::uint16_t mode = 0;
    std::uint64_t size = 0;
    std::uint8_t protectionClass = 0;

    bool isFolder() const { return (mode & 0xE000) == 0x4000; }
};

// Calls `visit` with each record in file order; a non-zero answer stops the walk and is
// returned. Returns 0 when every record was read (a file that ends inside its version field
// holds none); 87 when the magic is wrong (nothing visited); kStatusTruncated when a record
// runs past the end of the data (the records before it were visited).
[[nodiscard]] int readMbdbRecords(std::span<const std::uint8_t> bytes,
                                  const std::function<int(const MbdbRecord&)>& visit);

} // namespace formats
