// A small spinning arc that shows that work is going on; start() and stop() drive it.
#pragma once

#include <QTimer>
#include <QWidget>

namespace app {

class BusyIndicator : public QWidget
{
    Q_OBJECT

public:
    explicit BusyIndicator(QWidget* parent = nullptr);

    // Starts or stops the rotation; a stopped indicator draws a still, faint ring.
    void start();
    void stop();

    bool isRunning() const { return m_timer.isActive(); }

    QSize sizeHint() const override { return {26, 26}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    int m_angle = 0;
};

} // namespace app
