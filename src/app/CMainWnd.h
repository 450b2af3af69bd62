// The main window: the header with its tool bars and window buttons, the step bar over the
// backup and category pages, the scan page, the assist menu, the custom messages that pages
// and the scan post to it, and the confirmation on close.
#pragma once

#include "catalogue/BackupInfo.h"

#include <memory>

#include <QWidget>

class QMenu;
class QSizeGrip;

namespace Ui {
class MainWnd;
}

namespace catalogue {
class BackupEngine;
}

namespace app {

class CItunesBackupVrtWnd;
class CScanVrtWnd;
class ScanSession;
class CSpecifyFileVrtWnd;

class CMainWnd : public QWidget
{
    Q_OBJECT

public:
    // The window over `engine`, which outlives it; its scans run on `engine`.
    explicit CMainWnd(catalogue::BackupEngine& engine, QWidget* parent = nullptr);
    // Stops a running scan and waits for its thread before the pages go.
    ~CMainWnd() override;

    // Brings the window to the front, restoring it when minimised.
    void bringToFront();

    // The backup the next scan reads.
    const catalogue::BackupInfo& scanSource() const { return m_scanSource; }

    CItunesBackupVrtWnd* backupPage() const { return m_backupPage; }

    CSpecifyFileVrtWnd* specifyPage() const { return m_specifyPage; }

    CScanVrtWnd* scanPage() const { return m_scanPage; }

    // The scan, its results and its source.
    ScanSession& scanSession() const { return *m_session; }

    QMenu* assistMenu() const { return m_assistMenu; }

    // Remembers the window's size and position (its normal ones when maximised, and whether it
    // is) and the scan page's layout in the layout file.
    void saveLayout() const;

    // Takes back what saveLayout remembered; the window keeps its size and place when nothing
    // was remembered. The first show does it.
    void restoreLayout();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Init();
    void ApplyLanguage();
    void buildAssistMenu();
    void buildLanguageMenu();
    void OnBackupChosen(const catalogue::BackupInfo& backup);
    void OnStep(int step);
    void OnHome();
    void HandleMessage(int message, int param);
    void updateWindowButtons();
    // Gives the buttons of the backup and category pages mnemonics.
    void assignPageMnemonics();

    std::unique_ptr<Ui::MainWnd> m_ui;
    catalogue::BackupEngine& m_engine;
    std::unique_ptr<ScanSession> m_session;
    CItunesBackupVrtWnd* m_backupPage = nullptr;
    CSpecifyFileVrtWnd* m_specifyPage = nullptr;
    CScanVrtWnd* m_scanPage = nullptr;
    QMenu* m_assistMenu = nullptr;
    QMenu* m_languageMenu = nullptr;
    // The frameless window's handle for resizing it by its bottom-right corner.
    QSizeGrip* m_sizeGrip = nullptr;
    bool m_layoutRestored = false;
    catalogue::BackupInfo m_scanSource;
};

} // namespace app
