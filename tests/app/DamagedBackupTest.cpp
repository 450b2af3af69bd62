// A damaged backup folder beside the good ones: the application starts, and its backup page
// lists every good backup and shows the damaged folder greyed out, never to be chosen.
#include "GuiTestSupport.h"
#include "app/Application.h"
#include "app/CItunesBackupVrtWnd.h"
#include "app/CMainWnd.h"
#include "app/Texts.h"
#include "fixtures/backup/InfoPlistWriter.h"
#include "platform/File.h"

#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>

using namespace app;
using namespace apptest;

class DamagedBackupTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void backupPageShowsTheDamagedFolderGreyedOut();
    void applicationStartsAndStaysUp();

private:
    std::unique_ptr<AppTestEnvironment> m_env;
    QString m_damaged;
};

void DamagedBackupTest::init()
{
    m_env = std::make_unique<AppTestEnvironment>();
    // A binary Info.plist whose device name holds a NUL inside a UTF-16 string.
    m_damaged = QFileInfo(m_env->backupFolder(kNewestName)).path() + QStringLiteral("/damaged");
    QVERIFY(QDir().mkpath(m_damaged));
    QVERIFY(platform::writeWholeFile(toUtf8(m_damaged + QStringLiteral("/Info.plist")),
                                     fixtures::infoPlistBinaryWithNul({})) == 0);
}

void DamagedBackupTest::cleanup()
{
    m_env.reset();
}

void DamagedBackupTest::backupPageShowsTheDamagedFolderGreyedOut()
{
    applySkin();
    catalogue::BackupEngine engine(m_env->engineOptions());
    CMainWnd window(engine);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    auto* list = control<QTreeWidget>(&window, "BackupFileList");
    QCOMPARE(list->topLevelItemCount(), 5);
    const QStringList good = {QLatin1String(kNewestName),
                              QLatin1String(kMiddleName),
                              QLatin1String(kOldestName),
                              QLatin1String(kLockedName)};
    for (int row = 0; row < good.size(); ++row) {
        QCOMPARE(list->topLevelItem(row)->text(0), good[row]);
        QVERIFY(list->topLevelItem(row)->flags() & Qt::ItemIsSelectable);
    }
    QTreeWidgetItem* damaged = list->topLevelItem(4);
    QCOMPARE(damaged->text(0), QStringLiteral("damaged"));
    QCOMPARE(damaged->text(1), QStringLiteral("damaged Info.plist"));
    QVERIFY(damaged->toolTip(0).startsWith(m_damaged));
    QVERIFY(!(damaged->flags() & (Qt::ItemIsSelectable | Qt::ItemIsEnabled)));
    QCOMPARE(list->currentItem(), list->topLevelItem(0));
    saveScreenshot(&window, QStringLiteral("damaged-backup-list"));

    // A click does not select the damaged row, so Next still takes the newest backup.
    const QPoint onDamaged = list->visualItemRect(damaged).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onDamaged);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onDamaged);
    QCOMPARE(list->currentItem(), list->topLevelItem(0));
    QCOMPARE(control<QStackedWidget>(&window, "TabPage")->currentIndex(), 0);
    QTest::mouseClick(control<QPushButton>(&window, "BtnNext1"), Qt::LeftButton);
    QCOMPARE(window.scanSource().displayName, std::string(kNewestName));
}

void DamagedBackupTest::applicationStartsAndStaysUp()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("BRENVALE_APPDATA"), m_env->appDataFolder());
    const QString name =
        QStringLiteral("brenvale-damaged-%1").arg(QCoreApplication::applicationPid());
    environment.insert(QStringLiteral("BRENVALE_INSTANCE_NAME"), name);
    QProcess application;
    application.setProcessEnvironment(environment);
    application.start(QStringLiteral(BRENVALE_BIN_DIR "/brenvale"), {});
    QVERIFY(application.waitForStarted());
    // Its server listens before the window is built, and answers a request to come forward
    // only from the event loop, once the window (backup list included) stands.
    QLocalSocket socket;
    const auto connected = [&socket, &name] {
        socket.abort();
        socket.connectToServer(name);
        return socket.waitForConnected(200);
    };
    QTRY_VERIFY_WITH_TIMEOUT(connected(), 20000);
    socket.write("raise\n");
    QVERIFY(socket.waitForReadyRead(20000));
    QTRY_VERIFY_WITH_TIMEOUT(socket.canReadLine(), 5000);
    QCOMPARE(socket.readLine(), QByteArray("ok\n"));
    QCOMPARE(application.state(), QProcess::Running);
    application.terminate();
    QVERIFY(application.waitForFinished(10000));
}

QTEST_MAIN(DamagedBackupTest)
#include "DamagedBackupTest.moc"
