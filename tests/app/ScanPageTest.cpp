// Scans driven from the category page: a plain backup to the end with the counts in the tree,
// pause and stop on a slow (encrypted) scan, the password loops after a wrong password, and the
// close request during a scan.
#include "GuiTestSupport.h"
#include "app/Application.h"
#include "app/CMainWnd.h"
#include "app/CScanVrtWnd.h"
#include "app/ResultsView.h"
#include "app/Texts.h"
#include "catalogue/BackupFiles.h"
#include "export/CStatisticsObj.h"
#include "extract/ScanDriver.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>

using namespace app;
using namespace apptest;
using C = extract::RecoveryCategory;

class ScanPageTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void scanRunsFromNextToTheEnd();
    void pauseHoldsTheScanAndResumeFinishesIt();
    void stopWithCancelResumesAndStopWithOkEnds();
    void stopWhilePausedAndCancelStaysPaused();
    void wrongPasswordSaysSoAndAsksAgain();
    void wrongPasswordThenGivingUpReturnsToTheSteps();
    void closeDuringAScanAsksFirst();
    void damagedDatabaseIsNamedAfterTheScan();

private:
    template <typename T> T* child(const char* name) { return control<T>(m_window.get(), name); }

    // Picks the backup named `name` and moves on to the category page.
    void chooseBackup(const char* name);
    // Clicks BtnNext2 and answers the password window with `password` when one is given.
    void startScan(const QString* password);
    // Waits until the scan page shows the scanning panel.
    void waitScanning();
    // Waits until the scan has ended and the tool bars have switched.
    void waitEnded();
    int percentShown();
    // The counts per category of the backup `name` as a scan outside the window finds them,
    // and whether that scan found deleted messages, contacts, calls, notes and chats.
    extract::CategoryCounts directCounts(const char* name, bool& deletedOfEach);

    std::unique_ptr<AppTestEnvironment> m_env;
    std::unique_ptr<catalogue::BackupEngine> m_engine;
    std::unique_ptr<CMainWnd> m_window;
};

void ScanPageTest::init()
{
    m_env = std::make_unique<AppTestEnvironment>();
    applySkin();
    m_engine = std::make_unique<catalogue::BackupEngine>(m_env->engineOptions());
    m_engine->setDecryptor(slowDecryptor(60, 25));
    m_window = std::make_unique<CMainWnd>(*m_engine);
    m_window->resize(1000, 665);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void ScanPageTest::cleanup()
{
    m_window.reset();
    m_engine.reset();
    m_env.reset();
}

void ScanPageTest::chooseBackup(const char* name)
{
    auto* list = child<QTreeWidget>("BackupFileList");
    const auto rows = list->findItems(QLatin1String(name), Qt::MatchExactly);
    QCOMPARE(rows.size(), 1);
    list->setCurrentItem(rows.front());
    QTest::mouseClick(child<QPushButton>("BtnNext1"), Qt::LeftButton);
    QCOMPARE(m_window->scanSource().displayName, std::string(name));
}

void ScanPageTest::startScan(const QString* password)
{
    if (password != nullptr) {
        const QString typed = *password;
        whenModal([typed](CPopUpWnd* window) {
            QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("EditPassword")), typed);
            clickButton(window, "BtnOK");
        });
    }
    QTest::mouseClick(child<QPushButton>("BtnNext2"), Qt::LeftButton);
}

void ScanPageTest::waitScanning()
{
    QTRY_COMPARE_WITH_TIMEOUT(child<QStackedWidget>("MainTabPage")->currentIndex(), 1, 10000);
    QVERIFY(child<QWidget>("ScanToolBar")->isVisible());
    QVERIFY(child<QWidget>("ProgressScan")->isVisible());
    QVERIFY(!child<QWidget>("LblWaitDesc")->isVisible());
}

void ScanPageTest::waitEnded()
{
    QTRY_VERIFY_WITH_TIMEOUT(child<QWidget>("ReocveryToolBar")->isVisible(), 20000);
    QVERIFY(!child<QWidget>("ScanToolBar")->isVisible());
    QVERIFY(child<QWidget>("DataListToolBar")->isVisible());
    QVERIFY(child<QPushButton>("BtnHome")->isEnabled());
    QVERIFY(!m_window->scanPage()->isScanning());
}

int ScanPageTest::percentShown()
{
    QString text = child<QLabel>("LblPercent")->text();
    text.chop(1);
    return text.toInt();
}

extract::CategoryCounts ScanPageTest::directCounts(const char* name, bool& deletedOfEach)
{
    struct Quiet : extract::ScanObserver
    {
        void scanMessage(extract::ScanMessage, std::int64_t) override {}
    } quiet;

    const catalogue::BackupInfo info = m_window->scanSource();
    if (info.displayName != name) {
        qFatal("the backup %s is not chosen", name);
    }
    catalogue::EngineOptions options;
    options.tempFolder = toUtf8(m_env->appDataFolder() + QStringLiteral("/direct"));
    catalogue::BackupEngine engine(options);
    extract::ScanDriver driver(engine, quiet);
    driver.setBackup(info);
    if (driver.StartScan(extract::kSourceLocalBackup) != 0) {
        qFatal("the direct scan did not start");
    }
    driver.wait();
    const extract::ScanResults& found = driver.results();
    const auto anyDeleted = [](const auto& records) {
        return std::any_of(
            records.begin(), records.end(), [](const auto& r) { return r.deleted != 0; });
    };
    bool deletedMessage = false;
    for (const auto& [handle, messages] : found.messages) {
        deletedMessage = deletedMessage || anyDeleted(messages);
    }
    bool deletedChat = false;
    for (const auto& [session, messages] : found.whatsApp) {
        deletedChat = deletedChat || anyDeleted(messages);
    }
    deletedOfEach = deletedMessage && deletedChat && anyDeleted(found.contacts) &&
                    anyDeleted(found.calls) && anyDeleted(found.notes);
    return extract::countResults(found);
}

void ScanPageTest::scanRunsFromNextToTheEnd()
{
    chooseBackup(kNewestName);
    bool deletedOfEach = false;
    const extract::CategoryCounts expected = directCounts(kNewestName, deletedOfEach);
    QVERIFY(deletedOfEach);
    startScan(nullptr);
    waitEnded();
    QCOMPARE(child<QStackedWidget>("MainTabPage")->currentIndex(), 1);
    CScanVrtWnd* page = m_window->scanPage();
    // The window's scan finds what a scan outside it finds, category by category, and the
    // device databases give every personal category and WhatsApp something.
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        QTreeWidgetItem* node = page->nodeOf(info.category);
        const std::size_t count = expected[static_cast<std::size_t>(info.category)];
        QVERIFY2(node->text(0).endsWith(QStringLiteral("(%1)").arg(count)),
                 qPrintable(node->text(0)));
        QCOMPARE(node->isDisabled(), count == 0);
    }
    for (C category : {C::CameraRoll,
                       C::AppPhotos,
                       C::Messages,
                       C::MessageAttachments,
                       C::Contacts,
                       C::CallHistory,
                       C::Notes,
                       C::WhatsApp,
                       C::WhatsAppAttachments}) {
        QVERIFY2(expected[static_cast<std::size_t>(category)] > 0,
                 extract::categoryInfo(category).cliName.data());
    }
    QCOMPARE(page->nodeOf(C::CameraRoll)->text(0), QStringLiteral("Camera Roll(7)"));
    // Messages count conversations and WhatsApp chats, not the messages in them.
    const extract::ScanResults& found = *page->results().results();
    std::size_t messageCount = 0;
    for (const auto& [conversation, messages] : found.messages) {
        messageCount += messages.size();
    }
    QVERIFY(found.messages.size() < messageCount);
    QVERIFY(page->nodeOf(C::Messages)
                ->text(0)
                .endsWith(QStringLiteral("(%1)").arg(found.messages.size())));
    QVERIFY(page->nodeOf(C::WhatsApp)
                ->text(0)
                .endsWith(QStringLiteral("(%1)").arg(found.whatsApp.size())));
    // The two groups, each with the nodes of the chosen categories, and an icon on every node.
    QCOMPARE(child<QTreeWidget>("NodeTree")->topLevelItemCount(), 2);
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        if (expected[static_cast<std::size_t>(info.category)] == 0) {
            QCOMPARE(page->nodeOf(info.category)->checkState(0), Qt::Unchecked);
        }
    }
    QCOMPARE(page->nodeOf(C::Notes)->checkState(0), Qt::Checked);
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        QVERIFY(!page->nodeOf(info.category)->isHidden());
        QVERIFY(!page->nodeOf(info.category)->icon(0).isNull());
    }
    QVERIFY(child<QPushButton>("BtnRecovery")->isEnabled());
    // Everything found is ticked: both sides of the statistics label agree.
    const exporting::CStatisticsObj& statistics = page->results().statistics();
    const QString size =
        fromUtf8(exporting::formatSize(static_cast<std::int64_t>(statistics.totalSize())));
    const QString count = QString::number(statistics.wholeScan().count);
    QVERIFY(statistics.wholeScan().count >=
            static_cast<std::int64_t>(expected[static_cast<std::size_t>(C::CameraRoll)]));
    QCOMPARE(child<QLabel>("LblStatistics")->text(),
             formatText(messageText("MSG0513"), {size, count, size, count}));
    saveScreenshot(m_window.get(), QStringLiteral("04-scan-ended"));

    // Home asks first: declined it stays, confirmed it goes back to the backup page.
    QString question;
    whenModal([&question](CPopUpWnd* box) {
        question = box->findChild<QLabel*>(QStringLiteral("message"))->text();
        clickButton(box, "cancelbtn");
    });
    QTest::mouseClick(child<QPushButton>("BtnHome"), Qt::LeftButton);
    QCOMPARE(question, messageText("MSG0510"));
    QCOMPARE(child<QStackedWidget>("MainTabPage")->currentIndex(), 1);
    QVERIFY(page->results().hasResults());
    whenModal([](CPopUpWnd* box) { clickButton(box, "okbtn"); });
    QTest::mouseClick(child<QPushButton>("BtnHome"), Qt::LeftButton);
    QVERIFY(!page->results().hasResults());
    QCOMPARE(child<QStackedWidget>("MainTabPage")->currentIndex(), 0);
    QVERIFY(child<QWidget>("HorLayoutMain")->isVisible());

    // Only the camera roll: the other nodes stay at zero.
    chooseBackup(kMiddleName);
    clickCheckBox(child<QWidget>("ChkSelAll"));
    clickCheckBox(child<QWidget>("OptCameraRoll"));
    startScan(nullptr);
    waitEnded();
    QCOMPARE(page->nodeOf(C::CameraRoll)->text(0), QStringLiteral("Camera Roll(6)"));
    QVERIFY(page->nodeOf(C::MessageAttachments)->isHidden());
    QVERIFY(child<QTreeWidget>("NodeTree")->topLevelItem(1)->isHidden());
    QVERIFY(!child<QTreeWidget>("NodeTree")->topLevelItem(0)->isHidden());
}

void ScanPageTest::pauseHoldsTheScanAndResumeFinishesIt()
{
    chooseBackup(kLockedName);
    const QString password = QLatin1String(kPassword);
    startScan(&password);
    waitScanning();
    auto* pause = child<QPushButton>("BtnScanPause");
    QCOMPARE(pause->text().remove(QLatin1Char('&')), messageText("MSG0507"));
    QTest::mouseClick(pause, Qt::LeftButton);
    QVERIFY(m_window->scanPage()->isPaused());
    QCOMPARE(pause->text().remove(QLatin1Char('&')), messageText("MSG0506"));
    saveScreenshot(m_window.get(), QStringLiteral("03-scanning"));
    // The display catches up with the last value shown before the pause, then holds.
    QTest::qWait(400);
    const int held = percentShown();
    QVERIFY(held > 0 && held < 99);
    QTest::qWait(400);
    QCOMPARE(percentShown(), held);
    QVERIFY(m_window->scanPage()->isScanning());
    QVERIFY(!child<QPushButton>("BtnHome")->isEnabled());
    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(pause->text().remove(QLatin1Char('&')), messageText("MSG0507"));
    waitEnded();
    QCOMPARE(m_window->scanPage()->nodeOf(C::CameraRoll)->text(0),
             QStringLiteral("Camera Roll(6)"));
}

void ScanPageTest::stopWithCancelResumesAndStopWithOkEnds()
{
    chooseBackup(kLockedName);
    const QString password = QLatin1String(kPassword);
    startScan(&password);
    waitScanning();
    QString question;
    whenModal([&question](CPopUpWnd* box) {
        question = box->findChild<QLabel*>(QStringLiteral("message"))->text();
        clickButton(box, "cancelbtn");
    });
    QTest::mouseClick(child<QPushButton>("BtnScanStop"), Qt::LeftButton);
    QCOMPARE(question, messageText("MSG0508"));
    QVERIFY(!m_window->scanPage()->isPaused());
    // The scan goes on by itself to the end.
    waitEnded();
    QCOMPARE(m_window->scanPage()->nodeOf(C::CameraRoll)->text(0),
             QStringLiteral("Camera Roll(6)"));

    whenModal([](CPopUpWnd* box) { clickButton(box, "okbtn"); });
    QTest::mouseClick(child<QPushButton>("BtnHome"), Qt::LeftButton);
    chooseBackup(kLockedName);
    startScan(&password);
    waitScanning();
    whenModal([](CPopUpWnd* box) { clickButton(box, "okbtn"); });
    QTest::mouseClick(child<QPushButton>("BtnScanStop"), Qt::LeftButton);
    waitEnded();
    // Stopped while decrypting: no category ran.
    QCOMPARE(m_window->scanPage()->nodeOf(C::CameraRoll)->text(0),
             QStringLiteral("Camera Roll(0)"));
}

void ScanPageTest::stopWhilePausedAndCancelStaysPaused()
{
    chooseBackup(kLockedName);
    const QString password = QLatin1String(kPassword);
    startScan(&password);
    waitScanning();
    QTest::mouseClick(child<QPushButton>("BtnScanPause"), Qt::LeftButton);
    whenModal([](CPopUpWnd* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QTest::mouseClick(child<QPushButton>("BtnScanStop"), Qt::LeftButton);
    QVERIFY(m_window->scanPage()->isPaused());
    QTest::qWait(400);
    const int held = percentShown();
    QTest::qWait(400);
    QCOMPARE(percentShown(), held);
    // Stop with OK from the paused state ends the scan.
    whenModal([](CPopUpWnd* box) { clickButton(box, "okbtn"); });
    QTest::mouseClick(child<QPushButton>("BtnScanStop"), Qt::LeftButton);
    QVERIFY(!m_window->scanPage()->isPaused());
    QCOMPARE(child<QPushButton>("BtnScanPause")->text().remove(QLatin1Char('&')),
             messageText("MSG0507"));
    waitEnded();
}

void ScanPageTest::wrongPasswordSaysSoAndAsksAgain()
{
    chooseBackup(kLockedName);
    QString said;
    whenModal([&said](CPopUpWnd* window) {
        // After the wrong password: the information box, then the password window again.
        whenModal([&said](CPopUpWnd* box) {
            said = box->findChild<QLabel*>(QStringLiteral("message"))->text();
            whenModal([](CPopUpWnd* again) {
                QTest::keyClicks(again->findChild<QLineEdit*>(QStringLiteral("EditPassword")),
                                 QLatin1String(kPassword));
                clickButton(again, "BtnOK");
            });
            clickButton(box, "okbtn");
        });
        QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("EditPassword")),
                         QStringLiteral("wrong"));
        clickButton(window, "BtnOK");
    });
    QTest::mouseClick(child<QPushButton>("BtnNext2"), Qt::LeftButton);
    waitEnded();
    QCOMPARE(said, messageText("MSG0302"));
    QCOMPARE(m_window->scanPage()->nodeOf(C::CameraRoll)->text(0),
             QStringLiteral("Camera Roll(6)"));
}

void ScanPageTest::wrongPasswordThenGivingUpReturnsToTheSteps()
{
    chooseBackup(kLockedName);
    whenModal([](CPopUpWnd* window) {
        whenModal([](CPopUpWnd* box) {
            whenModal([](CPopUpWnd* again) { clickButton(again, "BtnCancel"); });
            clickButton(box, "okbtn");
        });
        QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("EditPassword")),
                         QStringLiteral("wrong"));
        clickButton(window, "BtnOK");
    });
    QTest::mouseClick(child<QPushButton>("BtnNext2"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>("BtnNext2")->isEnabled(), 10000);
    QCOMPARE(child<QStackedWidget>("MainTabPage")->currentIndex(), 0);
    QVERIFY(child<QStackedWidget>("MainTabPage")->isEnabled());
    QVERIFY(!m_window->scanPage()->isScanning());
}

void ScanPageTest::closeDuringAScanAsksFirst()
{
    chooseBackup(kLockedName);
    const QString password = QLatin1String(kPassword);
    startScan(&password);
    waitScanning();
    QString title;
    bool cancelShown = false;
    whenModal([&](CPopUpWnd* box) {
        title = box->findChild<QLabel*>(QStringLiteral("title"))->text();
        cancelShown = box->findChild<QPushButton*>(QStringLiteral("cancelbtn"))->isVisible();
        clickButton(box, "cancelbtn");
    });
    QVERIFY(!m_window->close());
    QCOMPARE(title, messageText("MSG0405"));
    QVERIFY(cancelShown);
    QVERIFY(m_window->isVisible());
    waitEnded();
    // With results on screen the question comes too; OK closes.
    whenModal([](CPopUpWnd* box) { clickButton(box, "okbtn"); });
    QVERIFY(m_window->close());
}

void ScanPageTest::damagedDatabaseIsNamedAfterTheScan()
{
    // Overwrite the call database's pages past the header with garbage: the file still opens,
    // its tables do not read.
    const QString id =
        QString::fromLatin1(catalogue::kCallHistoryLegacyDbId.data(),
                            static_cast<qsizetype>(catalogue::kCallHistoryLegacyDbId.size()));
    QFile calls(m_env->backupFolder(kNewestName) + QLatin1Char('/') + id.left(2) +
                QLatin1Char('/') + id);
    QVERIFY(calls.open(QIODevice::ReadWrite));
    QVERIFY(calls.seek(100));
    QVERIFY(calls.write(QByteArray(static_cast<int>(calls.size()) - 100, '\x5a')) > 0);
    calls.close();

    chooseBackup(kNewestName);
    QString said;
    whenModal(
        [&said](CPopUpWnd* box) {
            said = box->findChild<QLabel*>(QStringLiteral("message"))->text();
            saveScreenshot(box, QStringLiteral("21-damaged-database"));
            clickButton(box, "okbtn");
        },
        30000);
    startScan(nullptr);
    waitEnded();
    QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty(), 5000);
    QVERIFY2(said.startsWith(messageText("MSG0514")), qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("Call History: its database is damaged")),
             qPrintable(said));
    QVERIFY2(!said.contains(QStringLiteral("Messages:")), qPrintable(said));
    // The other categories are whole.
    QVERIFY(m_window->scanPage()->nodeOf(C::Messages)->text(0) != QStringLiteral("Messages(0)"));
}

QTEST_MAIN(ScanPageTest)
#include "ScanPageTest.moc"
