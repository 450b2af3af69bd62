// The print window.
#include "app/CPrintWnd.h"

#include "app/BusyIndicator.h"
#include "app/CMessageBox.h"
#include "app/Texts.h"
#include "platform/Status.h"

#include <QFile>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace app {

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kTabWaiting = 0;
constexpr int kTabPage = 1;

} // namespace

CPrintWnd::CPrintWnd(QWidget* owner,
                     const extract::ScanResults& results,
                     const exporting::CStatisticsObj& statistics,
                     extract::RecoveryCategory category,
                     bool deletedOnly)
    : CPopUpWnd(owner, "PrintWnd", kWidth, kHeight)
    , m_builder(results, statistics)
    , m_category(category)
    , m_deletedOnly(deletedOnly)
    , m_pagePath(exporting::printPagePath(toUtf8(applicationFolder())))
{
    setObjectName(QStringLiteral("PrintWnd"));
    auto* layout = new QVBoxLayout(this);
    addHeader(layout, true);
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("PrintTabPage"));
    auto* waiting = new QWidget(m_pages);
    auto* waitingLayout = new QVBoxLayout(waiting);
    m_waiting = new BusyIndicator(waiting);
    m_waiting->setObjectName(QStringLiteral("BtnGifPrintLoading"));
    m_waiting->setFixedSize(40, 40);
    waitingLayout->addWidget(m_waiting, 0, Qt::AlignCenter);
    m_pages->addWidget(waiting);
    m_browser = new QTextBrowser(m_pages);
    m_browser->setObjectName(QStringLiteral("WebPagePrint"));
    m_browser->setOpenLinks(false);
    m_pages->addWidget(m_browser);
    layout->addWidget(m_pages, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* printButton = new QPushButton(this);
    printButton->setObjectName(QStringLiteral("BtnPrint"));
    printButton->setProperty("role", QStringLiteral("primary"));
    printButton->setEnabled(false);
    buttons->addWidget(printButton);
    layout->addLayout(buttons);
    initPopUp();
    connect(printButton, &QPushButton::clicked, this, &CPrintWnd::print);
    m_pages->setCurrentIndex(kTabWaiting);
}

CPrintWnd::~CPrintWnd()
{
    m_builder.cancel();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void CPrintWnd::startBuild()
{
    if (m_worker.joinable()) {
        return;
    }
    m_waiting->start();
    const std::string templatePath =
        toUtf8(applicationFolder()) + "template/" + std::string(exporting::kPrintTemplateName);
    m_worker = std::thread([this, templatePath] {
        const int status = m_builder.run(m_category, m_deletedOnly, templatePath, m_pagePath);
        m_built = true;
        QMetaObject::invokeMethod(
            this, [this, status] { showPage(status); }, Qt::QueuedConnection);
    });
}

void CPrintWnd::showPage(int status)
{
    m_waiting->stop();
    if (status == platform::kStatusStopped) {
        QDialog::done(kCloseCancel);
        return;
    }
    QFile page(fromUtf8(m_pagePath));
    QString html;
    if (page.open(QIODevice::ReadOnly)) {
        html = QString::fromUtf8(page.readAll());
    }
    m_browser->setHtml(html);
    m_pages->setCurrentIndex(kTabPage);
    m_shown = true;
    if (auto* button = findChild<QPushButton*>(QStringLiteral("BtnPrint"))) {
        button->setEnabled(true);
    }
}

void CPrintWnd::printOn(QPrinter& printer) const
{
    m_browser->document()->print(&printer);
}

void CPrintWnd::print()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() == QDialog::Accepted) {
        printOn(printer);
    }
}

void CPrintWnd::done(int result)
{
    if (m_built || !m_worker.joinable()) {
        QDialog::done(result);
        return;
    }
    // The build waits before its next record while the question is open.
    std::unique_lock<std::mutex> paused = m_builder.pause();
    const int answer = showMessageBox(kBoxQuestion, this, messageText("MSG0903"));
    if (answer != kCloseOk) {
        return;
    }
    if (m_built) {
        // The build ended just before the question: nothing is left to cancel.
        QDialog::done(result);
        return;
    }
    // A cancelled build closes the window when its worker has returned.
    m_builder.cancel();
}

} // namespace app
