// Step 1, the backup page: the backups found on this computer, newest first, with a lock on
// the encrypted ones and, greyed out at the end, folders whose Info.plist is damaged; Next takes
// the selected one, and a folder chooser opens a backup or a folder of backups kept elsewhere
// (remembered for the next start), asking to try again while the folder chosen holds none.
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
    // or an empty text when cancelled. A chosen backup folder is taken at once; the backups of
    // a folder of backups (such as MobileSync/Backup or an idevicebackup2 target) join the list,
    // the newest of them selected. Either way the folder is remembered for later searches.
    void setFolderChooser(std::function<QString(QWidget* owner)> chooser);

signals:
    // A backup was chosen, from the list or from a folder.
    void backupChosen(const catalogue::BackupInfo& backup);

private:
    void OnNext();
    void OnSelectFolder();
    // Takes the backup `folder`, or adds the backups it holds to the list. Returns false when
    // it holds no readable backup.
    bool OpenFolder(const std::string& folder);
    // Fills the list from m_backups and selects the row of `selected`, else the first
    // readable one.
    void FillList(const std::string& selected);

    std::unique_ptr<Ui::PageItunesBackup> m_ui;
    std::vector<catalogue::BackupInfo> m_backups;
    std::function<QString(QWidget*)> m_chooseFolder;
};

} // namespace app
