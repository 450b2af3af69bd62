// The backup page lists backups kept on a mounted disk and in folders opened before; a folder of
// backups opened there joins the list and is listed again at the next start; the page's buttons
// are reached by mnemonic and in page order.
#include "GuiTestSupport.h"
#include "app/Application.h"
#include "app/CItunesBackupVrtWnd.h"
#include "app/CMainWnd.h"
#include "app/Texts.h"
#include "catalogue/Folders.h"
#include "fixtures/backup/BackupWriter.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using namespace app;
using namespace apptest;

namespace {

void writeBackup(const QString& folder, const char* name, const char* date)
{
    fixtures::BackupDescription spec;
    spec.deviceName = name;
    spec.lastBackupDate = date;
    QVERIFY(fixtures::writeBackup(spec, toUtf8(folder)) == 0);
}

QStringList listedNames(const CMainWnd& window)
{
    QStringList names;
    for (const catalogue::BackupInfo& backup : window.backupPage()->backups()) {
        names << fromUtf8(backup.displayName);
    }
    return names;
}

} // namespace

class BackupDiscoveryTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listsMountedDisksAndRememberedFolders();
    void openedFolderOfBackupsJoinsTheListAndIsRemembered();
    void buttonsHaveMnemonicsAndPageOrder();

private:
    void startWindow();

    std::unique_ptr<AppTestEnvironment> m_env;
    std::unique_ptr<QTemporaryDir> m_elsewhere;
    std::unique_ptr<catalogue::BackupEngine> m_engine;
    std::unique_ptr<CMainWnd> m_window;
};

void BackupDiscoveryTest::init()
{
    m_env = std::make_unique<AppTestEnvironment>();
    m_elsewhere = std::make_unique<QTemporaryDir>();
    applySkin();
    writeBackup(m_env->mountRootFolder() +
                    QStringLiteral("/c/Users/bob/AppData/Roaming/Apple Computer/MobileSync/"
                                   "Backup/00008030-000A1B2C3D4E5F60"),
                "Mounted iPhone",
                "2016-01-01T00:00:00Z");
    writeBackup(m_elsewhere->path() + QStringLiteral("/kept/one"),
                "Remembered iPad",
                "2012-01-01T00:00:00Z");
    QCOMPARE(catalogue::rememberRoot(toUtf8(m_elsewhere->path() + QStringLiteral("/kept"))), 0);
    startWindow();
}

void BackupDiscoveryTest::startWindow()
{
    m_window.reset();
    m_engine.reset();
    m_engine = std::make_unique<catalogue::BackupEngine>(m_env->engineOptions());
    m_window = std::make_unique<CMainWnd>(*m_engine);
    m_window->resize(1000, 665);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void BackupDiscoveryTest::cleanup()
{
    m_window.reset();
    m_engine.reset();
    m_elsewhere.reset();
    m_env.reset();
}

void BackupDiscoveryTest::listsMountedDisksAndRememberedFolders()
{
    const QStringList names = listedNames(*m_window);
    QCOMPARE(names.size(), 6);
    QCOMPARE(names.front(), QStringLiteral("Mounted iPhone"));
    QCOMPARE(names.back(), QStringLiteral("Remembered iPad"));
    auto* list = control<QTreeWidget>(m_window.get(), "BackupFileList");
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("Mounted iPhone"));
    QCOMPARE(list->currentItem(), list->topLevelItem(0));
    saveScreenshot(m_window.get(), QStringLiteral("01-backup-list-discovered"));
}

void BackupDiscoveryTest::openedFolderOfBackupsJoinsTheListAndIsRemembered()
{
    // An idevicebackup2 target: backups named by device id.
    const QString target = m_elsewhere->path() + QStringLiteral("/target");
    writeBackup(target + QStringLiteral("/00008101-0001"), "Target Old", "2013-06-01T00:00:00Z");
    writeBackup(target + QStringLiteral("/00008101-0002"), "Target New", "2014-06-01T00:00:00Z");
    int asked = 0;
    m_window->backupPage()->setFolderChooser([&](QWidget*) {
        ++asked;
        return target;
    });
    QTest::mouseClick(control<QPushButton>(m_window.get(), "BtnSelDir"), Qt::LeftButton);
    QCOMPARE(asked, 1);
    // The page stays for the user to choose among them, the newest of them selected.
    QVERIFY(control<QRadioButton>(m_window.get(), "OptStep1")->isChecked());
    const QStringList names = listedNames(*m_window);
    QCOMPARE(names.size(), 8);
    QVERIFY(names.indexOf(QStringLiteral("Target New")) <
            names.indexOf(QStringLiteral("Target Old")));
    auto* list = control<QTreeWidget>(m_window.get(), "BackupFileList");
    QCOMPARE(list->currentItem()->text(0), QStringLiteral("Target New"));
    // Opening it again adds nothing twice.
    QTest::mouseClick(control<QPushButton>(m_window.get(), "BtnSelDir"), Qt::LeftButton);
    QCOMPARE(listedNames(*m_window).size(), 8);

    startWindow();
    QCOMPARE(listedNames(*m_window).size(), 8);
    QVERIFY(listedNames(*m_window).contains(QStringLiteral("Target Old")));
}

void BackupDiscoveryTest::buttonsHaveMnemonicsAndPageOrder()
{
    auto* list = control<QTreeWidget>(m_window.get(), "BackupFileList");
    auto* open = control<QPushButton>(m_window.get(), "BtnSelDir");
    auto* next = control<QPushButton>(m_window.get(), "BtnNext1");
    int asked = 0;
    m_window->backupPage()->setFolderChooser([&](QWidget*) {
        ++asked;
        return QString();
    });
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    list->setFocus();
    for (QWidget* expected : {static_cast<QWidget*>(open), static_cast<QWidget*>(next)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
    // A button's mnemonic clicks it after a short animation.
    QTest::keySequence(QApplication::focusWidget(), QKeySequence::mnemonic(open->text()));
    QTRY_COMPARE(asked, 1);
    QTest::keySequence(QApplication::focusWidget(), QKeySequence::mnemonic(next->text()));
    QTRY_VERIFY(control<QRadioButton>(m_window.get(), "OptStep2")->isChecked());
    QCOMPARE(m_window->scanSource().displayName, std::string("Mounted iPhone"));
}

QTEST_MAIN(BackupDiscoveryTest)
#include "BackupDiscoveryTest.moc"
