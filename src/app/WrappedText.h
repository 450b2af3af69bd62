// A plain text laid out on lines of a given width: wrapped at word boundaries and, where a word
// (a long URL, a number) is wider than the line, anywhere inside it. Every paragraph is laid out
// on its own, right-to-left ones running from the right, and a search's matches can be marked.
// The wrapped labels and the message bubbles lay their texts out with it.
#pragma once

#include <memory>
#include <vector>

#include <QFont>
#include <QString>

class QPainter;
class QPointF;
class QTextLayout;

namespace app {

class WrappedText
{
public:
    // Lays `text` out in `font` on lines of `width` pixels aligned by `alignment`, marking every
    // occurrence of `highlight` (ignoring case); an empty highlight marks nothing.
    WrappedText(const QString& text,
                const QFont& font,
                qreal width,
                const QString& highlight = {},
                Qt::Alignment alignment = Qt::AlignLeading);
    ~WrappedText();
    WrappedText(WrappedText&&) noexcept;
    WrappedText& operator=(WrappedText&&) noexcept;

    // The height of all lines.
    qreal height() const { return m_height; }

    // Draws the lines with their top-left corner at `origin`.
    void draw(QPainter& painter, const QPointF& origin) const;

    // The width of the widest paragraph of `text` on one unbroken line.
    static qreal naturalWidth(const QString& text, const QFont& font);

private:
    std::vector<std::unique_ptr<QTextLayout>> m_layouts;
    qreal m_height = 0;
};

} // namespace app
