// The rows of the results list.
#include "app/ResultsModel.h"

#include "app/Colours.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace app {

namespace {

// A small orange disc that marks deleted rows.
QIcon deletedMarker()
{
    static const QIcon icon = [] {
        QPixmap pixmap(12, 12);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(kDeletedColour);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(1, 1, 10, 10);
        return QIcon(pixmap);
    }();
    return icon;
}

QIcon folderIcon()
{
    static const QIcon icon(QStringLiteral(":/icons/folder.svg"));
    return icon;
}

} // namespace

ResultsModel::ResultsModel(const exporting::CStatisticsObj& statistics, QObject* parent)
    : QAbstractTableModel(parent)
    , m_statistics(statistics)
{}

void ResultsModel::setRows(std::vector<const exporting::SelectionEntry*> entries,
                           ColumnsOf columnsOf)
{
    beginResetModel();
    m_entries = std::move(entries);
    m_columnsOf = std::move(columnsOf);
    m_texts.assign(m_entries.size(), std::nullopt);
    m_shown.resize(m_entries.size());
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        m_shown[i] = i;
    }
    endResetModel();
}

void ResultsModel::clear()
{
    setRows({}, {});
}

void ResultsModel::setHeadings(const QStringList& headings)
{
    beginResetModel();
    m_headings = headings;
    endResetModel();
}

void ResultsModel::setShown(const std::vector<char>& shown)
{
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (i >= shown.size() || shown[i] != 0) {
            rows.push_back(i);
        }
    }
    if (rows == m_shown) {
        return;
    }
    beginResetModel();
    m_shown = std::move(rows);
    endResetModel();
}

void ResultsModel::refreshChecks()
{
    if (!m_shown.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
    }
}

const QStringList& ResultsModel::columnTexts(std::size_t index) const
{
    std::optional<QStringList>& texts = m_texts[index];
    if (!texts) {
        texts = m_columnsOf ? m_columnsOf(*m_entries[index]) : QStringList();
    }
    return *texts;
}

const exporting::SelectionEntry* ResultsModel::entryAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_entries[m_shown[static_cast<std::size_t>(row)]]
                                        : nullptr;
}

int ResultsModel::rowOf(const void* key) const
{
    for (std::size_t row = 0; row < m_shown.size(); ++row) {
        if (m_entries[m_shown[row]]->key == key) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headings.size()) + 1;
}

Qt::CheckState ResultsModel::checkStateOf(const exporting::SelectionEntry& entry) const
{
    if (entry.group) {
        const exporting::CounterBlock* block = m_statistics.blockOf(entry.key);
        if (block != nullptr && block->ticked > 0 && block->ticked < block->count) {
            return Qt::PartiallyChecked;
        }
    }
    return entry.ticked ? Qt::Checked : Qt::Unchecked;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    const exporting::SelectionEntry* entry = entryAt(index.row());
    if (entry == nullptr || !index.isValid()) {
        return {};
    }
    const int column = index.column();
    if (column == 0) {
        switch (role) {
        case Qt::CheckStateRole:
            return checkStateOf(*entry);
        case Qt::DecorationRole:
            return entry->deleted ? QVariant(deletedMarker()) : QVariant();
        case KeyRole:
            return QVariant::fromValue(reinterpret_cast<quintptr>(entry->key));
        default:
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole: {
        const QStringList& texts = columnTexts(m_shown[static_cast<std::size_t>(index.row())]);
        return column - 1 < texts.size() ? texts[column - 1] : QString();
    }
    case Qt::ForegroundRole:
        return entry->deleted ? QVariant(kDeletedColour) : QVariant();
    case Qt::DecorationRole:
        return entry->group && column == 1 ? QVariant(folderIcon()) : QVariant();
    default:
        return {};
    }
}

bool ResultsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const exporting::SelectionEntry* entry = entryAt(index.row());
    if (entry == nullptr || index.column() != 0 || role != Qt::CheckStateRole) {
        return false;
    }
    emit tickRequested(entry->key, value.value<Qt::CheckState>() != Qt::Unchecked);
    return true;
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 1 ||
        section > m_headings.size()) {
        return {};
    }
    return m_headings[section - 1];
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

} // namespace app
