// Shared pieces of the decryption tests: hex, sample files, folder snapshots and running the
// tool as a child process.
#pragma once

#include "fixtures/encrypt/EncryptedBackupWriter.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace decrypttest {

std::vector<std::uint8_t> fromHex(const std::string& hex);

// A few files of different sizes and classes, an empty one included.
std::vector<fixtures::EncryptedFile> sampleFiles();

// Every regular file below `folder`, by relative path, with its bytes.
std::map<std::string, std::string> snapshot(const std::string& folder);

// AES-256-CBC with a zero IV; `pad` adds PKCS#7 padding.
std::string encryptCbc(const std::vector<std::uint8_t>& key, const std::string& plain, bool pad);

struct ToolRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the tool on `backup` and `output` with `stdinText` as its standard input.
ToolRun runTool(const std::vector<std::string>& arguments, const std::string& stdinText);

} // namespace decrypttest
