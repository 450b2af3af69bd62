// Chunked CBC decryption with the last block held back for the padding check.
#include "FileDecryptor.h"

#include "platform/File.h"
#include "platform/Status.h"

#include <algorithm>
#include <memory>
#include <openssl/evp.h>
#include <vector>

namespace decrypt {

namespace {

constexpr std::size_t kBlock = 16;
constexpr std::uint64_t kSqliteMinPage = 512;

struct CipherContextFree
{
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

// Fills `buffer` from `file` until it is full or the file ends; `got` is what arrived.
int readChunk(platform::File& file, std::vector<std::uint8_t>& buffer, std::size_t& got)
{
    got = 0;
    while (got < buffer.size()) {
        std::size_t piece = 0;
        const int status = file.read(buffer.data() + got, buffer.size() - got, piece);
        if (status != platform::kStatusOk) {
            return status;
        }
        if (piece == 0) {
            break;
        }
        got += piece;
    }
    return platform::kStatusOk;
}

// How many bytes of the final plaintext block `tail` to keep under `rule`; `valid` tells
// whether padding was found where the rule expects it.
std::size_t keepOfLastBlock(const std::uint8_t* tail,
                            std::uint64_t plaintextBytes,
                            PaddingRule rule,
                            bool& valid)
{
    const std::uint8_t n = tail[kBlock - 1];
    if (rule == PaddingRule::SqliteDatabase) {
        valid = true;
        const bool fullBlock =
            std::all_of(tail, tail + kBlock, [](std::uint8_t b) { return b == kBlock; });
        return fullBlock && (plaintextBytes - kBlock) % kSqliteMinPage == 0 ? 0 : kBlock;
    }
    valid = n >= 1 && n <= kBlock &&
            std::all_of(tail + kBlock - n, tail + kBlock, [n](std::uint8_t b) { return b == n; });
    return valid ? kBlock - n : kBlock;
}

} // namespace

int decryptFile(const std::string& inputPath,
                const std::string& outputPath,
                const Key256& key,
                PaddingRule rule,
                DecryptOutcome& outcome)
{
    outcome = DecryptOutcome{};
    platform::File input;
    int status = input.openRead(inputPath);
    if (status != platform::kStatusOk) {
        return status;
    }
    platform::File output;
    status = output.createWrite(outputPath, 0600);
    if (status != platform::kStatusOk) {
        return status;
    }
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    static const std::uint8_t kZeroIv[kBlock] = {};
    if (!context ||
        EVP_DecryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key.data(), kZeroIv) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        return platform::kStatusFailed;
    }

    std::vector<std::uint8_t> cipher(kDecryptChunkBytes);
    std::vector<std::uint8_t> plain(kDecryptChunkBytes + kBlock);
    std::uint8_t tail[kBlock] = {};
    bool haveTail = false;
    for (;;) {
        std::size_t got = 0;
        status = readChunk(input, cipher, got);
        if (status != platform::kStatusOk) {
            return status;
        }
        if (got == 0) {
            break;
        }
        outcome.bytesRead += got;
        int produced = 0;
        if (EVP_DecryptUpdate(
                context.get(), plain.data(), &produced, cipher.data(), static_cast<int>(got)) !=
            1) {
            return platform::kStatusFailed;
        }
        if (produced == 0) {
            continue;
        }
        // Everything but the newest block can go out; that one may hold the padding.
        const auto count = static_cast<std::size_t>(produced);
        if (haveTail) {
            status = output.writeAll(tail, kBlock);
            if (status != platform::kStatusOk) {
                return status;
            }
            outcome.bytesWritten += kBlock;
        }
        status = output.writeAll(plain.data(), count - kBlock);
        if (status != platform::kStatusOk) {
            return status;
        }
        outcome.bytesWritten += count - kBlock;
        std::copy(plain.begin() + static_cast<std::ptrdiff_t>(count - kBlock),
                  plain.begin() + static_cast<std::ptrdiff_t>(count),
                  tail);
        haveTail = true;
        if (got < cipher.size()) {
            break;
        }
    }

    if (!haveTail) {
        return outcome.bytesRead == 0 ? platform::kStatusOk : platform::kStatusTruncated;
    }
    if (outcome.bytesRead % kBlock != 0) {
        status = output.writeAll(tail, kBlock);
        outcome.bytesWritten += kBlock;
        return status != platform::kStatusOk ? status : platform::kStatusTruncated;
    }
    bool valid = false;
    const std::size_t keep = keepOfLastBlock(tail, outcome.bytesRead, rule, valid);
    status = output.writeAll(tail, keep);
    if (status != platform::kStatusOk) {
        return status;
    }
    outcome.bytesWritten += keep;
    outcome.paddingRemoved = keep < kBlock;
    return valid ? platform::kStatusOk : platform::kStatusCorrupt;
}

int copyFile(const std::string& inputPath,
             const std::string& outputPath,
             std::uint64_t& bytesCopied)
{
    bytesCopied = 0;
    platform::File input;
    int status = input.openRead(inputPath);
    if (status != platform::kStatusOk) {
        return status;
    }
    platform::File output;
    status = output.createWrite(outputPath, 0600);
    if (status != platform::kStatusOk) {
        return status;
    }
    std::vector<std::uint8_t> buffer(kDecryptChunkBytes);
    for (;;) {
        std::size_t got = 0;
        status = readChunk(input, buffer, got);
        if (status != platform::kStatusOk || got == 0) {
            return status;
        }
        status = output.writeAll(buffer.data(), got);
        if (status != platform::kStatusOk) {
            return status;
        }
        bytesCopied += got;
    }
}

} // namespace decrypt
