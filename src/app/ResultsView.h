// The results of a finished scan on the scan page: the selection statistics, the tree nodes'
// check boxes and filter marks, the record list with its per-category columns, the filter
// switch, the app folders of App Photos and App Videos, the statistics label and the Recover
// button's state. Choosing a row hands its record to the preview panel.
#pragma once

#include "export/CStatisticsObj.h"
#include "export/MessageNotes.h"
#include "export/RecordFields.h"
#include "extract/Records.h"
#include "extract/RecoveryCategory.h"

#include <array>
#include <optional>
#include <vector>

#include <QModelIndex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

class QLabel;
class QLineEdit;
class QTreeWidgetItem;

namespace Ui {
class PageScan;
}

namespace app {

class CPreviewPanel;
class ResultsModel;

class ResultsView : public QObject
{
    Q_OBJECT

public:
    // Works on the controls of `ui`, the category nodes `nodes` (null for categories without
    // a node) and `preview`; all outlive the view.
    ResultsView(Ui::PageScan& ui,
                const std::array<QTreeWidgetItem*, extract::kCategoryCount>& nodes,
                CPreviewPanel* preview);

    // Fills the statistics from `results` (which outlive the view's use of them) for the
    // `chosen` categories, every record ticked, gives the nodes their check boxes and "N"
    // marks, and shows the first node that has records.
    void show(const extract::ScanResults& results, extract::CategorySet chosen);

    // Forgets the results: empty list and statistics, nodes without check boxes.
    void clear();

    // Whether results are shown.
    bool hasResults() const { return m_results != nullptr; }

    // Shows the records of `category` in the list (an app list for App Photos and App Videos).
    void showCategory(extract::RecoveryCategory category);

    // Shows the preview beside the list when the preview option is on and the category shown
    // has previews (calls have none, so their list takes the whole width).
    void updatePreviewShown();

    // Refits the columns when the list's width changes.
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::optional<extract::RecoveryCategory> currentCategory() const { return m_category; }

    // Whether the shown node's filter mark is "D" (only deleted records).
    bool deletedOnly() const;

    // Turns the filter of the shown node on or off (OptOnOffFilter).
    void setFilter(bool on);

    // Shows the files of the app in list row `row` (activating an app row) / returns to the
    // apps.
    void openApp(int row);
    void backToApps();

    // Refreshes LblStatistics (MSG0513: ticked size and count, total size and count) and
    // BtnRecovery (enabled while more records are ticked than ticked and filtered out).
    void refreshStatistics();

    // Applies the language to the columns, the filter count and the statistics label.
    void ApplyLanguage();

    exporting::CStatisticsObj& statistics() { return m_statistics; }

    const extract::ScanResults* results() const { return m_results; }

    // Filters the list by what is typed into `field` (shortly after the last key) and shows
    // "N of M" in `count`; both outlive the view.
    void attachSearch(QLineEdit* field, QLabel* count);

    // Shows only the rows whose columns, or whose messages or note body, contain `text`
    // (ignoring case), counts them and marks the text in the preview; an empty text shows
    // every row again. Ticks never change.
    void setSearch(const QString& text);

    // Whether every row's search text has been read.
    bool searchTextsRead() const;

    // How many rows the search leaves and how many it looked at.
    int searchShown() const { return m_searchShown; }

    int searchTotal() const { return m_searchTotal; }

    // The list row (column 0) of the record `key`; invalid when it is not shown.
    QModelIndex rowOf(const void* key) const;

private:
    // Ticks or unticks the record or app `key` as its box in the list asked.
    void onTickRequested(const void* key, bool tick);
    void onNodeChanged(QTreeWidgetItem* node, int column);
    void onRowChosen();
    // Makes list row `row` the current one when there is such a row.
    void chooseRow(int row);
    // Empties the list and forgets its rows' search texts and marks.
    void clearRows();
    void fillRows(const exporting::SelectionEntry& group, bool appLevel);
    // The list columns of `entry`: an app's name and kind of files (`videos`), a camera-roll
    // file's, or a record's in the language of `words` and `values`.
    QStringList columnsOf(const exporting::SelectionEntry& entry,
                          bool videos,
                          const exporting::MessageNoteWords& words,
                          const exporting::FieldWords& values) const;
    // Measures the width of every column's texts and header, then fits the columns.
    void measureColumns();
    // Fits the columns to their texts within the list's width, cutting the last column, long
    // texts, short texts and dates in that order; no column needs sideways scrolling.
    void fitColumns();
    void applyMark();
    // The text a search looks in for list entry number `index`, case-folded: its columns and
    // the bodies of its messages or note.
    QString searchableText(std::size_t index) const;
    // Reads the search texts of the rows up to `upTo` not read yet; while rows remain unread
    // the next slice is read when the event loop is idle.
    void readSearchTexts(int upTo);
    // Matches the rows against m_needle; rows that failed a shorter needle are skipped.
    void matchRows(const QString& needle);
    void refreshSearchCount();
    void syncNodeChecks();
    void setHeader(bool appLevel);
    void refreshFilterCount();
    std::optional<extract::RecoveryCategory> categoryOfNode(const QTreeWidgetItem* node) const;
    // The tree node of `category`, or null when it has none.
    QTreeWidgetItem* nodeOf(extract::RecoveryCategory category) const;
    // The key of the shown category's group; null when none is shown or it was not filled.
    const void* shownCategoryKey() const;
    // Whether App Photos or App Videos is shown.
    bool showsAppMedia() const;

    Ui::PageScan& m_ui;
    std::array<QTreeWidgetItem*, extract::kCategoryCount> m_nodes;
    CPreviewPanel* m_preview;
    exporting::CStatisticsObj m_statistics;
    // The list's rows, owned by the view.
    ResultsModel* m_rows;
    const extract::ScanResults* m_results = nullptr;
    std::array<bool, extract::kCategoryCount> m_deletedOnly{};
    std::optional<extract::RecoveryCategory> m_category;
    // The app group shown inside App Photos or App Videos, or null at app level.
    const void* m_appKey = nullptr;
    bool m_updating = false;
    // The width of each column's texts and header, measured when the list was filled.
    std::vector<int> m_naturalWidths;
    // The list columns that show dates.
    QSet<int> m_dateColumns;
    QLineEdit* m_searchField = nullptr;
    QLabel* m_searchCount = nullptr;
    QTimer m_searchTimer;
    QTimer m_readAhead;
    // The case-folded search text, each entry's searchable text (read ahead while idle, or on
    // the first search of a list) and whether each entry matches, in list order.
    QString m_needle;
    QStringList m_haystacks;
    std::vector<char> m_matches;
    int m_searchShown = 0;
    int m_searchTotal = 0;
};

// The texts of a record's list columns (without the check box column), a message's in the
// language of `words`, a reminder's or event's values in that of `fieldWords`.
QStringList recordColumns(const exporting::RecordRef& record,
                          const exporting::MessageNoteWords& words = {},
                          const exporting::FieldWords& fieldWords = {});

} // namespace app
