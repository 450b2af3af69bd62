// The rows of the conversation preview.
#include "app/BubbleModel.h"

#include <QStringList>

namespace app {

void BubbleModel::setBubbles(std::vector<Bubble> bubbles)
{
    beginResetModel();
    m_bubbles = std::move(bubbles);
    endResetModel();
}

void BubbleModel::addPicture(int row, const QPixmap& picture)
{
    if (row < 0 || row >= rowCount()) {
        return;
    }
    m_bubbles[static_cast<std::size_t>(row)].pictures << picture;
    emit dataChanged(index(row), index(row), {PictureCountRole});
}

int BubbleModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_bubbles.size());
}

QVariant BubbleModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Bubble& row = bubble(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        QStringList parts;
        for (const QString* part : {&row.head, &row.text, &row.notes}) {
            if (!part->isEmpty()) {
                parts << *part;
            }
        }
        return parts.join(QLatin1Char('\n'));
    }
    case KindRole:
        return static_cast<int>(row.kind);
    case HeadRole:
        return row.head;
    case TextRole:
        return row.text;
    case NotesRole:
        return row.notes;
    case SentRole:
        return row.sent;
    case DeletedRole:
        return row.deleted;
    case PictureCountRole:
        return static_cast<int>(row.pictures.size());
    default:
        return {};
    }
}

} // namespace app
