// The recovery window.
#include "app/CRecoverProcessWnd.h"

#include "app/CMessageBox.h"
#include "app/Texts.h"
#include "app/WebPages.h"
#include "platform/Status.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace app {

namespace {

constexpr int kWidth = 770;
constexpr int kHeight = 700;
constexpr int kPollMs = 50;
const QColor kFailureColour(220, 30, 30);

QPushButton* addButton(QWidget* parent, QLayout* layout, const char* name)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    layout->addWidget(button);
    return button;
}

// The text of a failed item's status.
QString errorText(int status)
{
    return fromUtf8(platform::statusName(status));
}

} // namespace

QString CRecoverProcessWnd::chooseFolder(QWidget* owner)
{
    return QFileDialog::getExistingDirectory(owner,
                                             messageText("MSG0509"),
                                             QDir::homePath(),
                                             QFileDialog::ShowDirsOnly |
                                                 QFileDialog::DontUseNativeDialog);
}

CRecoverProcessWnd::CRecoverProcessWnd(QWidget* owner, exporting::RecoveryRunInputs inputs)
    : CPopUpWnd(owner, "RecoverProcessWnd", kWidth, kHeight)
    , m_inputs(std::move(inputs))
{
    setObjectName(QStringLiteral("RecoverProcessWnd"));
    m_run = std::make_unique<exporting::RecoveryRun>(m_inputs, this);
    auto* layout = new QVBoxLayout(this);
    addHeader(layout, true);

    m_current = new QLabel(this);
    m_current->setObjectName(QStringLiteral("current"));
    m_current->setTextFormat(Qt::PlainText);
    m_current->setWordWrap(true);
    layout->addWidget(m_current);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setRange(0, 100);
    layout->addWidget(m_progress);
    auto* counts = new QHBoxLayout;
    m_recovered = new QLabel(this);
    m_recovered->setObjectName(QStringLiteral("recovered"));
    m_percent = new QLabel(this);
    m_percent->setObjectName(QStringLiteral("percent"));
    counts->addWidget(m_recovered, 1);
    counts->addWidget(m_percent);
    layout->addLayout(counts);

    m_details = new QTreeWidget(this);
    m_details->setObjectName(QStringLiteral("DetailList"));
    m_details->setRootIsDecorated(false);
    m_details->setColumnCount(2);
    m_details->setHeaderLabels({languageText("RecoverProcessWnd", "ColFile"),
                                languageText("RecoverProcessWnd", "ColStatus")});
    m_details->header()->setStretchLastSection(false);
    m_details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_details->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_details->hide();
    layout->addWidget(m_details, 1);

    m_guide = new QWidget(this);
    m_guide->setObjectName(QStringLiteral("iOSRecoveryLayout"));
    auto* guide = new QVBoxLayout(m_guide);
    auto* guideText = new QLabel(m_guide);
    guideText->setObjectName(QStringLiteral("LblRecoveryGuide"));
    guideText->setWordWrap(true);
    guideText->setTextFormat(Qt::RichText);
    guide->addWidget(guideText);
    guide->addStretch(1);
    auto* link = addButton(m_guide, guide, "BtnUrlIOSMobileRecovery");
    link->setProperty("role", QStringLiteral("secondary"));
    connect(link, &QPushButton::clicked, this, [] { openWebPage(WebPage::RecoveryGuide); });
    layout->addWidget(m_guide, 1);

    auto* buttons = new QHBoxLayout;
    auto* detail = addButton(this, buttons, "DetailBtn");
    buttons->addStretch(1);
    auto* open = addButton(this, buttons, "OpenBtn");
    m_finish = addButton(this, buttons, "FinishBtn");
    m_finish->setProperty("role", QStringLiteral("primary"));
    m_finish->hide();
    m_cancel = addButton(this, buttons, "CancelBtn");
    layout->addLayout(buttons);
    initPopUp();

    connect(detail, &QPushButton::clicked, this, &CRecoverProcessWnd::toggleDetails);
    connect(open, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(fromUtf8(m_inputs.outputRoot)));
    });
    connect(m_finish, &QPushButton::clicked, this, [this] { QDialog::done(kCloseOk); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { done(kCloseCancel); });
    m_poll.setInterval(kPollMs);
    // The worker's reports are collected under a lock and shown on this timer, a batch at a
    // time, so that thousands of small files never flood the window's event queue.
    connect(&m_poll, &QTimer::timeout, this, [this] {
        const bool finished = m_run->finished();
        showReports();
        if (finished) {
            m_poll.stop();
            onFinished();
        }
    });
    showProgress(0, QString());
}

CRecoverProcessWnd::~CRecoverProcessWnd()
{
    m_run->cancel();
    m_run->wait();
}

int CRecoverProcessWnd::run()
{
    if (m_run->loadTemplates() != 0) {
        showMessageBox(kBoxError, parentWidget(), messageText("MSG1104"), 500, 200);
        return kCloseCancel;
    }
    if (m_run->start() != 0) {
        return kCloseCancel;
    }
    m_poll.start();
    return showModal();
}

void CRecoverProcessWnd::itemFinished(const std::string& path,
                                      int status,
                                      std::uint64_t processed,
                                      std::uint64_t failed,
                                      std::uint64_t total)
{
    std::lock_guard lock(m_reportLock);
    m_pending.push_back({fromUtf8(path), status});
    m_report.processed = processed;
    m_report.failed = failed;
    m_report.total = total;
    m_report.percent = 100;
    m_report.path = m_pending.back().path;
    m_report.counted = true;
}

void CRecoverProcessWnd::progress(int percent, const std::string& path)
{
    std::lock_guard lock(m_reportLock);
    m_report.percent = percent;
    m_report.path = fromUtf8(path);
}

void CRecoverProcessWnd::showReports()
{
    std::vector<FinishedItem> items;
    Report report;
    {
        std::lock_guard lock(m_reportLock);
        items.swap(m_pending);
        report = m_report;
    }
    QList<QTreeWidgetItem*> successes;
    for (const FinishedItem& item : items) {
        auto* row = new QTreeWidgetItem;
        row->setText(0, item.path);
        if (item.status == 0) {
            row->setText(1, QStringLiteral("Success"));
            successes.append(row);
        } else {
            row->setText(1, errorText(item.status));
            row->setForeground(0, kFailureColour);
            row->setForeground(1, kFailureColour);
            m_details->insertTopLevelItem(0, row);
        }
    }
    m_details->addTopLevelItems(successes);
    if (report.counted) {
        m_recovered->setText(formatText(messageText("MSG1102"),
                                        {QString::number(report.processed),
                                         QString::number(report.total),
                                         QString::number(report.processed - report.failed),
                                         QString::number(report.failed)}));
    }
    showProgress(report.percent, report.path);
}

void CRecoverProcessWnd::showProgress(int percent, const QString& path)
{
    m_progress->setValue(percent);
    m_current->setText(path);
    m_percent->setText(QStringLiteral("%1 %2%").arg(messageText("MSG1101")).arg(percent));
}

void CRecoverProcessWnd::onFinished()
{
    m_finished = true;
    if (m_cancelling) {
        QDialog::done(kCloseCancel);
        return;
    }
    m_finish->show();
    m_cancel->hide();
}

void CRecoverProcessWnd::toggleDetails()
{
    const bool details = !m_details->isVisible();
    m_details->setVisible(details);
    m_guide->setVisible(!details);
}

void CRecoverProcessWnd::done(int result)
{
    if (m_finished) {
        QDialog::done(kCloseOk);
        return;
    }
    if (m_cancelling) {
        return;
    }
    (void)result;
    cancelProcedure();
}

void CRecoverProcessWnd::cancelProcedure()
{
    // The worker waits at its next report while the question is open.
    // The question opens over the window: hiding a modal window would end its modal loop.
    std::unique_lock<std::mutex> paused = m_run->pause();
    const int answer = showMessageBox(kBoxQuestion, this, messageText("MSG1103"));
    if (answer != kCloseOk) {
        return;
    }
    if (m_finished) {
        // The run ended while the question was open: nothing is left to stop.
        QDialog::done(kCloseOk);
        return;
    }
    m_cancelling = true;
    m_run->cancel();
    // The window closes when the worker has written what it collected and ended.
}

} // namespace app
