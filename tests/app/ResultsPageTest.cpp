// The results page after a scan: ticks and statistics, the filter, the Recover button, the
// previews of each kind of record, recovery into a folder against brenvale-cli export, and
// printing a filtered category to PDF.
#include "GuiTestSupport.h"
#include "app/AppEvents.h"
#include "app/Application.h"
#include "app/BubbleDelegate.h"
#include "app/BubbleModel.h"
#include "app/CMainWnd.h"
#include "app/CPreviewPanel.h"
#include "app/CPrintWnd.h"
#include "app/CRecoverProcessWnd.h"
#include "app/CScanVrtWnd.h"
#include "app/ResultsModel.h"
#include "app/ResultsView.h"
#include "app/ScanSession.h"
#include "app/Texts.h"
#include "export/CStatisticsObj.h"

#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QSizeGrip>
#include <QSplitter>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>

using namespace app;
using namespace apptest;
using C = extract::RecoveryCategory;

namespace {

// The rows of the results list by number: a cell's text, heading, record key and check box.
int rowCount(const QTreeView* list)
{
    return list->model()->rowCount();
}

QString cell(const QTreeView* list, int row, int column)
{
    return list->model()->index(row, column).data().toString();
}

QString heading(const QTreeView* list, int column)
{
    return list->model()->headerData(column, Qt::Horizontal).toString();
}

const void* keyOf(const QTreeView* list, int row)
{
    return reinterpret_cast<const void*>(
        list->model()->index(row, 0).data(ResultsModel::KeyRole).value<quintptr>());
}

Qt::CheckState checkOf(const QTreeView* list, int row)
{
    return list->model()->index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

// Ticks or unticks a row's box as a click on it would.
void setCheck(QTreeView* list, int row, Qt::CheckState state)
{
    QVERIFY(list->model()->setData(list->model()->index(row, 0), state, Qt::CheckStateRole));
}

void choose(QTreeView* list, int row)
{
    list->setCurrentIndex(list->model()->index(row, 0));
}

} // namespace

class ResultsPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void afterTheScanEveryRecordIsTicked();
    void filterHidesLiveRecordsAndCountsThem();
    void untickingEverythingDisablesRecovery();
    void appPhotosListAppsFirst();
    void choosingRowsFillsThePreview();
    void recordFieldsShowEveryFieldLabelled();
    void recoveryWritesWhatTheCommandLineWrites();
    void cancellingARecoveryAndDecliningGoesOn();
    void confirmingTheCancelEndsTheRecovery();
    void aRecoveryOfThousandsOfFilesShowsItsProgressAsItGoes();
    void printingFilteredNotesPrintsTheDeletedOnes();
    void closingThePrintWindowWhileBuildingAsksFirst();
    void theKeyboardReachesEverything();
    void longMessagesFitTheirBubblesAtAnyWidth();
    void noTextIsClippedInEitherLanguage();
    void searchFiltersByColumnsAndBodiesWithoutTouchingTicks();
    void theLayoutIsRememberedAcrossWindows();

private:
    // Switches the application to the language `name` ("English", "German").
    void switchLanguage(const char* name);
    // The texts of the main window that do not fit, each after `where`.
    QStringList clippedOnScreen(const QString& where);

    template <typename T> T* child(const char* name) { return control<T>(m_window.get(), name); }

    // Shows `category` and returns the list.
    QTreeView* showCategory(C category);
    // The first list row whose record is (not) deleted; -1 when none.
    int firstRow(bool deleted);
    // The label the page must show for its statistics.
    QString expectedStatistics();
    // Relative paths below `root`, with run stamps (runs of 8 or more digits) replaced.
    static QStringList outputFiles(const QString& root);

    std::unique_ptr<AppTestEnvironment> m_env;
    std::unique_ptr<catalogue::BackupEngine> m_engine;
    std::unique_ptr<CMainWnd> m_window;
    CScanVrtWnd* m_page = nullptr;
    ResultsView* m_results = nullptr;
};

void ResultsPageTest::initTestCase()
{
    m_env = std::make_unique<AppTestEnvironment>();
    applySkin();
    // Media that the panel cannot play go to a player that accepts them, not the system's:
    // its failure would open a message box in the middle of a test.
    CPreviewPanel::setPlayer([](const QString&) { return true; });
    m_engine = std::make_unique<catalogue::BackupEngine>(m_env->engineOptions());
    m_window = std::make_unique<CMainWnd>(*m_engine);
    m_window->resize(1100, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_page = m_window->scanPage();
    m_results = &m_page->results();
    auto* list = child<QTreeWidget>("BackupFileList");
    const auto rows = list->findItems(QLatin1String(kNewestName), Qt::MatchExactly);
    QCOMPARE(rows.size(), 1);
    list->setCurrentItem(rows.front());
    QTest::mouseClick(child<QPushButton>("BtnNext1"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("BtnNext2"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_results->hasResults(), 30000);
}

void ResultsPageTest::cleanupTestCase()
{
    CPreviewPanel::setPlayer({});
    m_window.reset();
    m_engine.reset();
    m_env.reset();
}

void ResultsPageTest::init()
{
    // Every test starts with everything ticked and no filter.
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        QTreeWidgetItem* node = m_page->nodeOf(info.category);
        if (!node->isDisabled()) {
            showCategory(info.category);
            child<QCheckBox>("OptOnOffFilter")->setChecked(false);
            node->setCheckState(0, Qt::Checked);
        }
    }
}

QTreeView* ResultsPageTest::showCategory(C category)
{
    child<QTreeWidget>("NodeTree")->setCurrentItem(m_page->nodeOf(category));
    if (m_results->currentCategory() != category) {
        m_results->showCategory(category);
    }
    return child<QTreeView>("DataList");
}

int ResultsPageTest::firstRow(bool deleted)
{
    auto* list = child<QTreeView>("DataList");
    for (int i = 0; i < rowCount(list); ++i) {
        const exporting::SelectionEntry* entry = m_results->statistics().find(keyOf(list, i));
        if (entry != nullptr && entry->deleted == deleted) {
            return i;
        }
    }
    return -1;
}

QString ResultsPageTest::expectedStatistics()
{
    const exporting::CStatisticsObj& statistics = m_results->statistics();
    return formatText(
        messageText("MSG0513"),
        {fromUtf8(exporting::formatSize(static_cast<std::int64_t>(statistics.tickedSize()))),
         QString::number(statistics.selectedCount()),
         fromUtf8(exporting::formatSize(static_cast<std::int64_t>(statistics.totalSize()))),
         QString::number(statistics.wholeScan().count)});
}

QStringList ResultsPageTest::outputFiles(const QString& root)
{
    QStringList files;
    QDirIterator walk(root, QDir::Files, QDirIterator::Subdirectories);
    const QRegularExpression stamp(QStringLiteral("[0-9]{8,}"));
    while (walk.hasNext()) {
        files << walk.next().mid(root.size()).replace(stamp, QStringLiteral("#"));
    }
    files.sort();
    return files;
}

void ResultsPageTest::afterTheScanEveryRecordIsTicked()
{
    const exporting::CStatisticsObj& statistics = m_results->statistics();
    const exporting::CounterBlock& whole = statistics.wholeScan();
    QVERIFY(whole.count > 50);
    QCOMPARE(whole.ticked, whole.count);
    QCOMPARE(statistics.tickedSize(), statistics.totalSize());
    const QString label = child<QLabel>("LblStatistics")->text();
    QCOMPARE(label, expectedStatistics());
    // Both sides of the label show the same size and count.
    const QString count = QStringLiteral("(%1 items)").arg(whole.count);
    QCOMPARE(label.count(count), 2);
    QVERIFY(child<QPushButton>("BtnRecovery")->isEnabled());
    // Every row of every category is ticked, deleted rows are orange with a marker.
    for (C category :
         {C::CameraRoll, C::Messages, C::Contacts, C::CallHistory, C::Notes, C::WhatsApp}) {
        QTreeView* list = showCategory(category);
        QVERIFY(rowCount(list) > 0);
        for (int i = 0; i < rowCount(list); ++i) {
            QCOMPARE(checkOf(list, i), Qt::Checked);
        }
        QCOMPARE(m_page->nodeOf(category)->checkState(0), Qt::Checked);
        if (const int deleted = firstRow(true); deleted >= 0) {
            const auto colourOf = [list](int row) {
                return list->model()->index(row, 1).data(Qt::ForegroundRole).value<QColor>();
            };
            QCOMPARE(colourOf(deleted), QColor(243, 115, 2));
            QVERIFY(!list->model()->index(deleted, 0).data(Qt::DecorationRole).isNull());
            // Deleted records come first in the personal categories.
            QCOMPARE(colourOf(0), QColor(243, 115, 2));
        }
    }
}

void ResultsPageTest::filterHidesLiveRecordsAndCountsThem()
{
    // A category of 10 live and 5 deleted notes, all ticked.
    static extract::ScanResults results;
    results.clear();
    for (int i = 0; i < 15; ++i) {
        extract::NoteRecord note;
        note.deleted = i % 3 == 0 ? 1 : 0;
        note.key = i + 1;
        note.title = "Note " + std::to_string(i);
        note.content = "Body " + std::to_string(i);
        results.notes.push_back(note);
    }
    extract::CategorySet notesOnly;
    notesOnly.set(C::Notes);
    m_results->show(results, notesOnly);
    QTreeView* list = showCategory(C::Notes);
    QCOMPARE(rowCount(list), 15);
    const std::int64_t tickedBefore = m_results->statistics().selectedCount();
    QCOMPARE(tickedBefore, 15);
    auto* filter = child<QCheckBox>("OptOnOffFilter");
    filter->setChecked(true);
    QCOMPARE(rowCount(list), 5);
    QVERIFY(child<QLabel>("LblFilterCount")->isVisible());
    QCOMPARE(child<QLabel>("LblFilterCount")->text(), QStringLiteral("Files Filtered: 10 item(s)"));
    QCOMPARE(m_results->statistics().selectedCount(), tickedBefore - 10);
    QCOMPARE(child<QLabel>("LblStatistics")->text(), expectedStatistics());
    QVERIFY(child<QLabel>("LblStatistics")->text().contains(QStringLiteral("(5 items)")));
    // Unticking a live note first: the filter then counts only the ticked live ones.
    filter->setChecked(false);
    QCOMPARE(m_results->statistics().selectedCount(), 15);
    setCheck(list, firstRow(false), Qt::Unchecked);
    QCOMPARE(m_results->statistics().selectedCount(), 14);
    filter->setChecked(true);
    QCOMPARE(m_results->statistics().wholeScan().tickedFiltered, 9);
    QCOMPARE(m_results->statistics().selectedCount(), 5);
    QCOMPARE(m_page->nodeOf(C::Notes)->checkState(0), Qt::PartiallyChecked);
    filter->setChecked(false);
    // Back to the scan's own results.
    m_results->show(m_window->scanSession().results(), extract::CategorySet::all());
}

void ResultsPageTest::untickingEverythingDisablesRecovery()
{
    auto* recovery = child<QPushButton>("BtnRecovery");
    QVERIFY(recovery->isEnabled());
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        QTreeWidgetItem* node = m_page->nodeOf(info.category);
        if (node->flags() & Qt::ItemIsUserCheckable) {
            node->setCheckState(0, Qt::Unchecked);
        }
    }
    QCOMPARE(m_results->statistics().wholeScan().ticked, 0);
    QVERIFY(!recovery->isEnabled());
    QCOMPARE(child<QLabel>("LblStatistics")->text(), expectedStatistics());
    // Ticking one row again enables it; the rows of the shown node followed the node.
    QTreeView* list = showCategory(C::Contacts);
    QCOMPARE(checkOf(list, 0), Qt::Unchecked);
    setCheck(list, 0, Qt::Checked);
    QVERIFY(recovery->isEnabled());
    QCOMPARE(m_page->nodeOf(C::Contacts)->checkState(0), Qt::PartiallyChecked);
}

void ResultsPageTest::appPhotosListAppsFirst()
{
    QTreeView* list = showCategory(C::AppPhotos);
    auto* back = child<QPushButton>("BtnBackAppDir");
    QCOMPARE(rowCount(list), 2);
    QCOMPARE(heading(list, 1), languageText("PageScan", "ColAppName"));
    QCOMPARE(cell(list, 0, 2), QStringLiteral("Folder"));
    QVERIFY(!back->isVisible());
    // Unticking an app unticks its files; activating it lists them.
    const std::int64_t before = m_results->statistics().selectedCount();
    setCheck(list, 0, Qt::Unchecked);
    QCOMPARE(m_results->statistics().selectedCount(), before - 1);
    QCOMPARE(m_page->nodeOf(C::AppPhotos)->checkState(0), Qt::PartiallyChecked);
    m_results->openApp(0);
    QVERIFY(back->isVisible());
    QCOMPARE(rowCount(list), 1);
    QCOMPARE(heading(list, 2), languageText("PageScan", "ColFileName"));
    QCOMPARE(checkOf(list, 0), Qt::Unchecked);
    QTest::mouseClick(back, Qt::LeftButton);
    QVERIFY(!back->isVisible());
    QCOMPARE(rowCount(list), 2);
    QCOMPARE(checkOf(list, 0), Qt::Unchecked);
}

void ResultsPageTest::choosingRowsFillsThePreview()
{
    CPreviewPanel* preview = m_page->preview();
    const extract::ScanResults& results = m_window->scanSession().results();

    QTreeView* list = showCategory(C::Notes);
    const int deletedNote = firstRow(true);
    QVERIFY(deletedNote >= 0);
    choose(list, deletedNote);
    const QString noteText = preview->textBox()->toPlainText();
    QVERIFY2(noteText.contains(QStringLiteral("Title:")) &&
                 noteText.contains(cell(list, deletedNote, 1)),
             qPrintable(noteText));
    saveScreenshot(m_window.get(), QStringLiteral("10-preview-note"));

    list = showCategory(C::Contacts);
    choose(list, 1);
    auto* name = preview->contactCard()->findChild<QLabel*>(QStringLiteral("TxtUserName"));
    QCOMPARE(name->text(), cell(list, 1, 1));
    QVERIFY(preview->contactCard()->isVisible());
    // Empty fields hide their rows.
    for (const char* field : {"TxtEmail", "TxtAddress", "TxtUrl", "TxtSocial", "TxtCompany"}) {
        auto* value = preview->contactCard()->findChild<QLabel*>(QLatin1String(field));
        QCOMPARE(value->isVisible(), !value->text().isEmpty());
    }
    saveScreenshot(m_window.get(), QStringLiteral("11-preview-contact"));

    list = showCategory(C::Messages);
    choose(list, 0);
    const auto* summary = &results.conversations.front();
    const std::size_t messages = results.messages.at(summary->handleId).size();
    const QAbstractItemModel* rows = preview->messagesList()->model();
    QCOMPARE(rows->rowCount(), static_cast<int>(messages) + 1);
    QVERIFY(preview->messagesList()->isVisible());
    bool orangeBubble = false;
    for (int i = 1; i < rows->rowCount(); ++i) {
        orangeBubble = orangeBubble || rows->index(i, 0).data(BubbleModel::DeletedRole).toBool();
    }
    // The first conversation holds a deleted message, drawn orange.
    QCOMPARE(orangeBubble, summary->deleted != 0);
    saveScreenshot(m_window.get(), QStringLiteral("12-preview-conversation"));

    // A group chat: listed under its name and members, which head its preview, with each
    // member's name above their messages.
    const auto group = std::find_if(
        results.conversations.begin(), results.conversations.end(), [](const auto& candidate) {
            return candidate.conversation != nullptr && candidate.conversation->isGroup;
        });
    QVERIFY(group != results.conversations.end());
    const QString groupName = QString::fromStdString(group->conversation->name);
    const QModelIndexList groupRows = list->model()->match(
        list->model()->index(0, 1), Qt::DisplayRole, groupName, -1, Qt::MatchExactly);
    QCOMPARE(groupRows.size(), 1);
    QVERIFY(cell(list, groupRows.front().row(), 2).count(QLatin1Char(',')) ==
            static_cast<qsizetype>(group->conversation->participants.size()) - 1);
    choose(list, groupRows.front().row());
    // The column of each row's texts: its kind, head, text, notes and pictures.
    const auto column = [rows](int role) {
        QStringList texts;
        for (int i = 0; i < rows->rowCount(); ++i) {
            texts << rows->index(i, 0).data(role).toString();
        }
        return texts;
    };
    QCOMPARE(rows->index(1, 0).data(BubbleModel::KindRole).toInt(),
             static_cast<int>(Bubble::Kind::Heading));
    QCOMPARE(rows->index(1, 0).data(BubbleModel::HeadRole).toString(), groupName);
    QSet<QString> senders;
    for (const extract::MessageRecord& message : results.messages.at(group->handleId)) {
        if (message.isFromMe == 0) {
            senders << QString::fromStdString(message.contactName.empty() ? message.address
                                                                          : message.contactName);
        }
    }
    const QStringList heads = column(BubbleModel::HeadRole);
    QVERIFY(senders.size() > 1);
    for (const QString& sender : senders) {
        QVERIFY2(heads.filter(sender + QLatin1Char(':')).size() > 0, qPrintable(sender));
    }
    saveScreenshot(m_window.get(), QStringLiteral("12-group-conversation"));
    // Reactions, edits and attachments stand under their messages, never as messages.
    const QString notes = column(BubbleModel::NotesRole).join(QLatin1Char('\n'));
    for (const char* expected : {"Loved by ", "Edited", "Earlier version", "Attachment: "}) {
        QVERIFY2(notes.contains(QLatin1String(expected)), expected);
    }
    QVERIFY(heads.filter(QStringLiteral("Loved")).isEmpty());
    // Pictures sent as attachments arrive as thumbnails under their message, whose row grows
    // to hold them.
    const QRegularExpression some(QStringLiteral("^[1-9]"));
    QTRY_VERIFY(column(BubbleModel::PictureCountRole).indexOf(some) > 0);
    const QModelIndex withPicture =
        rows->index(column(BubbleModel::PictureCountRole).indexOf(some), 0);
    const auto fitsItsRow = [preview](const QModelIndex& index) {
        const QRect row(QPoint(0, 0), preview->messagesList()->visualRect(index).size());
        const QList<QRect> pieces = preview->bubbleDelegate()->pieceRects(index);
        return std::all_of(pieces.begin(), pieces.end(), [&row](const QRect& piece) {
            return row.contains(piece);
        });
    };
    QTRY_VERIFY(fitsItsRow(withPicture));
    // Each picture stands under the message that holds it.
    for (int i = 0; i < rows->rowCount(); ++i) {
        if (rows->index(i, 0).data(BubbleModel::PictureCountRole).toInt() > 0) {
            QVERIFY(rows->index(i, 0)
                        .data(BubbleModel::NotesRole)
                        .toString()
                        .contains(QStringLiteral("(image/")));
        }
    }
    preview->messagesList()->scrollToBottom();
    saveScreenshot(m_window.get(), QStringLiteral("12-group-conversation-end"));
    showCategory(C::CallHistory);
    saveScreenshot(m_window.get(), QStringLiteral("12-call-history"));

    list = showCategory(C::WhatsApp);
    choose(list, 0);
    QVERIFY(preview->messagesList()->model()->rowCount() > 1);
    saveScreenshot(m_window.get(), QStringLiteral("13-preview-whatsapp"));

    // A photo: copied once, shown as an image; choosing it again only shows it again.
    list = showCategory(C::CameraRoll);
    int photo = -1;
    int other = -1;
    for (int i = 0; i < rowCount(list); ++i) {
        (cell(list, i, 1) == QLatin1String(kPhotoName) ? photo : other) = i;
    }
    QVERIFY(photo >= 0 && other >= 0);
    choose(list, other);
    const int copies = preview->copyCount();
    choose(list, photo);
    QTRY_VERIFY(preview->textBox()->toHtml().contains(QStringLiteral("<img")));
    QCOMPARE(preview->copyCount(), copies + 1);
    // The photo library's details: in the list's columns and as labelled lines below the
    // picture, the hostile original name as text; the file in "Recently Deleted" marked.
    const QString original = QStringLiteral("Beach \"day\", 1<script>alert(1)</script>.JPG");
    QCOMPARE(heading(list, 2), languageText("PageScan", "ColOriginalName"));
    QCOMPARE(cell(list, photo, 2), original);
    const QString details = preview->textBox()->toPlainText();
    for (const QString& line :
         {languageText("PageScan", "ColOriginalName") + QStringLiteral(": ") + original,
          languageText("PageScan", "ColKind") + QStringLiteral(": ") +
              languageText("PageScan", "KindPhoto"),
          languageText("PageScan", "PhotoFavorite"),
          languageText("PageScan", "PhotoPlace") + QStringLiteral(": 48.858400, 2.294500")}) {
        QVERIFY2(details.contains(line), qPrintable(details));
    }
    QVERIFY(!preview->textBox()->toHtml().contains(QStringLiteral("<script>")));
    const int trashed = firstRow(true);
    QVERIFY(trashed >= 0);
    QCOMPARE(cell(list, trashed, 2), QStringLiteral("line one line two.HEIC"));
    saveScreenshot(m_window.get(), QStringLiteral("14-preview-photo"));
    // A second click on the same photo shows it again without a copy.
    const QPoint centre = list->visualRect(list->model()->index(photo, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTRY_VERIFY(preview->textBox()->toHtml().contains(QStringLiteral("<img")));
    QCOMPARE(preview->copyCount(), copies + 1);
    // Another file in between: the photo is copied again.
    choose(list, other);
    choose(list, photo);
    QCOMPARE(preview->copyCount(), copies + 3);

    // OptOnOffPreview hides and shows the panel.
    auto* switchPreview = child<QCheckBox>("OptOnOffPreview");
    switchPreview->setChecked(false);
    QVERIFY(!preview->isVisible());
    switchPreview->setChecked(true);
    QVERIFY(preview->isVisible());
}

// Reminders, events, Safari bookmarks and history pages: their list columns, and a preview with
// every filled field under its grey label (addresses as plain text that nothing opens), a
// deleted record marked and drawn in the deleted colour, nothing clipped.
void ResultsPageTest::recordFieldsShowEveryFieldLabelled()
{
    struct Case
    {
        C category;
        int columns;
        const char* title;
        const char* screenshot;
    };

    for (const Case& c :
         {Case{C::Reminder, 4, "FieldDue", "13-preview-reminder"},
          Case{C::Calendar, 3, "FieldStart", "13-preview-calendar"},
          Case{C::SafariBookmark, 3, "FieldURL", "13-preview-safari-bookmarks"},
          Case{C::SafariHistory, 4, "FieldVisitCount", "13-preview-safari-history"}}) {
        QTreeView* list = showCategory(c.category);
        QCOMPARE(list->model()->columnCount(), c.columns + 1);
        // The older backup keeps its reminders as tasks of the calendar, none of them deleted.
        const int deleted = firstRow(true);
        const int row = deleted >= 0 ? deleted : firstRow(false);
        QVERIFY(row >= 0 && (deleted >= 0 || c.category == C::Reminder));
        choose(list, row);
        auto* fields = m_page->preview()->findChild<QWidget*>(QStringLiteral("RecordFields"));
        QVERIFY(fields != nullptr && fields->isVisible());
        QCOMPARE(fields->findChild<QLabel*>(QStringLiteral("FieldDeletedMark")) != nullptr,
                 deleted >= 0);
        auto* title = fields->findChild<QLabel*>(QStringLiteral("FieldTitle"));
        QVERIFY(title != nullptr && title->styleSheet().contains(QStringLiteral("#8a8a8a")));
        QVERIFY(fields->findChild<QLabel*>(QLatin1String(c.title)) != nullptr);
        QStringList values;
        for (const QLabel* label : fields->findChildren<QLabel*>()) {
            values << label->text();
        }
        QVERIFY2(values.join(QLatin1Char('\n')).contains(cell(list, row, 1).trimmed()),
                 qPrintable(values.join(QLatin1Char('|'))));
        QCOMPARE(clippedOnScreen(QLatin1String(c.screenshot)), QStringList());
        saveScreenshot(m_window.get(), QLatin1String(c.screenshot));
    }

    // Values the application words itself (yes and no, priorities) follow the language.
    switchLanguage("German");
    QTreeView* list = showCategory(C::Reminder);
    choose(list, firstRow(false));
    QStringList values;
    for (const QLabel* label : m_page->preview()
                                   ->findChild<QWidget*>(QStringLiteral("RecordFields"))
                                   ->findChildren<QLabel*>()) {
        values << label->text();
    }
    QVERIFY2(values.contains(QStringLiteral("Nein")) && !values.contains(QStringLiteral("No")),
             qPrintable(values.join(QLatin1Char('|'))));
    saveScreenshot(m_window.get(), QStringLiteral("13-preview-reminder-German"));
    switchLanguage("English");
}

void ResultsPageTest::recoveryWritesWhatTheCommandLineWrites()
{
    const QString ours = m_env->appDataFolder() + QStringLiteral("/recovered-app");
    const QString theirs = m_env->appDataFolder() + QStringLiteral("/recovered-cli");
    whenModal([this](CPopUpWnd* window) {
        QTRY_VERIFY_WITH_TIMEOUT(
            window->findChild<QPushButton*>(QStringLiteral("FinishBtn"))->isVisible(), 60000);
        clickButton(window, "DetailBtn");
        QVERIFY(window->findChild<QWidget*>(QStringLiteral("DetailList"))->isVisible());
        saveScreenshot(window, QStringLiteral("15-recovery-finished"));
        clickButton(window, "DetailBtn");
        saveScreenshot(window, QStringLiteral("16-recovery-guide"));
        clickButton(window, "FinishBtn");
    });
    QCOMPARE(m_page->StartRecovery(ours), kCloseOk);

    QProcess cli;
    cli.start(QStringLiteral(BRENVALE_BIN_DIR "/brenvale-cli"),
              {QStringLiteral("export"),
               m_env->backupFolder(kNewestName),
               QStringLiteral("--out"),
               theirs,
               QStringLiteral("--quiet")});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
    const QStringList files = outputFiles(ours);
    QVERIFY(files.size() > 50);
    QCOMPARE(files, outputFiles(theirs));
}

void ResultsPageTest::cancellingARecoveryAndDecliningGoesOn()
{
    const QString ours = m_env->appDataFolder() + QStringLiteral("/recovered-declined");
    const QString reference = m_env->appDataFolder() + QStringLiteral("/recovered-app");
    QString question;
    bool running = false;
    whenModal([&question, &running](CPopUpWnd* window) {
        // Cancel at once, decline the question, and let the run finish. A run that already
        // finished (a fast machine) is closed by the same button.
        running = window->findChild<QPushButton*>(QStringLiteral("CancelBtn"))->isVisible();
        if (!running) {
            clickButton(window, "closebtn");
            return;
        }
        whenModal([&question](CPopUpWnd* box) {
            question = box->findChild<QLabel*>(QStringLiteral("message"))->text();
            clickButton(box, "cancelbtn");
        });
        clickButton(window, "CancelBtn");
        QTRY_VERIFY_WITH_TIMEOUT(
            window->findChild<QPushButton*>(QStringLiteral("FinishBtn"))->isVisible(), 60000);
        clickButton(window, "FinishBtn");
    });
    QCOMPARE(m_page->StartRecovery(ours), kCloseOk);
    QCOMPARE(question, running ? messageText("MSG1103") : QString());
    QCOMPARE(outputFiles(ours), outputFiles(reference));
}

void ResultsPageTest::confirmingTheCancelEndsTheRecovery()
{
    const QString ours = m_env->appDataFolder() + QStringLiteral("/recovered-cancelled");
    const QString reference = m_env->appDataFolder() + QStringLiteral("/recovered-app");
    // A fast machine may finish the small run before the click: then it is closed normally.
    bool cancelled = false;
    whenModal([&cancelled](CPopUpWnd* window) {
        auto* cancel = window->findChild<QPushButton*>(QStringLiteral("CancelBtn"));
        if (!cancel->isVisible()) {
            clickButton(window, "FinishBtn");
            return;
        }
        cancelled = true;
        whenModal([](CPopUpWnd* box) { clickButton(box, "okbtn"); });
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    const int result = m_page->StartRecovery(ours);
    // A run that ended while the question was open closes as finished.
    QVERIFY(result == kCloseCancel ? cancelled : result == kCloseOk);
    // What was written before the cancel (the aggregate pages of what was collected too) is a
    // part of what a whole run writes; how much depends on how far the run got.
    const QStringList written = outputFiles(ours);
    const QStringList whole = outputFiles(reference);
    for (const QString& file : written) {
        QVERIFY2(whole.contains(file), qPrintable(file));
    }
}

void ResultsPageTest::aRecoveryOfThousandsOfFilesShowsItsProgressAsItGoes()
{
    // Thousands of copies of one photo of the backup, and three files the backup lacks.
    const extract::ScanResults& found = m_window->scanSession().results();
    QVERIFY(!found.cameraRoll.empty());
    extract::ScanResults results;
    constexpr int kCopies = 3000;
    for (int i = 0; i < kCopies; ++i) {
        extract::MediaItem item = found.cameraRoll.front();
        item.name = "IMG_" + std::to_string(i) + ".JPG";
        results.cameraRoll.push_back(item);
    }
    const std::string backupFolder = toUtf8(m_env->backupFolder(kNewestName));
    for (int i = 0; i < 3; ++i) {
        results.cameraRoll.push_back({100,
                                      "MISSING_" + std::to_string(i) + ".JPG",
                                      backupFolder + "/00/00missing" + std::to_string(i)});
    }
    extract::CategorySet cameraRollOnly;
    cameraRollOnly.set(extract::RecoveryCategory::CameraRoll, true);
    exporting::CStatisticsObj statistics;
    statistics.fill(results, cameraRollOnly);

    exporting::RecoveryRunInputs inputs;
    inputs.outputRoot = toUtf8(m_env->appDataFolder() + QStringLiteral("/recovered-many"));
    inputs.templateFolder = toUtf8(applicationFolder() + QStringLiteral("template"));
    inputs.deviceName = "Many";
    inputs.results = &results;
    inputs.statistics = &statistics;
    inputs.source = m_window->scanSession().source();
    CRecoverProcessWnd recovery(m_window.get(), std::move(inputs));

    QSet<QString> countsSeen;
    QStringList failedOnTop;
    int rows = 0;
    whenModal([&](CPopUpWnd* window) {
        auto* finish = window->findChild<QPushButton*>(QStringLiteral("FinishBtn"));
        auto* counts = window->findChild<QLabel*>(QStringLiteral("recovered"));
        // The window's own event loop runs the checks: each pass sees what the window shows.
        while (!finish->isVisible()) {
            countsSeen.insert(counts->text());
            QTest::qWait(5);
        }
        countsSeen.insert(counts->text());
        auto* details = window->findChild<QTreeWidget*>(QStringLiteral("DetailList"));
        rows = details->topLevelItemCount();
        for (int i = 0; i < 3; ++i) {
            failedOnTop.append(details->topLevelItem(i)->text(0));
        }
        clickButton(window, "FinishBtn");
    });
    QCOMPARE(recovery.run(), kCloseOk);
    QCOMPARE(recovery.recovery().state().failed, std::uint64_t{3});
    QCOMPARE(rows, kCopies + 3);
    for (const QString& file : failedOnTop) {
        QVERIFY2(file.contains(QStringLiteral("MISSING_")), qPrintable(file));
    }
    // The counts moved through several values on the way, not straight to the end.
    QVERIFY2(countsSeen.size() >= 3, qPrintable(QString::number(countsSeen.size())));
}

void ResultsPageTest::printingFilteredNotesPrintsTheDeletedOnes()
{
    showCategory(C::Notes);
    child<QCheckBox>("OptOnOffFilter")->setChecked(true);
    // Untick one deleted note: it is left out too.
    const extract::ScanResults& results = m_window->scanSession().results();
    auto* list = child<QTreeView>("DataList");
    const int unticked = firstRow(true);
    QVERIFY(unticked >= 0);
    const void* uncheckedKey = keyOf(list, unticked);
    setCheck(list, unticked, Qt::Unchecked);
    CPrintWnd printing(m_window.get(),
                       results,
                       m_results->statistics(),
                       extract::RecoveryCategory::Notes,
                       m_results->deletedOnly());
    printing.startBuild();
    QTRY_VERIFY_WITH_TIMEOUT(printing.pageShown(), 30000);
    const QString pdf = m_env->appDataFolder() + QStringLiteral("/notes.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printing.printOn(printer);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    // A title is printed exactly when a ticked deleted note carries it.
    QSet<QString> wanted;
    QSet<QString> titles;
    for (const extract::NoteRecord& note : results.notes) {
        const QString title = fromUtf8(note.title).simplified();
        titles.insert(title);
        if (note.deleted != 0 && &note != uncheckedKey) {
            wanted.insert(title);
        }
    }
    titles.remove(QString());
    for (const QString& title : titles) {
        const QRegularExpression block(QStringLiteral("Title: ?") +
                                       QRegularExpression::escape(title) +
                                       QStringLiteral(" Date:"));
        QVERIFY2(printed.contains(block) == wanted.contains(title), qPrintable(title));
    }
    const int expected = static_cast<int>(wanted.size());
    QVERIFY(expected > 0);
    child<QCheckBox>("OptOnOffFilter")->setChecked(false);
}

void ResultsPageTest::closingThePrintWindowWhileBuildingAsksFirst()
{
    // Enough notes that the page is still being built when the window is closed at once.
    extract::ScanResults results;
    results.notes.resize(30000);
    for (std::size_t i = 0; i < results.notes.size(); ++i) {
        results.notes[i].title = "Note " + std::to_string(i);
        results.notes[i].content = std::string(200, 'x');
    }
    extract::CategorySet notesOnly;
    notesOnly.set(extract::RecoveryCategory::Notes, true);
    exporting::CStatisticsObj statistics;
    statistics.fill(results, notesOnly);

    QString question;
    const auto closeWhileBuilding = [&](const char* answer) {
        auto printing = std::make_unique<CPrintWnd>(
            m_window.get(), results, statistics, extract::RecoveryCategory::Notes, false);
        printing->show();
        question.clear();
        whenModal([&question, answer](CPopUpWnd* box) {
            question = box->findChild<QLabel*>(QStringLiteral("message"))->text();
            clickButton(box, answer);
        });
        printing->startBuild();
        printing->reject();
        return printing;
    };

    // Declined: the window stays and the page is built in full.
    const auto kept = closeWhileBuilding("cancelbtn");
    QCOMPARE(question, messageText("MSG0903"));
    QVERIFY(kept->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(kept->pageShown(), 120000);
    QVERIFY(kept->browser()->toPlainText().contains(QStringLiteral("Note 29999")));

    // Confirmed: the build stops and the window closes without a page.
    const auto closed = closeWhileBuilding("okbtn");
    QCOMPARE(question, messageText("MSG0903"));
    QTRY_VERIFY_WITH_TIMEOUT(!closed->isVisible(), 120000);
    QVERIFY(!closed->pageShown());
    QCOMPARE(closed->result(), static_cast<int>(kCloseCancel));
}

void ResultsPageTest::longMessagesFitTheirBubblesAtAnyWidth()
{
    // Long paragraphs, several lines, an unbroken URL and word, right-to-left text.
    static extract::ScanResults results;
    results.clear();
    const std::string recipe =
        "Put the potatoes in cold water, bring them to the boil and let them simmer for twenty "
        "minutes, then drain them, mash them with butter and warm milk, and salt to taste.";
    const std::vector<std::string> texts = {
        recipe,
        "First line\nSecond line\n\nFourth line after an empty one",
        "https://example.com/a/very/long/path/" + std::string(160, 'x') +
            "?query=" + std::string(40, '7'),
        std::string(90, 'W'),
        "\u05e9\u05dc\u05d5\u05dd \u05dc\u05da, \u05de\u05d4 \u05e9\u05dc\u05d5\u05de\u05da "
        "\u05d4\u05d9\u05d5\u05dd? " +
            recipe,
        "\u0645\u0631\u062d\u0628\u0627 \u0628\u0643 \u0641\u064a "
        "\u0627\u0644\u0645\u0646\u0632\u0644",
        "ok",
    };
    extract::ConversationSummary summary;
    summary.handleId = 7;
    summary.contactName = std::string(70, 'N');
    summary.address = "+15550100";
    summary.text = recipe;
    results.conversations.push_back(summary);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        extract::MessageRecord message;
        message.text = texts[i];
        message.isFromMe = i % 2 == 0 ? 1 : 0;
        message.deleted = i == 3 ? 1 : 0;
        message.contactName = summary.contactName;
        message.date = "2024-05-0" + std::to_string(i + 1) + " 10:00:00";
        results.messages[summary.handleId].push_back(message);
    }
    extract::CategorySet messagesOnly;
    messagesOnly.set(C::Messages);
    m_results->show(results, messagesOnly);
    QTreeView* list = showCategory(C::Messages);
    choose(list, 0);
    QListView* bubbles = m_page->preview()->messagesList();
    const BubbleDelegate* delegate = m_page->preview()->bubbleDelegate();
    QCOMPARE(bubbles->model()->rowCount(), static_cast<int>(texts.size()) + 1);

    QSplitter* divider = m_page->listSplitter();
    const QList<int> defaultSizes = divider->sizes();
    const int whole = defaultSizes[0] + defaultSizes[1];
    for (const auto& [name, previewWidth] :
         {std::pair{QStringLiteral("17-long-conversation"), defaultSizes[1]},
          std::pair{QStringLiteral("18-long-conversation-narrow"), 230}}) {
        divider->setSizes({whole - previewWidth, previewWidth});
        QTRY_COMPARE(m_page->preview()->width(), previewWidth);
        QApplication::processEvents();
        const int room = bubbles->viewport()->width();
        QVERIFY(!bubbles->horizontalScrollBar()->isVisible());
        for (int i = 1; i < bubbles->model()->rowCount(); ++i) {
            const QModelIndex index = bubbles->model()->index(i, 0);
            const QRect row = bubbles->visualRect(index);
            QVERIFY2(row.width() <= room, qPrintable(QString::number(i)));
            // Every line shows: each text, bubble and picture lies inside its row, which is as
            // tall as they need, and inside the list's width.
            for (const QRect& piece : delegate->pieceRects(index)) {
                QVERIFY2(QRect(QPoint(0, 0), row.size()).contains(piece) && piece.right() < room,
                         qPrintable(QStringLiteral("row %1 at %2: %3x%4+%5+%6 in %7x%8")
                                        .arg(i)
                                        .arg(previewWidth)
                                        .arg(piece.width())
                                        .arg(piece.height())
                                        .arg(piece.x())
                                        .arg(piece.y())
                                        .arg(row.width())
                                        .arg(row.height())));
            }
        }
        saveScreenshot(m_window.get(), name);
    }
    divider->setSizes(defaultSizes);
    m_results->show(m_window->scanSession().results(), extract::CategorySet::all());
}

void ResultsPageTest::searchFiltersByColumnsAndBodiesWithoutTouchingTicks()
{
    // Notes, conversations and chats whose words appear only in titles, bodies or messages.
    static extract::ScanResults results;
    results.clear();
    for (int i = 0; i < 12; ++i) {
        extract::NoteRecord note;
        note.key = i + 1;
        note.deleted = i % 4 == 0 ? 1 : 0;
        note.title = i % 3 == 0 ? "Shopping " + std::to_string(i) : "Plan " + std::to_string(i);
        note.content = i % 2 == 0 ? "buy Saffron and rice" : "call the plumber";
        results.notes.push_back(note);
    }
    for (int handle = 1; handle <= 3; ++handle) {
        extract::ConversationSummary summary;
        summary.handleId = handle;
        summary.address = "+1555010" + std::to_string(handle);
        summary.contactName = handle == 2 ? "Zoë Quinn" : "Person " + std::to_string(handle);
        summary.text = "hello";
        results.conversations.push_back(summary);
        for (int m = 0; m < 3; ++m) {
            extract::MessageRecord message;
            message.handleId = handle;
            message.text =
                handle == 3 && m == 2 ? "the SAFFRON arrived" : "hello " + std::to_string(m);
            results.messages[handle].push_back(message);
        }
    }
    for (int session = 1; session <= 2; ++session) {
        extract::WhatsAppMessage chat;
        chat.sessionId = session;
        chat.sessionName = "Chat " + std::to_string(session);
        chat.text = session == 2 ? "saffron for the risotto" : "see you";
        results.whatsApp[session].push_back(chat);
    }
    extract::CategorySet chosen;
    for (C category : {C::Notes, C::Messages, C::WhatsApp}) {
        chosen.set(category);
    }
    m_results->show(results, chosen);
    auto* search = child<QLineEdit>("TxtSearch");
    auto* count = child<QLabel>("LblSearchCount");
    // Ctrl+F puts the cursor into the field.
    child<QTreeView>("DataList")->setFocus();
    QTest::keyClick(m_window.get(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(search->hasFocus());

    const auto shownRows = [](QTreeView* list) {
        QStringList shown;
        for (int i = 0; i < rowCount(list); ++i) {
            shown << cell(list, i, 1);
        }
        return shown;
    };

    struct Case
    {
        C category;
        const char* typed;
        int shown;
        int total;
    };

    // Titles, note bodies, message and chat bodies, any case; typing on narrows.
    const Case cases[] = {
        {C::Notes, "shop", 4, 12},
        {C::Notes, "saffron", 6, 12},
        {C::Notes, "SAFFRON AND", 6, 12},
        {C::Notes, "plumber", 6, 12},
        {C::Notes, "nothing like it", 0, 12},
        {C::Messages, "zoë", 1, 3},
        {C::Messages, "saffron", 1, 3},
        {C::Messages, "+15550102", 1, 3},
        {C::WhatsApp, "saffron", 1, 2},
        {C::WhatsApp, "chat", 2, 2},
    };
    for (const Case& test : cases) {
        QTreeView* list = showCategory(test.category);
        const std::int64_t ticked = m_results->statistics().selectedCount();
        search->setText(QString::fromUtf8(test.typed));
        QTRY_COMPARE(m_results->searchShown(), test.shown);
        const QString what = QString::fromUtf8(test.typed);
        QCOMPARE(shownRows(list).size(), test.shown);
        QCOMPARE(m_results->searchTotal(), test.total);
        QVERIFY(count->isVisible());
        QCOMPARE(count->text(), QStringLiteral("%1 of %2").arg(test.shown).arg(test.total));
        QCOMPARE(m_results->statistics().selectedCount(), ticked);
        for (int i = 0; i < rowCount(list); ++i) {
            QCOMPARE(checkOf(list, i), Qt::Checked);
        }
        if (test.category == C::Notes && test.shown > 0) {
            // The preview of a match marks the text.
            choose(list, 0);
            QVERIFY2(!m_page->preview()->textBox()->extraSelections().isEmpty(), qPrintable(what));
        }
        if (test.shown == 1 && what == QStringLiteral("saffron")) {
            saveScreenshot(m_window.get(), QStringLiteral("20-search"));
        }
    }
    // With the deleted-only switch the count covers what the switch leaves.
    showCategory(C::Notes);
    child<QCheckBox>("OptOnOffFilter")->setChecked(true);
    search->setText(QStringLiteral("saffron"));
    QTRY_COMPARE(m_results->searchShown(), 3);
    QCOMPARE(m_results->searchTotal(), 3);
    child<QCheckBox>("OptOnOffFilter")->setChecked(false);
    // Clearing shows every row at once and hides the count.
    search->clear();
    QCOMPARE(shownRows(child<QTreeView>("DataList")).size(), 12);
    QVERIFY(!count->isVisible());
    QVERIFY(m_page->preview()->textBox()->extraSelections().isEmpty());
    m_results->show(m_window->scanSession().results(), extract::CategorySet::all());
}

void ResultsPageTest::theLayoutIsRememberedAcrossWindows()
{
    QSplitter* divider = m_page->listSplitter();
    const QList<int> before = divider->sizes();
    const QRect geometry = m_window->geometry();
    const int whole = before[0] + before[1];
    divider->setSizes({whole - 300, 300});
    m_window->resize(1180, 760);
    QTRY_COMPARE(m_window->size(), QSize(1180, 760));
    m_window->saveLayout();
    // A second window over the same settings takes the size and the divider.
    CMainWnd again(*m_engine);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.size(), QSize(1180, 760));
    QCOMPARE(again.scanPage()->listSplitter()->saveState(), divider->saveState());
    again.hide();
    divider->setSizes(before);
    m_window->setGeometry(geometry);
    // The grid that resizes the frameless window sits in its bottom-right corner.
    auto* grip = child<QSizeGrip>("WindowSizeGrip");
    QVERIFY(grip->isVisible());
    QCOMPARE(grip->geometry().bottomRight(), m_window->rect().bottomRight());
}

void ResultsPageTest::theKeyboardReachesEverything()
{
    // Every button with a text has a mnemonic, each push button one of its own among the
    // buttons shown with it.
    const QList<QList<QWidget*>> areas = {{child<QWidget>("Header"), m_page},
                                          {child<QWidget>("TabBackup")},
                                          {child<QWidget>("TabSpecify")}};
    for (const QList<QWidget*>& area : areas) {
        QSet<QChar> mnemonics;
        for (QWidget* part : area) {
            for (auto* button : part->findChildren<QAbstractButton*>()) {
                const QString text = button->text();
                if (text.isEmpty() || button->property("iconOnly").toBool()) {
                    continue;
                }
                const qsizetype mark = text.indexOf(QLatin1Char('&'));
                QVERIFY2(mark >= 0 && mark + 1 < text.size(), qPrintable(text));
                if (qobject_cast<QPushButton*>(button) != nullptr) {
                    QVERIFY2(!mnemonics.contains(text[mark + 1].toLower()), qPrintable(text));
                    mnemonics.insert(text[mark + 1].toLower());
                }
            }
        }
    }
    // The arrow keys walk the tree's categories.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    auto* tree = child<QTreeWidget>("NodeTree");
    showCategory(C::Contacts);
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(m_results->currentCategory(), C::CallHistory);
    QTest::keyClick(tree, Qt::Key_Up);
    QCOMPARE(m_results->currentCategory(), C::Contacts);
    // Tab goes from the tree to the switches.
    QTest::keyClick(tree, Qt::Key_Tab);
    QVERIFY(child<QCheckBox>("OptOnOffPreview")->hasFocus());
    // In the list: Down moves, Space ticks and unticks, Enter shows the preview again.
    auto* list = child<QTreeView>("DataList");
    list->setFocus();
    choose(list, 0);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentIndex().row(), 1);
    const std::int64_t ticked = m_results->statistics().selectedCount();
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(checkOf(list, 1), Qt::Unchecked);
    QCOMPARE(m_results->statistics().selectedCount(), ticked - 1);
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(checkOf(list, 1), Qt::Checked);
    auto* previewSwitch = child<QCheckBox>("OptOnOffPreview");
    previewSwitch->setChecked(false);
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(previewSwitch->isChecked());
    QCOMPARE(
        m_page->preview()->contactCard()->findChild<QLabel*>(QStringLiteral("TxtUserName"))->text(),
        cell(list, 1, 1));
}

void ResultsPageTest::switchLanguage(const char* name)
{
    QCOMPARE(settings().setLanguage(name), 0);
    postAppMessage(m_window.get(), kMsgLanguageChanged, 0);
    QApplication::processEvents();
}

QStringList ResultsPageTest::clippedOnScreen(const QString& where)
{
    QTest::qWait(100);
    QStringList clipped;
    for (const QString& text : clippedTexts(m_window.get())) {
        clipped << where + QStringLiteral(" ") + text;
    }
    return clipped;
}

void ResultsPageTest::noTextIsClippedInEitherLanguage()
{
    auto* pages = child<QStackedWidget>("MainTabPage");
    auto* steps = child<QStackedWidget>("TabPage");
    QStringList clipped;
    for (const char* language : {"English", "German"}) {
        switchLanguage(language);
        const QString prefix = QLatin1String(language);
        for (const extract::CategoryInfo& info : extract::categoryTable()) {
            if (!m_page->nodeOf(info.category)->isDisabled()) {
                showCategory(info.category);
                clipped << clippedOnScreen(
                    prefix + QStringLiteral(" results ") +
                    QString::fromUtf8(info.optionControl.data(),
                                      static_cast<qsizetype>(info.optionControl.size())));
            }
        }
        // The header as it stands while a scan runs.
        child<QWidget>("ReocveryToolBar")->hide();
        child<QWidget>("ScanToolBar")->show();
        child<QLabel>("LblWaitDesc")->hide();
        clipped << clippedOnScreen(prefix + QStringLiteral(" scanning"));
        saveScreenshot(m_window.get(), QStringLiteral("19-scanning-header-") + prefix);
        child<QWidget>("ScanToolBar")->hide();
        child<QWidget>("ReocveryToolBar")->show();
        // The backup and category pages.
        child<QWidget>("HorLayoutScan")->hide();
        child<QWidget>("HorLayoutMain")->show();
        pages->setCurrentIndex(0);
        for (int step : {0, 1}) {
            steps->setCurrentIndex(step);
            clipped << clippedOnScreen(prefix + QStringLiteral(" step %1").arg(step + 1));
        }
        pages->setCurrentIndex(1);
        child<QWidget>("HorLayoutMain")->hide();
        child<QWidget>("HorLayoutScan")->show();
    }
    switchLanguage("English");
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
}

QTEST_MAIN(ResultsPageTest)
#include "ResultsPageTest.moc"
