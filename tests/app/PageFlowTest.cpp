// The main window's page flow: the backup list, the folder chooser's retry question, the
// category page's select-all rules, the assist menu and the language switch.
#include "GuiTestSupport.h"
#include "app/Application.h"
#include "app/CItunesBackupVrtWnd.h"
#include "app/CMainWnd.h"
#include "app/IniFile.h"
#include "app/Texts.h"
#include "app/WebPages.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>

using namespace app;
using namespace apptest;

class PageFlowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void backupListIsNewestFirstWithLocks();
    void nextTakesTheSelectedBackup();
    void folderChooserAsksAgainUntilABackup();
    void folderChooserStopsWhenTheQuestionIsDeclined();
    void selectAllRules();
    void assistMenuOpensTheProductPages();
    void languageSwitchRewritesConfigAndTexts();
    void closesAtOnceWithoutAScan();

private:
    template <typename T> T* child(const char* name) { return control<T>(m_window.get(), name); }

    std::unique_ptr<AppTestEnvironment> m_env;
    std::unique_ptr<catalogue::BackupEngine> m_engine;
    std::unique_ptr<CMainWnd> m_window;
};

void PageFlowTest::init()
{
    m_env = std::make_unique<AppTestEnvironment>();
    applySkin();
    m_engine = std::make_unique<catalogue::BackupEngine>(m_env->engineOptions());
    m_window = std::make_unique<CMainWnd>(*m_engine);
    m_window->resize(1000, 665);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void PageFlowTest::cleanup()
{
    m_window.reset();
    m_engine.reset();
    m_env.reset();
}

void PageFlowTest::backupListIsNewestFirstWithLocks()
{
    auto* list = child<QTreeWidget>("BackupFileList");
    QCOMPARE(list->topLevelItemCount(), 4);
    const QStringList expected = {QLatin1String(kNewestName),
                                  QLatin1String(kMiddleName),
                                  QLatin1String(kOldestName),
                                  QLatin1String(kLockedName)};
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(list->topLevelItem(row)->text(0), expected[row]);
    }
    QVERIFY(list->topLevelItem(0)->text(1).startsWith(QLatin1String("2015-07-0")));
    QVERIFY(list->topLevelItem(0)->text(2).startsWith(QLatin1String("SN2222")));
    QCOMPARE(list->currentItem(), list->topLevelItem(0));
    // Only the encrypted backup carries the lock.
    const QImage lock = QIcon(QStringLiteral(":/icons/lock.svg")).pixmap(22, 22).toImage();
    for (int row = 0; row < 4; ++row) {
        const QImage icon = list->topLevelItem(row)->icon(0).pixmap(22, 22).toImage();
        QCOMPARE(icon == lock, row == 3);
    }
    QCOMPARE(list->headerItem()->text(1), languageText("PageItunesBackup", "ColLastBackupDate"));
    saveScreenshot(m_window.get(), QStringLiteral("01-backup-list"));
}

void PageFlowTest::nextTakesTheSelectedBackup()
{
    auto* list = child<QTreeWidget>("BackupFileList");
    list->setCurrentItem(list->topLevelItem(2));
    QTest::mouseClick(child<QPushButton>("BtnNext1"), Qt::LeftButton);
    QCOMPARE(m_window->scanSource().displayName, std::string(kOldestName));
    QVERIFY(child<QRadioButton>("OptStep2")->isChecked());
    QCOMPARE(child<QStackedWidget>("TabPage")->currentIndex(), 1);
    QVERIFY(!child<QRadioButton>("OptStep3")->isEnabled());
    QTest::mouseClick(child<QRadioButton>("OptStep1"), Qt::LeftButton);
    QCOMPARE(child<QStackedWidget>("TabPage")->currentIndex(), 0);
}

void PageFlowTest::folderChooserAsksAgainUntilABackup()
{
    QStringList answers = {m_env->notABackupFolder(), m_env->backupFolder(kMiddleName)};
    int asked = 0;
    m_window->backupPage()->setFolderChooser([&](QWidget*) {
        ++asked;
        if (asked == 1) {
            whenModal([](CPopUpWnd* box) {
                QCOMPARE(box->findChild<QLabel*>(QStringLiteral("title"))->text(),
                         QStringLiteral("Question"));
                QCOMPARE(
                    box->findChild<QLabel*>(QStringLiteral("message"))->text(),
                    QStringLiteral("Can not found the backup file, do you want to try again?"));
                QCOMPARE(box->size(), QSize(550, 200));
                clickButton(box, "okbtn");
            });
        }
        return answers.takeFirst();
    });
    QTest::mouseClick(child<QPushButton>("BtnSelDir"), Qt::LeftButton);
    QCOMPARE(asked, 2);
    QCOMPARE(m_window->scanSource().displayName, std::string(kMiddleName));
    QVERIFY(child<QRadioButton>("OptStep2")->isChecked());
}

void PageFlowTest::folderChooserStopsWhenTheQuestionIsDeclined()
{
    int asked = 0;
    m_window->backupPage()->setFolderChooser([&](QWidget*) {
        ++asked;
        whenModal([](CPopUpWnd* box) { QTest::keyClick(box, Qt::Key_Escape); });
        return m_env->notABackupFolder();
    });
    QTest::mouseClick(child<QPushButton>("BtnSelDir"), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QVERIFY(child<QRadioButton>("OptStep1")->isChecked());
    // A cancelled chooser ends at once.
    m_window->backupPage()->setFolderChooser([&](QWidget*) {
        ++asked;
        return QString();
    });
    QTest::mouseClick(child<QPushButton>("BtnSelDir"), Qt::LeftButton);
    QCOMPARE(asked, 2);
    QVERIFY(child<QRadioButton>("OptStep1")->isChecked());
}

void PageFlowTest::selectAllRules()
{
    QTest::mouseClick(child<QPushButton>("BtnNext1"), Qt::LeftButton);
    const char* names[] = {"OptCameraRoll",
                           "OptPhotoStream",
                           "OptAppPhotos",
                           "OptAppVideos",
                           "OptMessages",
                           "OptMessageAtts",
                           "OptContacts",
                           "OptCallHistory",
                           "OptNotes",
                           "WhatsApp",
                           "OptWhatsAppAtts",
                           "OptReminder",
                           "OptCalendar",
                           "SafariBookmark",
                           "OptSafariHistory"};
    auto* all = child<QCheckBox>("ChkSelAll");
    auto* next = child<QPushButton>("BtnNext2");
    for (const char* name : names) {
        QVERIFY2(child<QCheckBox>(name)->isChecked(), name);
    }
    QCOMPARE(all->checkState(), Qt::Checked);
    QVERIFY(next->isEnabled());
    saveScreenshot(m_window.get(), QStringLiteral("02-categories"));

    // Select all off: every option cleared, Next disabled.
    clickCheckBox(all);
    QCOMPARE(all->checkState(), Qt::Unchecked);
    for (const char* name : names) {
        QVERIFY2(!child<QCheckBox>(name)->isChecked(), name);
    }
    QVERIFY(!next->isEnabled());

    // One option: partial and Next enabled.
    clickCheckBox(child<QCheckBox>("OptNotes"));
    QCOMPARE(all->checkState(), Qt::PartiallyChecked);
    QVERIFY(next->isEnabled());

    // Clearing it again: cleared and disabled.
    clickCheckBox(child<QCheckBox>("OptNotes"));
    QCOMPARE(all->checkState(), Qt::Unchecked);
    QVERIFY(!next->isEnabled());

    // Ticking every option one by one ends fully selected.
    for (const char* name : names) {
        clickCheckBox(child<QCheckBox>(name));
    }
    QCOMPARE(all->checkState(), Qt::Checked);
    QVERIFY(next->isEnabled());

    // A partial box counts as selected: clicking it clears everything.
    clickCheckBox(child<QCheckBox>("OptCalendar"));
    QCOMPARE(all->checkState(), Qt::PartiallyChecked);
    clickCheckBox(all);
    QCOMPARE(all->checkState(), Qt::Unchecked);
    QVERIFY(!child<QCheckBox>("OptCameraRoll")->isChecked());
    QVERIFY(!next->isEnabled());
    clickCheckBox(all);
    QCOMPARE(all->checkState(), Qt::Checked);
    QVERIFY(child<QCheckBox>("OptCalendar")->isChecked());
    QVERIFY(next->isEnabled());
}

void PageFlowTest::assistMenuOpensTheProductPages()
{
    QList<QUrl> opened;
    setUrlOpener([&opened](const QUrl& url) { opened.append(url); });
    QMenu* menu = m_window->assistMenu();
    QCOMPARE(menu->objectName(), QStringLiteral("menu_assist"));
    for (const char* item : {"item_help", "item_faq", "item_about", "item_support"}) {
        auto* action = menu->findChild<QAction*>(QLatin1String(item));
        QVERIFY2(action != nullptr, item);
        QVERIFY2(!action->text().isEmpty(), item);
        action->trigger();
    }
    QTRY_COMPARE(opened.size(), 4);
    setUrlOpener({});
    for (const QUrl& url : opened) {
        QVERIFY(url.toString().startsWith(QLatin1String(kProductWebsite)));
    }
    QCOMPARE(opened[0], opened[1]);
    QVERIFY(opened[2] != opened[3]);
}

void PageFlowTest::languageSwitchRewritesConfigAndTexts()
{
    auto* next = child<QPushButton>("BtnNext1");
    QCOMPARE(next->text().remove(QLatin1Char('&')), QStringLiteral("Next"));
    auto* languages = m_window->findChild<QMenu*>(QStringLiteral("menu_language"));
    QVERIFY(languages != nullptr);
    QCOMPARE(languages->actions().size(), 2);
    QAction* german = nullptr;
    for (QAction* action : languages->actions()) {
        if (action->data().toString() == QStringLiteral("German")) {
            german = action;
        }
    }
    QVERIFY(german != nullptr);
    german->trigger();
    QTRY_COMPARE(next->text().remove(QLatin1Char('&')), QStringLiteral("Weiter"));
    QCOMPARE(child<QCheckBox>("ChkSelAll")->text().remove(QLatin1Char('&')),
             QStringLiteral("Alle auswählen"));
    QCOMPARE(child<QPushButton>("BtnScanPause")->text().remove(QLatin1Char('&')),
             QStringLiteral("Pause"));
    QCOMPARE(child<QPushButton>("BtnScanStop")->text().remove(QLatin1Char('&')),
             QStringLiteral("Anhalten"));
    IniFile config;
    QCOMPARE(config.load(toUtf8(m_env->applicationFolder() + QStringLiteral("config.ini"))), 0);
    QCOMPARE(config.value("DefaultLanguage", "Default"), std::string("German"));
    QCOMPARE(config.lines("Languages").size(), std::size_t(2));
    saveScreenshot(m_window.get(), QStringLiteral("06-german"));
}

void PageFlowTest::closesAtOnceWithoutAScan()
{
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QVERIFY(m_window->isVisible());
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(PageFlowTest)
#include "PageFlowTest.moc"
