// Text wrapped inside words when it must.
#include "app/WrappedText.h"

#include "app/Colours.h"

#include <algorithm>

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

namespace app {

namespace {

QTextOption wrapOption(const QString& paragraph, Qt::Alignment alignment)
{
    QTextOption option(alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(paragraph.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    return option;
}

// A yellow background under every occurrence of `needle` in `paragraph`, ignoring case.
QList<QTextLayout::FormatRange> marksOf(const QString& paragraph, const QString& needle)
{
    QList<QTextLayout::FormatRange> marks;
    if (needle.isEmpty()) {
        return marks;
    }
    for (qsizetype at = paragraph.indexOf(needle, 0, Qt::CaseInsensitive); at >= 0;
         at = paragraph.indexOf(needle, at + 1, Qt::CaseInsensitive)) {
        QTextLayout::FormatRange mark;
        mark.start = static_cast<int>(at);
        mark.length = static_cast<int>(needle.size());
        mark.format.setBackground(kHighlightColour);
        marks.append(mark);
    }
    return marks;
}

} // namespace

WrappedText::WrappedText(const QString& text,
                         const QFont& font,
                         qreal width,
                         const QString& highlight,
                         Qt::Alignment alignment)
{
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        auto layout = std::make_unique<QTextLayout>(paragraph, font);
        layout->setTextOption(wrapOption(paragraph, alignment));
        layout->setFormats(marksOf(paragraph, highlight));
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, m_height));
            m_height += line.height();
        }
        layout->endLayout();
        m_layouts.push_back(std::move(layout));
    }
}

WrappedText::~WrappedText() = default;
WrappedText::WrappedText(WrappedText&&) noexcept = default;
WrappedText& WrappedText::operator=(WrappedText&&) noexcept = default;

void WrappedText::draw(QPainter& painter, const QPointF& origin) const
{
    for (const auto& layout : m_layouts) {
        layout->draw(&painter, origin);
    }
}

qreal WrappedText::naturalWidth(const QString& text, const QFont& font)
{
    qreal natural = 0;
    const QFontMetricsF metrics(font);
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        natural = std::max(natural, metrics.horizontalAdvance(paragraph));
    }
    return natural;
}

} // namespace app
