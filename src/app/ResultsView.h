// The results of a finished scan on the scan page: the selection statistics, the tree nodes'
// check boxes and filter marks, the record list with its per-category columns, the filter
// switch, the app folders of App Photos and App Videos, the statistics label and the Recover
// button's state. Choosing a row hands its record to the preview panel.
#pragma once

#include "app/ScanTypes.h"
#include "export/CStatisticsObj.h"
#include "extract/Records.h"

#include <array>

#include <QObject>
#include <QString>

class QTreeWidgetItem;

namespace Ui {
class PageScan;
}

namespace app {

class CPreviewPanel;

class ResultsView : public QObject
{
    Q_OBJECT

public:
    // Works on the controls of `ui`, the category nodes `nodes` (null for categories without
    // a node) and `preview`; all outlive the view.
    ResultsView(Ui::PageScan& ui,
                const std::array<QTreeWidgetItem*, kCategoryCount>& nodes,
                CPreviewPanel* preview);

    // Fills the statistics from `results` (which outlive the view's use of them) for the
    // `chosen` categories, every record ticked, gives the nodes their check boxes and "N"
    // marks, and shows the first node that has records.
    void show(const extract::ScanResults& results, const CategorySelection& chosen);

    // Forgets the results: empty list and statistics, nodes without check boxes.
    void clear();

    // Whether results are shown.
    bool hasResults() const { return m_results != nullptr; }

    // Shows the records of `category` in the list (an app list for App Photos and App Videos).
    void showCategory(int category);

    // The category shown, or -1.
    int currentCategory() const { return m_category; }

    // Whether the shown node's filter mark is "D" (only deleted records).
    bool deletedOnly() const;

    // Turns the filter of the shown node on or off (OptOnOffFilter).
    void setFilter(bool on);

    // Shows the files of the app row `row` (activating an app row) / returns to the apps.
    void openApp(QTreeWidgetItem* row);
    void backToApps();

    // Refreshes LblStatistics (MSG0513: ticked size and count, total size and count) and
    // BtnRecovery (enabled while more records are ticked than ticked and filtered out).
    void refreshStatistics();

    // Applies the language to the columns, the filter count and the statistics label.
    void ApplyLanguage();

    exporting::CStatisticsObj& statistics() { return m_statistics; }

    const extract::ScanResults* results() const { return m_results; }

    // The list row of the record `key`, or null when it is not in the list.
    QTreeWidgetItem* rowOf(const void* key) const;

private:
    void onRowChanged(QTreeWidgetItem* row, int column);
    void onNodeChanged(QTreeWidgetItem* node, int column);
    void onRowChosen();
    void fillRows(const exporting::SelectionEntry& group, bool appLevel);
    // Fits the list's columns between the check box and the last one to their texts.
    void fitColumns();
    void applyMark();
    void syncNodeChecks();
    void syncRowChecks();
    void setHeader(bool appLevel);
    void refreshFilterCount();
    int categoryOfNode(const QTreeWidgetItem* node) const;

    Ui::PageScan& m_ui;
    std::array<QTreeWidgetItem*, kCategoryCount> m_nodes;
    CPreviewPanel* m_preview;
    exporting::CStatisticsObj m_statistics;
    const extract::ScanResults* m_results = nullptr;
    std::array<bool, kCategoryCount> m_deletedOnly{};
    int m_category = -1;
    // The app group shown inside App Photos or App Videos, or null at app level.
    const void* m_appKey = nullptr;
    bool m_updating = false;
};

// The texts of a record's list columns (without the check box column).
QStringList recordColumns(const exporting::RecordRef& record);

} // namespace app
