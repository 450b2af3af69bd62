// Message boxes and the password window: close codes, Escape, default titles, the hidden
// cancel button of warnings, and the password loops.
#include "GuiTestSupport.h"
#include "app/Application.h"
#include "app/CDecryptionWnd.h"
#include "app/CMessageBox.h"
#include "app/Texts.h"
#include "app/WebPages.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace app;
using namespace apptest;

class MessageBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void closeCodes_data();
    void closeCodes();
    void enterDoesNotClose();
    void typesShowTheirButtonsAndTitles_data();
    void typesShowTheirButtonsAndTitles();
    void passwordWindowReturnsThePassword();
    void emptyPasswordWarnsAndAsksAgain();
    void emptyPasswordAcceptedWhenWarningClosed();
    void cancelAbandons();
    void restoreLinkOpensTheProductPage();

private:
    std::unique_ptr<AppTestEnvironment> m_env;
};

void MessageBoxTest::initTestCase()
{
    m_env = std::make_unique<AppTestEnvironment>();
    applySkin();
}

void MessageBoxTest::closeCodes_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("expected");
    QTest::newRow("ok") << int(kBoxConfirm) << QStringLiteral("okbtn") << 1;
    QTest::newRow("cancel") << int(kBoxQuestion) << QStringLiteral("cancelbtn") << 2;
    QTest::newRow("close button") << int(kBoxError) << QStringLiteral("closebtn") << 2;
    QTest::newRow("escape") << int(kBoxQuestion) << QStringLiteral("escape") << 2;
    QTest::newRow("escape on information") << int(kBoxInformation) << QStringLiteral("escape") << 2;
    QTest::newRow("ok of warning") << int(kBoxWarning) << QStringLiteral("okbtn") << 1;
}

void MessageBoxTest::closeCodes()
{
    QFETCH(int, type);
    QFETCH(QString, action);
    QFETCH(int, expected);
    whenModal([action](CPopUpWnd* box) {
        if (action == QStringLiteral("escape")) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            clickButton(box, action.toUtf8().constData());
        }
    });
    QCOMPARE(showMessageBox(type, nullptr, QStringLiteral("Text")), expected);
}

void MessageBoxTest::enterDoesNotClose()
{
    bool stillOpen = false;
    whenModal([&stillOpen](CPopUpWnd* box) {
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Enter);
        stillOpen = box->isVisible();
        clickButton(box, "cancelbtn");
    });
    QCOMPARE(showMessageBox(kBoxQuestion, nullptr, QStringLiteral("Sure?")), 2);
    QVERIFY(stillOpen);
}

void MessageBoxTest::typesShowTheirButtonsAndTitles_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("titleId");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("error") << 0 << QStringLiteral("MSG0401") << false;
    QTest::newRow("confirm") << 1 << QStringLiteral("MSG0402") << true;
    QTest::newRow("information") << 2 << QStringLiteral("MSG0403") << false;
    QTest::newRow("warning") << 3 << QStringLiteral("MSG0405") << false;
    QTest::newRow("question") << 4 << QStringLiteral("MSG0404") << true;
    QTest::newRow("unknown looks like error") << 17 << QStringLiteral("MSG0401") << false;
    QTest::newRow("negative looks like error") << -3 << QStringLiteral("MSG0401") << false;
}

void MessageBoxTest::typesShowTheirButtonsAndTitles()
{
    QFETCH(int, type);
    QFETCH(QString, titleId);
    QFETCH(bool, cancel);
    CMessageBox box(type, nullptr, QStringLiteral("Body"), 550, 200, nullptr);
    box.show();
    QCOMPARE(box.findChild<QLabel*>(QStringLiteral("title"))->text(),
             messageText(titleId.toUtf8().constData()));
    QVERIFY(!box.findChild<QLabel*>(QStringLiteral("title"))->text().isEmpty());
    QCOMPARE(box.findChild<QLabel*>(QStringLiteral("message"))->text(), QStringLiteral("Body"));
    QCOMPARE(box.findChild<QPushButton*>(QStringLiteral("cancelbtn"))->isVisible(), cancel);
    QVERIFY(box.findChild<QPushButton*>(QStringLiteral("okbtn"))->isVisible());
    QVERIFY(box.findChild<QPushButton*>(QStringLiteral("closebtn"))->isVisible());
    QCOMPARE(box.size(), QSize(550, 200));
    saveScreenshot(&box, QStringLiteral("messagebox-%1").arg(type));
}

void MessageBoxTest::passwordWindowReturnsThePassword()
{
    whenModal([](CPopUpWnd* window) {
        QVERIFY(window->inherits("app::CDecryptionWnd"));
        auto* edit = window->findChild<QLineEdit*>(QStringLiteral("EditPassword"));
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QCOMPARE(edit->maxLength(), 256);
        saveScreenshot(window, QStringLiteral("05-password"));
        QTest::keyClicks(edit, QStringLiteral("pass word"));
        clickButton(window, "BtnOK");
    });
    std::string password;
    QVERIFY(askBackupPassword(nullptr, password));
    QCOMPARE(password, std::string("pass word"));
}

void MessageBoxTest::emptyPasswordWarnsAndAsksAgain()
{
    int windows = 0;
    QString warning;
    // Empty, warning OK, then the window again with a password.
    whenModal([&](CPopUpWnd* first) {
        ++windows;
        whenModal([&](CPopUpWnd* box) {
            warning = box->findChild<QLabel*>(QStringLiteral("message"))->text();
            whenModal([&](CPopUpWnd* second) {
                ++windows;
                QTest::keyClicks(second->findChild<QLineEdit*>(QStringLiteral("EditPassword")),
                                 QStringLiteral("x"));
                clickButton(second, "BtnOK");
            });
            clickButton(box, "okbtn");
        });
        clickButton(first, "BtnOK");
    });
    std::string password;
    QVERIFY(askBackupPassword(nullptr, password));
    QCOMPARE(password, std::string("x"));
    QCOMPARE(windows, 2);
    QCOMPARE(warning, messageText("MSG0301"));
}

void MessageBoxTest::emptyPasswordAcceptedWhenWarningClosed()
{
    whenModal([](CPopUpWnd* first) {
        whenModal([](CPopUpWnd* box) { QTest::keyClick(box, Qt::Key_Escape); });
        clickButton(first, "BtnOK");
    });
    std::string password = "stale";
    QVERIFY(askBackupPassword(nullptr, password));
    QVERIFY(password.empty());
}

void MessageBoxTest::cancelAbandons()
{
    for (const char* button : {"BtnCancel", "closebtn"}) {
        whenModal([button](CPopUpWnd* window) { clickButton(window, button); });
        std::string password;
        QVERIFY(!askBackupPassword(nullptr, password));
    }
}

void MessageBoxTest::restoreLinkOpensTheProductPage()
{
    QList<QUrl> opened;
    setUrlOpener([&opened](const QUrl& url) { opened.append(url); });
    CDecryptionWnd window(nullptr);
    window.show();
    clickButton(&window, "BtnRestoreLink");
    QVERIFY(window.isVisible());
    setUrlOpener({});
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.front().toString().startsWith(QLatin1String(kProductWebsite)));
}

QTEST_MAIN(MessageBoxTest)
#include "MessageBoxTest.moc"
