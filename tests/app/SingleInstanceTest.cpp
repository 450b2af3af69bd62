// The single instance: a second start of brenvale asks the first to come forward and exits 0;
// a name whose owner does not answer leads to the "running" notice.
#include "app/SingleInstance.h"

#include "GuiTestSupport.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

using namespace app;
using namespace apptest;

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void secondInstanceExitsZero();
    void claimRoles();
};

void SingleInstanceTest::secondInstanceExitsZero()
{
    AppTestEnvironment env;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("BRENVALE_APPDATA"), env.appDataFolder());
    const QString name = QStringLiteral("brenvale-test-%1").arg(QCoreApplication::applicationPid());
    environment.insert(QStringLiteral("BRENVALE_INSTANCE_NAME"), name);
    const QString program = QStringLiteral(BRENVALE_BIN_DIR "/brenvale");

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(program, {});
    QVERIFY(first.waitForStarted());
    // The first instance is up once its server answers.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&name] {
            SingleInstance probe(name);
            QLocalSocket socket;
            socket.connectToServer(name);
            return socket.waitForConnected(200);
        }(),
        20000);

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(program, {});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
}

void SingleInstanceTest::claimRoles()
{
    const QString name =
        QStringLiteral("brenvale-roles-%1").arg(QCoreApplication::applicationPid());
    SingleInstance primary(name);
    QCOMPARE(primary.claim(), SingleInstance::Primary);
    int raised = 0;
    connect(&primary, &SingleInstance::raiseRequested, this, [&raised] { ++raised; });

    // The claim of a second one blocks this thread, so the first answers from another.
    QLocalServer silent;
    const QString silentName = name + QStringLiteral("-silent");
    QVERIFY(silent.listen(silentName));
    SingleInstance late(silentName);
    QCOMPARE(late.claim(), SingleInstance::OtherSilent);
    QCOMPARE(raised, 0);
}

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
