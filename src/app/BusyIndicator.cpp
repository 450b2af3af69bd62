// Painting of the busy indicator.
#include "app/BusyIndicator.h"

#include <QPainter>

namespace app {

namespace {

constexpr int kFrameMs = 40;
constexpr int kStepDegrees = 12;

} // namespace

BusyIndicator::BusyIndicator(QWidget* parent)
    : QWidget(parent)
{
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + kStepDegrees) % 360;
        update();
    });
}

void BusyIndicator::start()
{
    m_timer.start();
}

void BusyIndicator::stop()
{
    m_timer.stop();
    update();
}

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height());
    const qreal pen = qMax(2.0, side / 9.0);
    const QRectF box((width() - side) / 2.0 + pen,
                     (height() - side) / 2.0 + pen,
                     side - 2 * pen,
                     side - 2 * pen);
    QColor ring = palette().color(QPalette::WindowText);
    ring.setAlphaF(0.18);
    painter.setPen(QPen(ring, pen));
    painter.drawEllipse(box);
    if (isRunning()) {
        painter.setPen(
            QPen(palette().color(QPalette::Highlight), pen, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(box, -m_angle * 16, 100 * 16);
    }
}

} // namespace app
