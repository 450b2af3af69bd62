// Step 1, the backup page: the backups found on this computer, newest first, with a lock on
// the encrypted ones and, greyed out at the end, folders whose Info.plist is damaged; Next takes
// the selected one, and a folder chooser opens a backup kept elsewhere, asking to try again
// while the folder chosen is not a readable backup.
#pragma once

#include "catalogue/BackupInfo.h"

#include <functional>
#include <memory>
#include <vector>

#include <QWidget>

namespace Ui {
class PageItunesBackup;
}

namespace app {

class CItunesBackupVrtWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CItunesBackupVrtWnd(QWidget* parent = nullptr);
    ~CItunesBackupVrtWnd() override;

    // Applies the section "PageItunesBackup" and fills the list with `backups` (already
    // sorted newest first), selecting the first readable one. A damaged record shows its
    // folder's name and its damage, and cannot be selected.
    void Init(const std::vector<catalogue::BackupInfo>& backups);

    // Applies the texts again after a language change.
    void ApplyLanguage();

    // The backups shown, in row order.
    const std::vector<catalogue::BackupInfo>& backups() const { return m_backups; }

    // Replaces the folder chooser (tests answer it themselves). It returns the chosen folder,
    // or an empty text when cancelled.
    void setFolderChooser(std::function<QString(QWidget* owner)> chooser);

signals:
    // A backup was chosen, from the list or from a folder.
    void backupChosen(const catalogue::BackupInfo& backup);

private:
    void OnNext();
    void OnSelectFolder();

    std::unique_ptr<Ui::PageItunesBackup> m_ui;
    std::vector<catalogue::BackupInfo> m_backups;
    std::function<QString(QWidget*)> m_chooseFolder;
};

} // namespace app
