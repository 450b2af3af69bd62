// Shared pieces of the decryption tests.
#include "TestHelpers.h"

#include "platform/Process.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <openssl/evp.h>
#include <stdexcept>

namespace decrypttest {

std::vector<std::uint8_t> fromHex(const std::string& hex)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::vector<fixtures::EncryptedFile> sampleFiles()
{
    std::string large;
    for (int i = 0; i < 300000; ++i) {
        large.push_back(static_cast<char>((i * 7919) & 0xFF));
    }
    std::string sqliteLike("SQLite format 3\0", 16);
    sqliteLike.resize(4096, '\x01');
    return {
        {"HomeDomain", "Library/SMS/sms.db", sqliteLike, 3},
        {"HomeDomain", "Library/Notes/notes.txt", "a note\n", 1},
        {"CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", large, 4},
        {"HomeDomain", "Library/Preferences/exact16bytes!.plist", "0123456789abcdef", 2},
        {"AppDomain-net.whatsapp.WhatsApp", "Documents/empty", "", 3},
    };
}

std::map<std::string, std::string> snapshot(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[std::filesystem::relative(entry.path(), folder).string()] =
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    return files;
}

std::string encryptCbc(const std::vector<std::uint8_t>& key, const std::string& plain, bool pad)
{
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            &EVP_CIPHER_CTX_free);
    static const unsigned char kZeroIv[16] = {};
    std::string out(plain.size() + 16, '\0');
    int first = 0;
    int last = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(out.data());
    EVP_EncryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key.data(), kZeroIv);
    EVP_CIPHER_CTX_set_padding(context.get(), pad ? 1 : 0);
    if (EVP_EncryptUpdate(context.get(),
                          bytes,
                          &first,
                          reinterpret_cast<const unsigned char*>(plain.data()),
                          static_cast<int>(plain.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), bytes + first, &last) != 1) {
        throw std::runtime_error("test encryption failed");
    }
    out.resize(static_cast<std::size_t>(first + last));
    return out;
}

ToolRun runTool(const std::vector<std::string>& arguments, const std::string& stdinText)
{
    ToolRun run;
    platform::Process process;
    if (process.start(BRENVALE_TOOL_PATH, arguments) != 0) {
        throw std::runtime_error("the tool does not start");
    }
    (void)process.writeInput(stdinText);
    process.closeInput();
    bool outEnded = false;
    bool errEnded = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while ((!outEnded || !errEnded) && std::chrono::steady_clock::now() < deadline) {
        process.waitReadable(20);
        (void)process.readAvailable(platform::ProcessStream::Output, run.out, 1 << 20, outEnded);
        (void)process.readAvailable(platform::ProcessStream::Error, run.err, 1 << 20, errEnded);
    }
    if (process.waitForExit(60000)) {
        run.exitCode = process.exitCode();
    }
    return run;
}

} // namespace decrypttest
