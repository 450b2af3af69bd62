// bench_decrypt [FOLDER [MEGABYTES]]: times, in one run,
//  1. PBKDF2-HMAC-SHA256 with 10,000,000 iterations (a device's DPIC) through our code and
//     through python3's hashlib.pbkdf2_hmac with the same password, salt and length;
//  2. decrypting a file of MEGABYTES MiB (default 1024) written into FOLDER (default the
//     system's temporary folder) through decrypt::decryptFile and through
//     `openssl enc -d -aes-256-cbc` on the same bytes, both writing to /dev/null.
// Each figure is the best of two runs, after one read that warms the page cache.
#include "decrypt/Crypto.h"
#include "decrypt/FileDecryptor.h"
#include "platform/File.h"
#include "platform/Process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <openssl/evp.h>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kDeviceIterations = 10'000'000;

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Runs `program` with `arguments` and returns its standard output (empty on failure).
std::string
runChild(const std::string& program, const std::vector<std::string>& arguments, int& exitCode)
{
    platform::Process process;
    std::string out;
    std::string err;
    exitCode = -1;
    if (process.start(program, arguments) != 0) {
        return {};
    }
    process.closeInput();
    bool outEnded = false;
    bool errEnded = false;
    while (!outEnded || !errEnded) {
        process.waitReadable(100);
        (void)process.readAvailable(platform::ProcessStream::Output, out, 1 << 16, outEnded);
        (void)process.readAvailable(platform::ProcessStream::Error, err, 1 << 16, errEnded);
    }
    process.waitForExit(60000);
    exitCode = process.exitCode();
    if (!err.empty()) {
        std::fprintf(stderr, "%s", err.c_str());
    }
    return out;
}

void benchKeyDerivation()
{
    const std::string password = "0000";
    const std::vector<std::uint8_t> salt(20, 0x5A);
    decrypt::Key256 key;
    const auto start = std::chrono::steady_clock::now();
    const int status = decrypt::pbkdf2Sha256(
        {reinterpret_cast<const std::uint8_t*>(password.data()), password.size()},
        salt,
        kDeviceIterations,
        key);
    const double ours = seconds(std::chrono::steady_clock::now() - start);

    const std::string script =
        "import hashlib,time\n"
        "t=time.perf_counter()\n"
        "hashlib.pbkdf2_hmac('sha256', b'0000', bytes([0x5a])*20, 10000000, 32)\n"
        "print(time.perf_counter()-t)\n";
    int exitCode = -1;
    const std::string python = runChild("/usr/bin/python3", {"-c", script}, exitCode);
    std::printf("PBKDF2-HMAC-SHA256, 10,000,000 iterations, 32 bytes\n");
    std::printf(
        "  brenvale decrypt::pbkdf2Sha256   %8.3f s%s\n", ours, status == 0 ? "" : "  (FAILED)");
    if (exitCode == 0) {
        std::printf("  python3 hashlib.pbkdf2_hmac      %8.3f s\n", std::atof(python.c_str()));
    } else {
        std::printf("  python3 hashlib.pbkdf2_hmac      not available\n");
    }
}

// Writes `megabytes` MiB of AES-256-CBC ciphertext (zero IV, PKCS#7) of a byte pattern.
bool writeCipherFile(const std::string& path, std::size_t megabytes, const unsigned char* key)
{
    platform::File out;
    if (out.createWrite(path, 0600) != 0) {
        return false;
    }
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            &EVP_CIPHER_CTX_free);
    static const unsigned char kZeroIv[16] = {};
    EVP_EncryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key, kZeroIv);
    std::vector<unsigned char> plain(1 << 20);
    std::vector<unsigned char> cipher(plain.size() + 16);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        plain[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
    }
    for (std::size_t m = 0; m < megabytes; ++m) {
        plain[0] = static_cast<unsigned char>(m);
        int produced = 0;
        EVP_EncryptUpdate(
            context.get(), cipher.data(), &produced, plain.data(), static_cast<int>(plain.size()));
        if (out.writeAll(cipher.data(), static_cast<std::size_t>(produced)) != 0) {
            return false;
        }
    }
    int produced = 0;
    EVP_EncryptFinal_ex(context.get(), cipher.data(), &produced);
    return out.writeAll(cipher.data(), static_cast<std::size_t>(produced)) == 0;
}

void benchFileDecryption(const std::string& folder, std::size_t megabytes)
{
    decrypt::Key256 key;
    for (std::size_t i = 0; i < key.bytes().size(); ++i) {
        key.bytes()[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    const std::string path = folder + "/brenvale-bench-cipher.bin";
    if (!writeCipherFile(path, megabytes, key.data())) {
        std::printf("cannot write %s\n", path.c_str());
        return;
    }
    std::string hexKey;
    static const char kHex[] = "0123456789abcdef";
    for (const auto b : key.bytes()) {
        hexKey.push_back(kHex[b >> 4]);
        hexKey.push_back(kHex[b & 0xF]);
    }
    std::uint64_t warm = 0;
    (void)decrypt::copyFile(path, "/dev/null", warm);

    double best = 1e9;
    double bestOpenssl = 1e9;
    for (int round = 0; round < 2; ++round) {
        decrypt::DecryptOutcome outcome;
        auto start = std::chrono::steady_clock::now();
        const int status =
            decrypt::decryptFile(path, "/dev/null", key, decrypt::PaddingRule::Pkcs7, outcome);
        const double ours = seconds(std::chrono::steady_clock::now() - start);
        if (status != 0) {
            std::printf("decryptFile failed: %d\n", status);
        }
        best = std::min(best, ours);

        int exitCode = -1;
        start = std::chrono::steady_clock::now();
        runChild("/usr/bin/openssl",
                 {"enc",
                  "-d",
                  "-aes-256-cbc",
                  "-K",
                  hexKey,
                  "-iv",
                  "00000000000000000000000000000000",
                  "-in",
                  path,
                  "-out",
                  "/dev/null"},
                 exitCode);
        const double theirs = seconds(std::chrono::steady_clock::now() - start);
        if (exitCode == 0) {
            bestOpenssl = std::min(bestOpenssl, theirs);
        }
    }
    std::filesystem::remove(path);
    const double mib = static_cast<double>(megabytes);
    std::printf("AES-256-CBC decryption of %zu MiB (to /dev/null)\n", megabytes);
    std::printf("  brenvale decrypt::decryptFile    %8.3f s  %8.1f MiB/s\n", best, mib / best);
    if (bestOpenssl < 1e9) {
        std::printf("  openssl enc -d -aes-256-cbc      %8.3f s  %8.1f MiB/s\n",
                    bestOpenssl,
                    mib / bestOpenssl);
        std::printf("  throughput ratio brenvale/openssl: %.2f\n", bestOpenssl / best);
    } else {
        std::printf("  openssl enc -d -aes-256-cbc      not available\n");
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    const std::size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1024;
    benchKeyDerivation();
    benchFileDecryption(folder, megabytes);
    return 0;
}
