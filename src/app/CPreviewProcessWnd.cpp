// The preview-loading window.
#include "app/CPreviewProcessWnd.h"

#include "app/CMessageBox.h"
#include "app/Texts.h"

#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 200;

} // namespace

CPreviewProcessWnd::CPreviewProcessWnd(QWidget* owner,
                                       extract::IPhoneRecoveryParse& recovery,
                                       std::string source,
                                       const QString& name)
    : CPopUpWnd(owner, "PreviewProcessWnd", kWidth, kHeight)
    , m_recovery(recovery)
    , m_source(std::move(source))
{
    setObjectName(QStringLiteral("PreviewProcessWnd"));
    auto* layout = new QVBoxLayout(this);
    addHeader(layout, false);
    m_fileName = new QLabel(this);
    m_fileName->setObjectName(QStringLiteral("LblFileName"));
    layout->addWidget(m_fileName);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setRange(0, 100);
    layout->addWidget(m_progress);
    m_percent = new QLabel(this);
    m_percent->setObjectName(QStringLiteral("LblPercent"));
    layout->addWidget(m_percent);
    auto* cancel = new QPushButton(this);
    cancel->setObjectName(QStringLiteral("BtnCancel"));
    layout->addWidget(cancel, 0, Qt::AlignRight);
    initPopUp();
    m_fileName->setText(QStringLiteral("%1 %2").arg(messageText("MSG0902"), name));
    m_percent->setText(QStringLiteral("%1 0%").arg(messageText("MSG0901")));
    connect(cancel, &QPushButton::clicked, this, [this] { done(kCloseCancel); });
}

CPreviewProcessWnd::~CPreviewProcessWnd()
{
    m_cancel = true;
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

int CPreviewProcessWnd::run()
{
    m_worker = std::thread([this] {
        const int status =
            m_recovery.MakePreviewCopy(m_source, m_previewPath, &progressCallback, this);
        QMetaObject::invokeMethod(
            this,
            [this, status] {
                m_status = status;
                m_ended = true;
                QDialog::done(m_cancel ? kCloseCancel : kCloseOk);
            },
            Qt::QueuedConnection);
    });
    const int result = showModal();
    m_worker.join();
    return result;
}

int CPreviewProcessWnd::progressCallback(void* userData, int percent)
{
    return static_cast<CPreviewProcessWnd*>(userData)->onProgress(percent);
}

int CPreviewProcessWnd::onProgress(int percent)
{
    const std::lock_guard lock(m_lock);
    if (m_cancel) {
        return 2;
    }
    QMetaObject::invokeMethod(
        this,
        [this, percent] {
            m_progress->setValue(percent);
            m_percent->setText(QStringLiteral("%1 %2%").arg(messageText("MSG0901")).arg(percent));
        },
        Qt::QueuedConnection);
    return 0;
}

void CPreviewProcessWnd::done(int result)
{
    if (m_ended || result != kCloseCancel) {
        QDialog::done(result);
        return;
    }
    askCancel();
}

void CPreviewProcessWnd::askCancel()
{
    // Holding the lock pauses the copy at its next progress report while the question is open.
    // The question opens over the window: hiding a modal window would end its modal loop.
    std::unique_lock lock(m_lock);
    const int answer = showMessageBox(kBoxQuestion, this, messageText("MSG0903"));
    if (answer == kCloseOk && !m_ended) {
        m_cancel = true;
    }
    // The copy answers 2 at its next report and the window closes when it has returned.
}

} // namespace app
