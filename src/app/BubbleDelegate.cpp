// The bubbles of the conversation preview.
#include "app/BubbleDelegate.h"

#include "app/Colours.h"
#include "app/WrappedText.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QPainter>

namespace app {

namespace {

const QColor kSentBackground(0xd8, 0xec, 0xff);
const QColor kReceivedBackground(0xef, 0xef, 0xef);
// A bubble takes at most this share (percent) of the list's width, and never less than the
// narrowest width.
constexpr int kBubbleShare = 70;
constexpr int kNarrowestBubble = 120;
constexpr int kBubblePadding = 6;
constexpr qreal kBubbleRadius = 8;
// The space left and right of a row's pieces, above and below them, and between them.
constexpr int kSideMargin = 8;
constexpr int kEndMargin = 4;
constexpr int kSpacing = 4;
// The space above and below the "Messages" rule.
constexpr int kRulePadding = 8;

enum class Side
{
    Left,
    Right,
    Centre
};

} // namespace

// One piece of a row: a text (with the padding and background of a bubble) or a picture.
struct BubbleDelegate::Piece
{
    QRect rect;
    std::optional<WrappedText> text;
    QColor colour;
    QColor background;
    int padding = 0;
    int picture = -1;
};

// The pieces of a row from the top down, and the row's height.
struct BubbleDelegate::Arrangement
{
    std::vector<Piece> pieces;
    int height = 0;

    // Adds `text` under the pieces so far at `side`, wrapped at no more than `widest` pixels
    // (padding included) and aligned by `alignment`, in `colour` on `background` (none when
    // invalid).
    void addText(const QString& text,
                 const QFont& font,
                 int widest,
                 int rowWidth,
                 Side side,
                 const QColor& colour,
                 const QString& highlight,
                 Qt::Alignment alignment = Qt::AlignLeading,
                 int padding = 0,
                 const QColor& background = {})
    {
        const int natural = static_cast<int>(std::ceil(WrappedText::naturalWidth(text, font))) + 1;
        const int textWidth = std::max(std::min(natural, widest - 2 * padding), 1);
        Piece piece;
        piece.text.emplace(text, font, textWidth, highlight, alignment);
        const int h = static_cast<int>(std::ceil(piece.text->height())) + 2 * padding;
        piece.rect = placed(textWidth + 2 * padding, h, rowWidth, side);
        piece.colour = colour;
        piece.background = background;
        piece.padding = padding;
        add(std::move(piece));
    }

    // Adds picture number `index` of `size` under the pieces so far at `side`.
    void addPicture(int index, const QSize& size, int rowWidth, Side side)
    {
        Piece piece;
        piece.rect = placed(size.width(), size.height(), rowWidth, side);
        piece.picture = index;
        add(std::move(piece));
    }

    // A rectangle of `w` x `h` under the pieces so far, at `side` of a row `rowWidth` wide.
    QRect placed(int w, int h, int rowWidth, Side side) const
    {
        const int top = pieces.empty() ? kEndMargin : pieces.back().rect.bottom() + 1 + kSpacing;
        const int x = side == Side::Left    ? kSideMargin
                      : side == Side::Right ? rowWidth - kSideMargin - w
                                            : (rowWidth - w) / 2;
        return {std::max(x, 0), top, w, h};
    }

    void add(Piece piece)
    {
        height = piece.rect.bottom() + 1 + kEndMargin;
        pieces.push_back(std::move(piece));
    }
};

BubbleDelegate::BubbleDelegate(const BubbleModel& model, QAbstractItemView& view)
    : QStyledItemDelegate(&view)
    , m_model(model)
    , m_view(view)
{
    connect(&model, &QAbstractItemModel::modelReset, this, [this] { m_heights.clear(); });
    // A row that changed (a picture arrived) is laid out again.
    connect(&model,
            &QAbstractItemModel::dataChanged,
            this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                for (int row = first.row(); row <= last.row(); ++row) {
                    if (static_cast<std::size_t>(row) < m_heights.size()) {
                        m_heights[static_cast<std::size_t>(row)] = -1;
                    }
                }
                emit sizeHintChanged(first);
            });
}

void BubbleDelegate::setHighlight(const QString& text)
{
    if (text != m_highlight) {
        m_highlight = text;
        m_view.viewport()->update();
    }
}

int BubbleDelegate::listWidth() const
{
    return m_view.viewport()->width();
}

BubbleDelegate::Arrangement
BubbleDelegate::arrange(const Bubble& bubble, const QFont& font, int width) const
{
    Arrangement arrangement;
    const int inner = std::max(width - 2 * kSideMargin, 1);
    switch (bubble.kind) {
    case Bubble::Kind::Rule: {
        const int h = QFontMetrics(font).height();
        Piece piece;
        piece.text.emplace(bubble.head, font, width);
        const int w = std::min(
            static_cast<int>(std::ceil(WrappedText::naturalWidth(bubble.head, font))) + 1, width);
        piece.rect = QRect((width - w) / 2, kRulePadding / 2, w, h);
        piece.colour = kRuleColour;
        arrangement.pieces.push_back(std::move(piece));
        arrangement.height = h + kRulePadding;
        break;
    }
    case Bubble::Kind::Heading: {
        QFont bold = font;
        bold.setBold(true);
        arrangement.addText(bubble.head,
                            bold,
                            inner,
                            width,
                            Side::Centre,
                            kTextColour,
                            m_highlight,
                            Qt::AlignHCenter);
        arrangement.addText(bubble.text,
                            font,
                            inner,
                            width,
                            Side::Centre,
                            kCaptionColour,
                            m_highlight,
                            Qt::AlignHCenter);
        break;
    }
    case Bubble::Kind::Message: {
        const Side side = bubble.sent ? Side::Right : Side::Left;
        const int widest = std::min(std::max(width * kBubbleShare / 100, kNarrowestBubble), inner);
        arrangement.addText(bubble.head, font, inner, width, side, kCaptionColour, m_highlight);
        if (bubble.showsBubble()) {
            arrangement.addText(bubble.text,
                                font,
                                widest,
                                width,
                                side,
                                bubble.deleted ? kDeletedColour : kTextColour,
                                m_highlight,
                                Qt::AlignLeading,
                                kBubblePadding,
                                bubble.sent ? kSentBackground : kReceivedBackground);
        }
        for (int i = 0; i < bubble.pictures.size(); ++i) {
            arrangement.addPicture(
                i, bubble.pictures[i].deviceIndependentSize().toSize(), width, side);
        }
        if (!bubble.notes.isEmpty()) {
            arrangement.addText(bubble.notes,
                                font,
                                widest,
                                width,
                                side,
                                kCaptionColour,
                                m_highlight,
                                bubble.sent ? Qt::AlignRight : Qt::AlignLeading);
        }
        break;
    }
    }
    return arrangement;
}

QSize BubbleDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int width = listWidth();
    if (width != m_heightsWidth ||
        m_heights.size() != static_cast<std::size_t>(m_model.rowCount())) {
        m_heights.assign(static_cast<std::size_t>(m_model.rowCount()), -1);
        m_heightsWidth = width;
    }
    int& height = m_heights[static_cast<std::size_t>(index.row())];
    if (height < 0) {
        height = arrange(m_model.bubble(index.row()), option.font, width).height;
    }
    return {width, height};
}

void BubbleDelegate::paint(QPainter* painter,
                           const QStyleOptionViewItem& option,
                           const QModelIndex& index) const
{
    const Bubble& bubble = m_model.bubble(index.row());
    // The width the row was laid out at, so that the painting always fits the row's height.
    const Arrangement arrangement = arrange(bubble, option.font, option.rect.width());
    painter->save();
    painter->translate(option.rect.topLeft());
    painter->setRenderHint(QPainter::Antialiasing);
    for (const Piece& piece : arrangement.pieces) {
        if (piece.background.isValid()) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(piece.background);
            painter->drawRoundedRect(piece.rect, kBubbleRadius, kBubbleRadius);
        }
        if (piece.text) {
            painter->setPen(piece.colour);
            piece.text->draw(*painter, piece.rect.topLeft() + QPoint(piece.padding, piece.padding));
        } else if (piece.picture >= 0) {
            painter->drawPixmap(piece.rect.topLeft(), bubble.pictures[piece.picture]);
        }
    }
    painter->restore();
}

QList<QRect> BubbleDelegate::pieceRects(const QModelIndex& index) const
{
    QList<QRect> rects;
    const Bubble& bubble = m_model.bubble(index.row());
    for (const Piece& piece :
         arrange(bubble, m_view.font(), m_view.visualRect(index).width()).pieces) {
        rects << piece.rect;
    }
    return rects;
}

} // namespace app
