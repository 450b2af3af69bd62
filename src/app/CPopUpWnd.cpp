// Modal pop-up behaviour shared by message boxes and the password window.
#include "app/CPopUpWnd.h"

#include "app/Texts.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace app {

CPopUpWnd::CPopUpWnd(QWidget* owner, const char* section, int width, int height)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
    , m_section(section)
{
    setAttribute(Qt::WA_StyledBackground);
    resize(width, height);
    setModal(true);
}

int CPopUpWnd::showModal()
{
    const QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    const QRect area = owner != nullptr ? owner->frameGeometry()
                       : QGuiApplication::primaryScreen() != nullptr
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(0, 0, width(), height());
    move(area.center() - QPoint(width() / 2, height() / 2));
    return exec();
}

void CPopUpWnd::initPopUp()
{
    if (auto* ok = findChild<QPushButton*>(QStringLiteral("okbtn"))) {
        connect(ok, &QPushButton::clicked, this, [this] { done(kCloseOk); });
    }
    for (const auto* name : {"cancelbtn", "closebtn"}) {
        if (auto* button = findChild<QPushButton*>(QLatin1String(name))) {
            connect(button, &QPushButton::clicked, this, [this] { done(kCloseCancel); });
        }
    }
    if (auto* header = findChild<QWidget*>(QStringLiteral("Header"))) {
        header->installEventFilter(this);
    }
    applyTexts(this, m_section);
}

void CPopUpWnd::addHeader(QBoxLayout* layout, bool heading)
{
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("Header"));
    auto* headerLayout = new QHBoxLayout(header);
    auto* title = new QLabel(header);
    title->setObjectName(QStringLiteral("Title"));
    title->setProperty("heading", heading);
    headerLayout->addWidget(title, 1);
    auto* close = new QPushButton(header);
    close->setObjectName(QStringLiteral("closebtn"));
    close->setAutoDefault(false);
    close->setProperty("iconOnly", true);
    close->setIcon(QIcon(QStringLiteral(":/icons/close-dark.svg")));
    headerLayout->addWidget(close);
    layout->addWidget(header);
}

void CPopUpWnd::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        done(kCloseCancel);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter does not close a pop-up: a stray key press must not answer a question.
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

bool CPopUpWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace app
