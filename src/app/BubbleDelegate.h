// Lays out and paints the rows of the conversation preview: a message's header line, its text
// in a rounded bubble at most 70 % of the list's width (sent ones on the right, received ones on
// the left), its pictures and the grey lines under it; the "Messages" rule and a group's
// heading centred. A row is laid out only when the list asks for its size or paints it, and its
// height is kept until the list's width changes, so long conversations open and scroll at once.
#pragma once

#include "app/BubbleModel.h"

#include <vector>

#include <QList>
#include <QRect>
#include <QStyledItemDelegate>

class QAbstractItemView;

namespace app {

class BubbleDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // Paints the rows of `model` in `view`, both of which outlive the delegate.
    BubbleDelegate(const BubbleModel& model, QAbstractItemView& view);

    // Marks every occurrence of `text` (ignoring case) in the rows; empty marks nothing.
    void setHighlight(const QString& text);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter,
               const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // Where the pieces of the row `index` (its texts, bubble and pictures) stand, relative to
    // the row's top-left corner, as it is painted at its present width.
    QList<QRect> pieceRects(const QModelIndex& index) const;

private:
    struct Piece;
    struct Arrangement;

    // Lays `bubble` out in `font` for a list `width` pixels wide.
    Arrangement arrange(const Bubble& bubble, const QFont& font, int width) const;
    int listWidth() const;

    const BubbleModel& m_model;
    QAbstractItemView& m_view;
    QString m_highlight;
    // Each row's height at m_heightsWidth; -1 where not laid out yet.
    mutable std::vector<int> m_heights;
    mutable int m_heightsWidth = -1;
};

} // namespace app
