// The text that wraps inside words when it must.
#include "app/WrappedLabel.h"

#include "app/CopyMenu.h"
#include "app/WrappedText.h"

#include <cmath>

#include <QPainter>

namespace app {

namespace {

// Lines this narrow hold a few characters of any font.
constexpr int kNarrowestText = 40;

} // namespace

WrappedLabel::WrappedLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        showCopyMenu(mapToGlobal(at), this->text());
    });
}

QSize WrappedLabel::margins() const
{
    const QMargins m = contentsMargins();
    const int frame = 2 * frameWidth();
    return {m.left() + m.right() + frame, m.top() + m.bottom() + frame};
}

int WrappedLabel::heightForWidth(int width) const
{
    const int inner = std::max(std::min(width, maximumWidth()) - margins().width(), 1);
    return static_cast<int>(std::ceil(WrappedText(text(), font(), inner).height())) +
           margins().height();
}

QSize WrappedLabel::sizeHint() const
{
    // The widest paragraph on one line, then no wider than allowed.
    const qreal natural = WrappedText::naturalWidth(text(), font());
    const int width =
        std::min(static_cast<int>(std::ceil(natural)) + margins().width() + 1, maximumWidth());
    return {width, heightForWidth(width)};
}

QSize WrappedLabel::minimumSizeHint() const
{
    const int width = std::min(kNarrowestText + margins().width(), sizeHint().width());
    return {width, heightForWidth(width)};
}

void WrappedLabel::setHighlight(const QString& text)
{
    if (text != m_highlight) {
        m_highlight = text;
        update();
    }
}

void WrappedLabel::paintEvent(QPaintEvent* event)
{
    // The frame and the style sheet's background, not QLabel's own text.
    QFrame::paintEvent(event);
    const QRect area = contentsRect();
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    WrappedText(text(), font(), area.width(), m_highlight).draw(painter, area.topLeft());
}

} // namespace app
