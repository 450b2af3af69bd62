// Streaming AES-256-CBC decryption of one backup file (zero IV) into an output file, in
// chunks of a fixed size whatever the file's size, with the padding checked and removed from
// the last block only. The output is never cut to the size the manifest declares: that field
// is sometimes smaller than the content, and trusting it corrupts SQLite databases.
#pragma once

#include "decrypt/Crypto.h"

#include <cstdint>
#include <string>

namespace decrypt {

// How the end of the plaintext is treated.
enum class PaddingRule
{
    // PKCS#7: the last byte n (1..16) and the n bytes before the end all equal n.
    Pkcs7,
    // A SQLite database is a whole number of pages (multiples of 512 bytes), so padding can
    // only be one full block of 0x10 after the last page; anything else is kept as it is.
    SqliteDatabase
};

// What a decryption wrote.
struct DecryptOutcome
{
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesWritten = 0;
    bool paddingRemoved = false;
};

// Bytes read and decrypted per step; memory use stays at about twice this.
inline constexpr std::size_t kDecryptChunkBytes = 1 << 20;

// Decrypts `inputPath` with `key` into `outputPath` (created with permissions 0600, replacing
// any file there). Returns 0; the system's error code when a file cannot be opened, read or
// written (ENOENT for a missing input); -1004 (truncated) when the input is not a whole
// number of 16-byte blocks: the whole blocks are still written, decrypted; -1001 (corrupt)
// when the PKCS#7 padding is invalid: every decrypted byte is then kept.
[[nodiscard]] int decryptFile(const std::string& inputPath,
                              const std::string& outputPath,
                              const Key256& key,
                              PaddingRule rule,
                              DecryptOutcome& outcome);

// Copies `inputPath` to `outputPath` (permissions 0600) in chunks, for files a backup keeps
// unencrypted. Returns 0, or the system's error code.
[[nodiscard]] int
copyFile(const std::string& inputPath, const std::string& outputPath, std::uint64_t& bytesCopied);

} // namespace decrypt
