// The rows of the results list: one per record (or per app at the app level of App Photos and
// App Videos) in display order, with their check boxes, column texts, deleted marks and colour.
// Texts are made when the list first shows or measures a row, and the rows a filter or search
// leaves out are simply not served, so a list of any length opens, filters and ticks at once.
// Ticking a row's box is passed on (tickRequested); the statistics decide what it means.
#pragma once

#include "export/CStatisticsObj.h"

#include <functional>
#include <optional>
#include <vector>

#include <QAbstractTableModel>
#include <QStringList>

namespace app {

class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The role that answers a row's record key (quintptr) in column 0.
    static constexpr int KeyRole = Qt::UserRole;

    // The column texts of an entry, without the check box column.
    using ColumnsOf = std::function<QStringList(const exporting::SelectionEntry&)>;

    // `statistics` (which outlives the model) tells how much of an app row is ticked.
    explicit ResultsModel(const exporting::CStatisticsObj& statistics, QObject* parent = nullptr);

    // Lists `entries` in this order, every one shown, with the texts `columnsOf` makes.
    void setRows(std::vector<const exporting::SelectionEntry*> entries, ColumnsOf columnsOf);

    // Lists nothing.
    void clear();

    // The column headings after the check box column; their number sets the columns.
    void setHeadings(const QStringList& headings);

    // Serves only the entries whose `shown` flag (in setRows order) is set.
    void setShown(const std::vector<char>& shown);

    // Tells the view that ticks may have changed anywhere.
    void refreshChecks();

    // Every entry listed, shown or not, in setRows order.
    const std::vector<const exporting::SelectionEntry*>& entries() const { return m_entries; }

    // The column texts of entry number `index` (setRows order).
    const QStringList& columnTexts(std::size_t index) const;

    // The entry of shown row `row`; null when there is none.
    const exporting::SelectionEntry* entryAt(int row) const;

    // The shown row of the record `key`, or -1.
    int rowOf(const void* key) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The user ticked (or unticked) the box of the record or app `key`.
    void tickRequested(const void* key, bool tick);

private:
    Qt::CheckState checkStateOf(const exporting::SelectionEntry& entry) const;

    const exporting::CStatisticsObj& m_statistics;
    std::vector<const exporting::SelectionEntry*> m_entries;
    ColumnsOf m_columnsOf;
    // Each entry's texts, made when first asked for.
    mutable std::vector<std::optional<QStringList>> m_texts;
    // The setRows positions of the shown rows, in order.
    std::vector<std::size_t> m_shown;
    QStringList m_headings;
};

} // namespace app
