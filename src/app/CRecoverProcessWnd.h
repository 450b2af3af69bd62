// The recovery window: runs the recovery run over the ticked records into the chosen folder on
// its worker, shows the progress, the current file, the counts and a detail list (failures on
// top in red), and cancels only after asking, with the run paused while the question is open.
#pragma once

#include "app/CPopUpWnd.h"
#include "export/RecoveryRun.h"

#include <memory>
#include <mutex>
#include <vector>

#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace app {

class CRecoverProcessWnd : public CPopUpWnd, public exporting::RecoveryObserver
{
    Q_OBJECT

public:
    // A window for a run over `inputs` (their template folder, results, statistics and source
    // outlive the window).
    CRecoverProcessWnd(QWidget* owner, exporting::RecoveryRunInputs inputs);
    // Cancels a run still going and joins its worker.
    ~CRecoverProcessWnd() override;

    // Loads the templates (an error box with MSG1104 and 2 when one is missing), starts the
    // worker and runs the window modally. Returns 1 finished, 2 cancelled or not started.
    int run();

    // The run's counters, for the caller and tests.
    const exporting::RecoveryRun& recovery() const { return *m_run; }

    // Asks the folder to save into (a chooser titled MSG0509); empty when cancelled.
    static QString chooseFolder(QWidget* owner);

protected:
    // The close buttons and Escape run the cancel procedure.
    void done(int result) override;

private:
    void itemFinished(const std::string& path,
                      int status,
                      std::uint64_t processed,
                      std::uint64_t failed,
                      std::uint64_t total) override;
    void progress(int percent, const std::string& path) override;
    // Shows the reports collected since the last call: new detail rows, counts and progress.
    void showReports();
    void showProgress(int percent, const QString& path);
    void onFinished();
    void toggleDetails();
    void cancelProcedure();

    exporting::RecoveryRunInputs m_inputs;
    std::unique_ptr<exporting::RecoveryRun> m_run;
    QLabel* m_current = nullptr;
    QLabel* m_recovered = nullptr;
    QLabel* m_percent = nullptr;
    QProgressBar* m_progress = nullptr;
    QTreeWidget* m_details = nullptr;
    QWidget* m_guide = nullptr;
    QPushButton* m_finish = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer m_poll;

    // What the worker reported, waiting for the window's timer.
    struct FinishedItem
    {
        QString path;
        int status = 0;
    };

    struct Report
    {
        std::uint64_t processed = 0;
        std::uint64_t failed = 0;
        std::uint64_t total = 0;
        int percent = 0;
        QString path;
        bool counted = false;
    };

    std::mutex m_reportLock;
    std::vector<FinishedItem> m_pending;
    Report m_report;
    bool m_finished = false;
    bool m_cancelling = false;
};

} // namespace app
