// Decryption of an encrypted backup by the separate executable "tool": it is started with the
// backup folder and an output folder, receives the password on its standard input, writes the
// decrypted files flat into the output folder and prints "Count:" lines as it goes, or
// "Wrong password". This file runs it and turns its output into the engine's progress.
#pragma once

#include "catalogue/BackupEngine.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace catalogue {

// The tool's file name, looked up in the folder of the running executable.
inline constexpr const char* kDecryptToolName = "tool";

// What one piece of the tool's output says.
struct ToolOutput
{
    bool wrongPassword = false;
    bool hasCount = false;
    // The files done, from the last "Count:" of the piece (blanks after the colon skipped).
    std::int64_t count = 0;
};

// Reads the markers out of `text`, a piece of the tool's output made of whole lines.
ToolOutput parseToolOutput(std::string_view text);

// Runs the tool at `toolPath` on `backupFolder` with `password`, into the decryption output
// folder under the engine's temporary folder (created readable by the owner alone), whose
// path is put in `outputFolder` as soon as it is known. Progress goes through the engine: 1 at
// the first count, then progress + progressStep × count / files (files = the engine's
// backupFiles; none counts as one), and progress + progressStep at the end. Returns 0 when the
// tool ended without a wrong-password report; -110 for a wrong password; the callback's
// non-zero answer when it asked to stop (the tool is then ended); 87 when the tool cannot be
// started, no output folder can be made, or the tool could not read the backup at all.
[[nodiscard]] int runDecryptTool(BackupEngine& engine,
                                 const std::string& toolPath,
                                 const std::string& password,
                                 const std::string& backupFolder,
                                 std::string& outputFolder);

// A decryption step for BackupEngine::setDecryptor that runs the tool at `toolPath`.
DecryptFunction toolDecryptor(std::string toolPath);

// The tool beside the running executable.
std::string defaultDecryptToolPath();

} // namespace catalogue
