// `tool BACKUP OUTPUT`: decrypts an encrypted backup into OUTPUT. The password is the first
// line of standard input, never an argument, where other users could read it in the process
// list. Standard output carries what the engine follows:
//   "Count: <n>"       after the password opened the keybag (n = 0) and after each file
//   "Wrong password"   when the password does not open the keybag; the tool then ends
// Problems go to standard error as "Warning: <fileId>: ..." and "Error: ...".
// Exit codes: 0 all files done, 1 done with problems in some files, 2 nothing decrypted (bad
// arguments, missing or damaged backup), 3 wrong password.
#include "decrypt/BackupDecryptor.h"
#include "platform/Status.h"

#include <cstdio>
#include <openssl/crypto.h>
#include <string>

namespace {

constexpr std::size_t kMaxPasswordBytes = 64 * 1024;

// The first line of standard input without its line ending; empty at once at end of input.
std::string readPassword()
{
    std::string password;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
        if (password.size() < kMaxPasswordBytes) {
            password.push_back(static_cast<char>(c));
        }
    }
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    return password;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr,
                     "Usage: %s BACKUP OUTPUT  (the password is read from standard "
                     "input, first line)\n",
                     argc > 0 ? argv[0] : "tool");
        return 2;
    }
    std::string password = readPassword();

    decrypt::DecryptCallbacks callbacks;
    callbacks.progress = [](std::uint64_t done) {
        std::printf("Count: %llu\n", static_cast<unsigned long long>(done));
        std::fflush(stdout);
    };
    callbacks.problem = [](const std::string& problem) {
        std::fprintf(stderr, "Warning: %s\n", problem.c_str());
    };
    decrypt::DecryptSummary summary;
    const int status = decrypt::decryptBackupFolder(argv[1], argv[2], password, callbacks, summary);
    OPENSSL_cleanse(password.data(), password.size());

    if (status == platform::kStatusWrongPassword) {
        std::printf("Wrong password\n");
        std::fflush(stdout);
        return 3;
    }
    if (status != platform::kStatusOk) {
        std::fprintf(
            stderr, "Error: %s (%s)\n", summary.message.c_str(), platform::statusName(status));
        return 2;
    }
    std::fprintf(stderr,
                 "Decrypted %llu files, %llu with problems\n",
                 static_cast<unsigned long long>(summary.filesDone),
                 static_cast<unsigned long long>(summary.filesWithProblems));
    return summary.filesWithProblems == 0 ? 0 : 1;
}
