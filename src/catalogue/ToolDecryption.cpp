// Running the decryption tool and following its output.
#include "ToolDecryption.h"

#include "catalogue/Folders.h"
#include "platform/Executable.h"
#include "platform/File.h"
#include "platform/Process.h"
#include "platform/Status.h"

namespace catalogue {

namespace {

// How long one pass of the loop waits for the tool to end or to print.
constexpr int kPollMilliseconds = 5;
// Passes that still read output after the tool has ended.
constexpr int kDrainPasses = 100;
constexpr std::size_t kChunkBytes = 4096;
// How long to wait for the tool's exit status once its output has ended.
constexpr int kExitWaitMilliseconds = 2000;
// The tool's exit status when it decrypted nothing (damaged or missing backup files).
constexpr int kToolExitNothingDecrypted = 2;

std::int64_t leadingNumber(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        if (value > (INT64_MAX - 9) / 10) {
            break;
        }
        value = value * 10 + (text[at] - '0');
    }
    return value;
}

// Follows the tool's output and turns it into progress; owns the carry-over of a line that
// has not ended yet, so that a marker split between two reads is still seen.
class ToolWatcher
{
public:
    ToolWatcher(BackupEngine& engine, std::size_t fileCount)
        : m_engine(engine)
        , m_fileCount(fileCount == 0 ? 1 : fileCount)
    {}

    // Takes the bytes read; returns a non-zero status when the run must end with it.
    int take(const std::string& bytes, bool final)
    {
        m_pending += bytes;
        const std::size_t lineEnd = final ? m_pending.size() : m_pending.rfind('\n');
        if (lineEnd == std::string::npos || lineEnd == 0) {
            return platform::kStatusOk;
        }
        const std::string lines = m_pending.substr(0, lineEnd);
        m_pending.erase(0, lineEnd);
        const ToolOutput output = parseToolOutput(lines);
        if (output.wrongPassword) {
            return platform::kStatusWrongPassword;
        }
        if (!output.hasCount) {
            return platform::kStatusOk;
        }
        if (m_engine.progress() == 0) {
            m_engine.setProgress(1);
            if (const int answer = m_engine.reportProgress(1); answer != 0) {
                return answer;
            }
        }
        const std::int64_t share =
            static_cast<std::int64_t>(m_engine.progressStep()) *
            std::min<std::int64_t>(output.count, static_cast<std::int64_t>(m_fileCount)) /
            static_cast<std::int64_t>(m_fileCount);
        return m_engine.reportProgress(m_engine.progress() + static_cast<int>(share));
    }

private:
    BackupEngine& m_engine;
    std::size_t m_fileCount;
    std::string m_pending;
};

int followTool(platform::Process& tool, ToolWatcher& watcher)
{
    int drain = kDrainPasses;
    for (;;) {
        if (!tool.running() || tool.waitForExit(kPollMilliseconds)) {
            if (--drain < 0) {
                return watcher.take({}, true);
            }
        }
        if (!tool.waitReadable(tool.running() ? 0 : kPollMilliseconds)) {
            continue;
        }
        std::string chunk;
        bool ended = false;
        if (tool.readAvailable(platform::ProcessStream::Output, chunk, kChunkBytes, ended) !=
            platform::kStatusOk) {
            return watcher.take({}, true);
        }
        if (const int status = watcher.take(chunk, ended); status != platform::kStatusOk) {
            return status;
        }
        if (ended) {
            return platform::kStatusOk;
        }
    }
}

} // namespace

ToolOutput parseToolOutput(std::string_view text)
{
    ToolOutput output;
    output.wrongPassword = text.find("Wrong password") != std::string_view::npos;
    const std::size_t count = text.rfind("Count:");
    if (count != std::string_view::npos) {
        output.hasCount = true;
        output.count = leadingNumber(text.substr(count + 6));
    }
    return output;
}

int runDecryptTool(BackupEngine& engine,
                   const std::string& toolPath,
                   const std::string& password,
                   const std::string& backupFolder,
                   std::string& outputFolder)
{
    if (engine.tempFolder().empty()) {
        return platform::kStatusInvalid;
    }
    outputFolder = platform::joinPath(engine.tempFolder(), std::string(kDecryptOutputFolderName));
    if (platform::createPrivateFolder(outputFolder) != platform::kStatusOk) {
        return platform::kStatusInvalid;
    }
    platform::Process tool;
    if (tool.start(toolPath, {backupFolder, outputFolder}, true) != platform::kStatusOk) {
        return platform::kStatusInvalid;
    }
    // The password travels on the tool's standard input: on its command line every local
    // user could read it in the process list.
    (void)tool.writeInput(password + "\n");
    tool.closeInput();

    ToolWatcher watcher(engine, engine.backupFiles().size());
    int status = followTool(tool, watcher);
    if (status != platform::kStatusOk && tool.running()) {
        // A stopped or refused run must not go on writing decrypted data behind our back.
        (void)tool.kill();
    } else if (status == platform::kStatusOk && tool.waitForExit(kExitWaitMilliseconds) &&
               tool.exitCode() == kToolExitNothingDecrypted) {
        // The tool could not read the backup at all (no keybag, no manifest): nothing to open.
        status = platform::kStatusInvalid;
    }
    engine.reportProgress(engine.progress() + engine.progressStep());
    return status;
}

DecryptFunction toolDecryptor(std::string toolPath)
{
    return [toolPath = std::move(toolPath)](BackupEngine& engine,
                                            const std::string& password,
                                            const std::string& backupFolder,
                                            std::string& outputFolder) {
        return runDecryptTool(engine, toolPath, password, backupFolder, outputFolder);
    };
}

std::string defaultDecryptToolPath()
{
    return platform::joinPath(platform::executableFolder(), kDecryptToolName);
}

} // namespace catalogue
