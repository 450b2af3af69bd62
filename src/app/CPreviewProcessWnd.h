// The preview-loading window: copies a large media file to its preview file on a worker
// thread with a progress bar, and asks before it cancels the copy.
#pragma once

#include "app/CPopUpWnd.h"
#include "extract/IPhoneRecoveryParse.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

class QLabel;
class QProgressBar;

namespace app {

class CPreviewProcessWnd : public CPopUpWnd
{
    Q_OBJECT

public:
    // A window that copies `source` (a path inside the backup, shown by `name`) through
    // `recovery`'s preview copy.
    CPreviewProcessWnd(QWidget* owner,
                       extract::IPhoneRecoveryParse& recovery,
                       std::string source,
                       const QString& name);
    // Cancels and joins a copy still running.
    ~CPreviewProcessWnd() override;

    // Runs the copy with the window shown; returns 1 when it ended (see status()), 2 when the
    // user cancelled it.
    int run();

    // The copy's status and the preview file it wrote.
    int status() const { return m_status; }

    const std::string& previewPath() const { return m_previewPath; }

protected:
    // The close buttons and Escape ask before they cancel a copy still running.
    void done(int result) override;

private:
    static int progressCallback(void* userData, int percent);
    int onProgress(int percent);
    void askCancel();

    extract::IPhoneRecoveryParse& m_recovery;
    std::string m_source;
    std::string m_previewPath;
    QLabel* m_fileName = nullptr;
    QLabel* m_percent = nullptr;
    QProgressBar* m_progress = nullptr;
    std::mutex m_lock;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_ended{false};
    int m_status = 0;
    std::thread m_worker;
};

} // namespace app
