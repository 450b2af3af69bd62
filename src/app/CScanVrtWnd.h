// The scan page: starts the scan, shows its progress in the header's scan tool bar and the
// found items per category in the tree, pauses it by holding the scan's lock, stops it after
// a question, and switches the tool bars when it ends.
#pragma once

#include "app/ScanSession.h"

#include <memory>
#include <mutex>

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QSettings;
class QSplitter;
class QPushButton;
class QTreeWidgetItem;

namespace Ui {
class MainWnd;
class PageScan;
} // namespace Ui

namespace app {

class BusyIndicator;
class CPreviewPanel;
class ResultsView;

class CScanVrtWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CScanVrtWnd(QWidget* parent = nullptr);
    ~CScanVrtWnd() override;

    // Takes the scan tool bars from the main window's header `header` and applies the texts.
    void Init(Ui::MainWnd& header);

    // Applies the section "PageScan" (all but LblStatistics) and the state texts.
    void ApplyLanguage();

    // The scan this page drives; it outlives the page's use of it. A pause in progress on the
    // previous session is released first.
    void setSession(ScanSession* session);

    // Resets the page and starts a scan. Returns the session's status (0 started).
    [[nodiscard]] int StartScan(const catalogue::BackupInfo& backup,
                                const std::string& password,
                                extract::CategorySet categories);

    // The first progress arrived: the waiting panel gives way to the progress bar.
    void OnFirstProgress();

    // Re-reads progress and counts (WM_SCAN_REFRESH and the refresh timer).
    void OnRefresh();

    // The scan ended (WM_SCAN_DONE): switch the tool bars and show the results.
    void OnScanDone();

    // The scan ended on a wrong password before it showed anything: back to idle.
    void OnWrongPassword();

    // Pauses or resumes the scan (BtnScanPause).
    void TogglePause();

    // Asks whether to stop the scan and stops it on OK (BtnScanStop).
    void Stop();

    // Whether the window may close: without a scan or results at once; otherwise after the
    // user confirms, stopping a running scan first.
    bool ConfirmClose();

    bool isScanning() const { return m_scanning; }

    bool isPaused() const { return m_paused; }

    bool hasResults() const { return m_hasResults; }

    // The tree item of `category`.
    QTreeWidgetItem* nodeOf(extract::RecoveryCategory category) const
    {
        return m_nodes[static_cast<std::size_t>(category)];
    }

    // The results shown after the scan and the preview panel.
    ResultsView& results() const { return *m_results; }

    CPreviewPanel* preview() const { return m_preview; }

    // BtnHome: with results on screen asks MSG0510 first; then clears them and asks the
    // window to go back to the backup page.
    void OnHome();

    // BtnRecovery: asks for a folder and recovers the ticked records into it.
    void OnRecovery();

    // Recovers the ticked records into `folder` in the recovery window. Returns its close
    // code: 1 finished, 2 cancelled or not started.
    int StartRecovery(const QString& folder);

    // BtnPrint: prints the ticked records of the category shown.
    void OnPrint();

    // Remembers the divider between the list and the preview in `store` / takes it back.
    void saveLayout(QSettings& store) const;
    void restoreLayout(const QSettings& store);

    // The divider between the record list and the preview panel.
    QSplitter* listSplitter() const { return m_listRow; }

signals:
    // BtnHome: the user wants to go back to the backup page.
    void homeRequested();

private:
    // Shows the nodes of the chosen categories, and a group while one of its nodes is shown.
    void showChosenNodes();
    // Lets the keyboard reach the tree and the switches and orders Tab along the page.
    void setKeyboardOrder(QWidget* search, QWidget* print);
    void buildTree();
    void holdLock();
    void releaseLock();
    // Tells the user, after a scan, which categories hold less than the backup does because
    // their database is damaged, and where.
    void reportDamage();
    void setPauseText();
    // Gives the page's buttons and the scan tool bar's mnemonics.
    void assignScanMnemonics();
    void setAnimation(bool running);
    void refreshStatistics(const extract::CategoryCounts& counts);
    void checkRecoveryButton(const extract::CategoryCounts& counts);

    std::unique_ptr<Ui::PageScan> m_ui;
    ScanSession* m_session = nullptr;
    // Held while the scan is paused or a question about it is open.
    std::unique_lock<std::mutex> m_pauseLock;
    QTimer m_refreshTimer;
    QWidget* m_scanToolBar = nullptr;
    QWidget* m_recoveryToolBar = nullptr;
    QWidget* m_horLayoutMain = nullptr;
    QWidget* m_horLayoutScan = nullptr;
    BusyIndicator* m_scanAnimation = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_percent = nullptr;
    QLabel* m_waitDesc = nullptr;
    QLabel* m_scanType = nullptr;
    QLabel* m_remark = nullptr;
    QPushButton* m_pauseButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    std::array<QTreeWidgetItem*, extract::kCategoryCount> m_nodes{};
    CPreviewPanel* m_preview = nullptr;
    QSplitter* m_listRow = nullptr;
    std::unique_ptr<ResultsView> m_results;
    extract::CategorySet m_selection;
    extract::CategoryCounts m_counts{};
    bool m_scanning = false;
    bool m_paused = false;
    bool m_hasResults = false;
};

} // namespace app
