// The backup page.
#include "app/CItunesBackupVrtWnd.h"

#include "app/CMessageBox.h"
#include "app/Texts.h"
#include "catalogue/BackupDiscovery.h"
#include "catalogue/Folders.h"
#include "ui_PageItunesBackup.h"

#include <algorithm>

#include <QFileDialog>
#include <QHeaderView>
#include <QIcon>

namespace app {

namespace {

constexpr int kQuestionWidth = 550;
constexpr int kQuestionHeight = 200;

QString chooseFolderWithDialog(QWidget* owner)
{
    return QFileDialog::getExistingDirectory(
        owner,
        QStringLiteral("Select the iTunes Backup File from other folder to recover your data."),
        QString(),
        QFileDialog::ShowDirsOnly);
}

// Fills `row` for a backup folder that cannot be opened: the folder's name and what is
// damaged, greyed out and not selectable, so that it is seen but never chosen.
void showDamaged(QTreeWidgetItem& row, const catalogue::BackupInfo& backup, const QIcon& icon)
{
    const QString folder = fromUtf8(backup.folderPath);
    row.setIcon(0, icon);
    row.setText(0, folder.section(QLatin1Char('/'), -1));
    row.setText(1, fromUtf8(backup.damage));
    row.setToolTip(0, folder + QStringLiteral(": ") + fromUtf8(backup.damage));
    row.setFlags(Qt::NoItemFlags);
}

} // namespace

CItunesBackupVrtWnd::CItunesBackupVrtWnd(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::PageItunesBackup>())
    , m_chooseFolder(chooseFolderWithDialog)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    QHeaderView* header = m_ui->BackupFileList->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    setTabOrder(m_ui->BackupFileList, m_ui->BtnSelDir);
    setTabOrder(m_ui->BtnSelDir, m_ui->BtnNext1);
    connect(m_ui->BtnNext1, &QPushButton::clicked, this, &CItunesBackupVrtWnd::OnNext);
    connect(m_ui->BtnSelDir, &QPushButton::clicked, this, &CItunesBackupVrtWnd::OnSelectFolder);
    // A double click reaches a greyed-out row too; it must not take the current one instead.
    connect(m_ui->BackupFileList,
            &QTreeWidget::itemDoubleClicked,
            this,
            [this](const QTreeWidgetItem* row) {
                if (row->flags() & Qt::ItemIsEnabled) {
                    OnNext();
                }
            });
}

CItunesBackupVrtWnd::~CItunesBackupVrtWnd() = default;

void CItunesBackupVrtWnd::Init(const std::vector<catalogue::BackupInfo>& backups)
{
    ApplyLanguage();
    m_backups = backups;
    FillList({});
}

void CItunesBackupVrtWnd::FillList(const std::string& selected)
{
    QTreeWidget* list = m_ui->BackupFileList;
    list->clear();
    const QIcon lock(QStringLiteral(":/icons/lock.svg"));
    const QIcon phone(QStringLiteral(":/icons/phone.svg"));
    const QIcon warning(QStringLiteral(":/icons/warning.svg"));
    QTreeWidgetItem* current = nullptr;
    for (std::size_t i = 0; i < m_backups.size(); ++i) {
        const catalogue::BackupInfo& backup = m_backups[i];
        auto* row = new QTreeWidgetItem(list);
        row->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
        if (!backup.damage.empty()) {
            showDamaged(*row, backup, warning);
            continue;
        }
        row->setIcon(0, backup.isEncrypted ? lock : phone);
        row->setText(0, fromUtf8(backup.displayName));
        row->setText(1, fromUtf8(backup.lastBackupDate));
        row->setText(2, fromUtf8(backup.serialNumber));
        row->setToolTip(0, fromUtf8(backup.folderPath));
        if (current == nullptr || backup.folderPath == selected) {
            current = row;
        }
    }
    if (current != nullptr) {
        list->setCurrentItem(current);
    }
}

void CItunesBackupVrtWnd::ApplyLanguage()
{
    applyTexts(this, "PageItunesBackup");
    QTreeWidgetItem* header = m_ui->BackupFileList->headerItem();
    header->setText(0, languageText("PageItunesBackup", "ColName"));
    header->setText(1, languageText("PageItunesBackup", "ColLastBackupDate"));
    header->setText(2, languageText("PageItunesBackup", "ColSerialNumber"));
}

void CItunesBackupVrtWnd::setFolderChooser(std::function<QString(QWidget*)> chooser)
{
    m_chooseFolder = std::move(chooser);
}

void CItunesBackupVrtWnd::OnNext()
{
    const QTreeWidgetItem* row = m_ui->BackupFileList->currentItem();
    if (row == nullptr) {
        return;
    }
    const auto index = row->data(0, Qt::UserRole).toULongLong();
    if (index < m_backups.size() && m_backups[index].damage.empty()) {
        emit backupChosen(m_backups[index]);
    }
}

void CItunesBackupVrtWnd::OnSelectFolder()
{
    for (;;) {
        const QString folder = m_chooseFolder(window());
        if (folder.isEmpty()) {
            return;
        }
        if (OpenFolder(toUtf8(folder))) {
            return;
        }
        const QString title = QStringLiteral("Question");
        const QString text =
            QStringLiteral("Can not found the backup file, do you want to try again?");
        if (showMessageBox(kBoxQuestion, window(), text, kQuestionWidth, kQuestionHeight, title) !=
            kCloseOk) {
            return;
        }
    }
}

bool CItunesBackupVrtWnd::OpenFolder(const std::string& folder)
{
    catalogue::BackupInfo backup;
    if (catalogue::readBackupInfo(folder, backup) == 0) {
        (void)catalogue::rememberRoot(backup.folderPath);
        emit backupChosen(backup);
        return true;
    }
    std::vector<std::string> folders;
    std::vector<catalogue::BackupInfo> found;
    if (catalogue::findBackupFolders({folder}, folders) != 0 ||
        catalogue::readBackupList(folders, found) != 0) {
        return false;
    }
    const auto newest = std::find_if(
        found.begin(), found.end(), [](const auto& info) { return info.damage.empty(); });
    if (newest == found.end()) {
        return false;
    }
    (void)catalogue::rememberRoot(folder);
    const std::string selected = newest->folderPath;
    for (catalogue::BackupInfo& info : found) {
        const bool listed =
            std::any_of(m_backups.begin(), m_backups.end(), [&](const catalogue::BackupInfo& old) {
                return old.folderPath == info.folderPath;
            });
        if (!listed) {
            m_backups.push_back(std::move(info));
        }
    }
    catalogue::sortBackupList(m_backups);
    FillList(selected);
    return true;
}

} // namespace app
