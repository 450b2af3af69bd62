// A read-only text that wraps at word boundaries and, where a word (a long URL, a number) is
// wider than the line, anywhere inside it, so its width never exceeds what its layout gives it.
// Its height follows its width, right-to-left text runs from the right, and a context menu
// copies the whole text; a search's matches can be marked. The contact card and the record
// fields use it.
#pragma once

#include <QLabel>

namespace app {

class WrappedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit WrappedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }

    // The height the text needs at `width` (capped at the maximum width), margins included.
    int heightForWidth(int width) const override;

    // The text on unbroken lines, no wider than the maximum width.
    QSize sizeHint() const override;

    // Marks every occurrence of `text` (ignoring case); empty marks nothing.
    void setHighlight(const QString& text);

    // Any width down to a few characters fits: the text wraps inside a word when it must.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The horizontal and vertical margins around the text.
    QSize margins() const;

    QString m_highlight;
};

} // namespace app
