// The text that wraps inside words when it must.
#include "app/WrappedLabel.h"

#include <cmath>
#include <memory>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QTextLayout>

namespace app {

namespace {

const QColor kHighlightColour(255, 224, 102);

// Lines this narrow hold a few characters of any font.
constexpr int kNarrowestText = 40;

QTextOption wrapOption(const QString& paragraph)
{
    QTextOption option(Qt::AlignLeading);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(paragraph.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    return option;
}

} // namespace

WrappedLabel::WrappedLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    auto* copy = new QAction(tr("Copy"), this);
    connect(copy, &QAction::triggered, this, [this] {
        QApplication::clipboard()->setText(this->text());
    });
    addAction(copy);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

QSize WrappedLabel::margins() const
{
    const QMargins m = contentsMargins();
    const int frame = 2 * frameWidth();
    return {m.left() + m.right() + frame, m.top() + m.bottom() + frame};
}

qreal WrappedLabel::layoutText(qreal width,
                               std::vector<std::unique_ptr<QTextLayout>>* layouts) const
{
    qreal height = 0;
    const QStringList paragraphs = text().split(QLatin1Char('\n'));
    for (const QString& paragraph : paragraphs) {
        auto layout = std::make_unique<QTextLayout>(paragraph, font());
        layout->setTextOption(wrapOption(paragraph));
        if (!m_highlight.isEmpty()) {
            QList<QTextLayout::FormatRange> marks;
            for (qsizetype at = paragraph.indexOf(m_highlight, 0, Qt::CaseInsensitive); at >= 0;
                 at = paragraph.indexOf(m_highlight, at + 1, Qt::CaseInsensitive)) {
                QTextLayout::FormatRange mark;
                mark.start = static_cast<int>(at);
                mark.length = static_cast<int>(m_highlight.size());
                mark.format.setBackground(kHighlightColour);
                marks.append(mark);
            }
            layout->setFormats(marks);
        }
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout->endLayout();
        if (layouts != nullptr) {
            layouts->push_back(std::move(layout));
        }
    }
    return height;
}

int WrappedLabel::heightForWidth(int width) const
{
    const int inner = std::max(std::min(width, maximumWidth()) - margins().width(), 1);
    return static_cast<int>(std::ceil(layoutText(inner, nullptr))) + margins().height();
}

QSize WrappedLabel::sizeHint() const
{
    // The widest paragraph on one line, then no wider than allowed.
    qreal natural = 0;
    const QFontMetricsF metrics(font());
    for (const QString& paragraph : text().split(QLatin1Char('\n'))) {
        natural = std::max(natural, metrics.horizontalAdvance(paragraph));
    }
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
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    (void)layoutText(area.width(), &layouts);
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    for (const auto& layout : layouts) {
        layout->draw(&painter, area.topLeft());
    }
}

} // namespace app
