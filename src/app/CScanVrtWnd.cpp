// The scan page.
#include "app/CScanVrtWnd.h"

#include "app/BusyIndicator.h"
#include "app/CMessageBox.h"
#include "app/CPreviewPanel.h"
#include "app/CPrintWnd.h"
#include "app/CRecoverProcessWnd.h"
#include "app/ResultsView.h"
#include "app/Texts.h"
#include "platform/Status.h"
#include "ui_MainWnd.h"
#include "ui_PageScan.h"

#include <numeric>

#include <QBoxLayout>
#include <QCheckBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>

namespace app {

namespace {

constexpr int kRefreshMs = 250;
constexpr const char* kListSplitterKey = "PageScan/listSplitter";
constexpr int kQuestionWidth = 550;
constexpr int kSearchWidth = 160;
constexpr int kQuestionHeight = 200;
// The damage report lists a line or two per category.
constexpr int kDamageBoxWidth = 640;
constexpr int kDamageBoxHeight = 300;
// The language key of a tree item's text.
constexpr int kTextKeyRole = Qt::UserRole + 1;

using C = extract::RecoveryCategory;

struct TreeNode
{
    C category;
    const char* key;
    const char* icon;
};

struct NodeGroup
{
    const char* key;
    std::initializer_list<TreeNode> nodes;
};

const NodeGroup kGroups[] = {
    {"NodeGroupMedia",
     {{C::CameraRoll, "NodeCameraRoll", "node-camera-roll"},
      {C::PhotoStream, "NodePhotoStream", "node-photo-stream"},
      {C::AppPhotos, "NodeAppPhotos", "node-app-photos"},
      {C::AppVideos, "NodeAppVideos", "node-app-videos"}}},
    {"NodeGroupMessages",
     {{C::Messages, "NodeMessages", "node-messages"},
      {C::MessageAttachments, "NodeMessageAtts", "node-attachments"},
      {C::Contacts, "NodeContacts", "node-contacts"},
      {C::CallHistory, "NodeCallHistory", "node-call-history"},
      {C::Notes, "NodeNotes", "node-notes"},
      {C::WhatsApp, "NodeWhatsApp", "node-whatsapp"},
      {C::WhatsAppAttachments, "NodeWhatsAppAtts", "node-attachments"},
      {C::Reminder, "NodeReminder", "node-reminder"},
      {C::Calendar, "NodeCalendar", "node-calendar"},
      {C::SafariBookmark, "NodeSafariBookmark", "node-bookmark"},
      {C::SafariHistory, "NodeSafariHistory", "node-history"}}},
};

// The node's name: its text before "(".
QString nodeName(const QString& text)
{
    const qsizetype open = text.indexOf(QLatin1Char('('));
    return open < 0 ? text : text.left(open);
}

// What an examiner needs to find the damage of `entry`: the first damaged place and how many
// more there were, or the status its step ended with.
QString damageDetail(const CategoryDamage& entry)
{
    if (entry.places == 0) {
        return fromUtf8(platform::statusName(entry.status));
    }
    const platform::Diagnostic& place = entry.firstPlace;
    QString detail = formatText(
        messageText("MSG0516"),
        {QString::number(place.page), QString::number(place.offset), fromUtf8(place.message)});
    if (entry.places > 1) {
        detail += formatText(messageText("MSG0517"), {QString::number(entry.places - 1)});
    }
    return detail;
}

} // namespace

CScanVrtWnd::CScanVrtWnd(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::PageScan>())
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    buildTree();
    // The preview panel sits beside the list; the print button joins the list's tool bar.
    auto* listRow = new QSplitter(Qt::Horizontal, m_ui->DataListLayout);
    m_listRow = listRow;
    listRow->setObjectName(QStringLiteral("DataListRow"));
    listRow->setChildrenCollapsible(false);
    delete m_ui->DataListLayout->layout()->replaceWidget(m_ui->DataList, listRow);
    listRow->addWidget(m_ui->DataList);
    if (auto* column = qobject_cast<QBoxLayout*>(m_ui->DataListLayout->layout())) {
        column->setStretchFactor(listRow, 1);
    }
    m_preview = new CPreviewPanel(listRow);
    listRow->addWidget(m_preview);
    // The list's columns need more room than the preview's single column of text.
    listRow->setStretchFactor(0, 2);
    listRow->setStretchFactor(1, 1);
    auto* print = new QPushButton(m_ui->DataListToolBar);
    print->setObjectName(QStringLiteral("BtnPrint"));
    print->setAutoDefault(false);
    print->setProperty("role", QStringLiteral("secondary"));
    // The search field sits right of the switches, before the print button.
    auto* search = new QLineEdit(m_ui->DataListToolBar);
    search->setObjectName(QStringLiteral("TxtSearch"));
    search->setClearButtonEnabled(true);
    search->setMinimumWidth(kSearchWidth);
    auto* searchCount = new QLabel(m_ui->DataListToolBar);
    searchCount->setObjectName(QStringLiteral("LblSearchCount"));
    searchCount->hide();
    auto* tools = qobject_cast<QBoxLayout*>(m_ui->DataListToolBar->layout());
    tools->addWidget(searchCount);
    tools->addWidget(search);
    tools->addWidget(print);
    m_results = std::make_unique<ResultsView>(*m_ui, m_nodes, m_preview);
    m_results->attachSearch(search, searchCount);
    setKeyboardOrder(search, print);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [search] {
        if (search->isVisible()) {
            search->setFocus(Qt::ShortcutFocusReason);
            search->selectAll();
        }
    });
    connect(print, &QPushButton::clicked, this, &CScanVrtWnd::OnPrint);
    connect(m_ui->OptOnOffPreview, &QCheckBox::toggled, this, [this] {
        m_results->updatePreviewShown();
    });
    connect(m_ui->BtnRecovery, &QPushButton::clicked, this, &CScanVrtWnd::OnRecovery);
    m_ui->DataListLayout->hide();
    m_ui->BtnBackAppDir->hide();
    m_ui->BtnHome->setEnabled(false);
    m_ui->BtnRecovery->setEnabled(false);
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CScanVrtWnd::OnRefresh);
    connect(m_ui->BtnHome, &QPushButton::clicked, this, &CScanVrtWnd::OnHome);
}

void CScanVrtWnd::setKeyboardOrder(QWidget* search, QWidget* print)
{
    // The tree and the switches take the focus from the keyboard too; Tab runs from the tree
    // through the list's tool bar and the list to the preview and the page's buttons.
    QWidget* const focusable[] = {m_ui->NodeTree, m_ui->OptOnOffPreview, m_ui->OptOnOffFilter};
    for (QWidget* control : focusable) {
        control->setFocusPolicy(Qt::StrongFocus);
    }
    QWidget* const chain[] = {m_ui->NodeTree,
                              m_ui->OptOnOffPreview,
                              m_ui->OptOnOffFilter,
                              search,
                              print,
                              m_ui->BtnBackAppDir,
                              m_ui->DataList,
                              m_preview,
                              m_ui->BtnHome,
                              m_ui->BtnRecovery};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) {
        setTabOrder(chain[i], chain[i + 1]);
    }
}

CScanVrtWnd::~CScanVrtWnd()
{
    releaseLock();
}

void CScanVrtWnd::saveLayout(QSettings& store) const
{
    store.setValue(QLatin1String(kListSplitterKey), m_listRow->saveState());
}

void CScanVrtWnd::restoreLayout(const QSettings& store)
{
    const QByteArray state = store.value(QLatin1String(kListSplitterKey)).toByteArray();
    if (!state.isEmpty()) {
        (void)m_listRow->restoreState(state);
    }
}

void CScanVrtWnd::setSession(ScanSession* session)
{
    releaseLock();
    m_session = session;
}

void CScanVrtWnd::Init(Ui::MainWnd& header)
{
    m_scanToolBar = header.ScanToolBar;
    m_recoveryToolBar = header.ReocveryToolBar;
    m_horLayoutMain = header.HorLayoutMain;
    m_horLayoutScan = header.HorLayoutScan;
    m_scanAnimation = header.BtnGifScanning;
    m_progress = header.ProgressScan;
    m_percent = header.LblPercent;
    m_waitDesc = header.LblWaitDesc;
    m_scanType = header.LblScanType;
    m_remark = header.LblRemark;
    m_pauseButton = header.BtnScanPause;
    m_stopButton = header.BtnScanStop;
    connect(m_pauseButton, &QPushButton::clicked, this, &CScanVrtWnd::TogglePause);
    connect(m_stopButton, &QPushButton::clicked, this, &CScanVrtWnd::Stop);
    ApplyLanguage();
}

void CScanVrtWnd::ApplyLanguage()
{
    applyTexts(this, "PageScan", {QStringLiteral("LblStatistics")});
    setPauseText();
    if (m_scanType != nullptr) {
        m_scanType->setText(messageText("MSG0501"));
    }
    m_ui->LblScanInfo->setText(messageText("MSG0502"));
    if (m_waitDesc != nullptr) {
        m_waitDesc->setText(languageText("PageScan", "LblWaitDesc"));
    }
    if (m_remark != nullptr) {
        m_remark->setText(languageText("PageScan", "LblRemark"));
    }
    for (int g = 0; g < m_ui->NodeTree->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = m_ui->NodeTree->topLevelItem(g);
        group->setText(
            0, languageText("PageScan", group->data(0, kTextKeyRole).toByteArray().constData()));
    }
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const QByteArray key = m_nodes[i]->data(0, kTextKeyRole).toByteArray();
        m_nodes[i]->setText(0,
                            QStringLiteral("%1(%2)")
                                .arg(languageText("PageScan", key.constData()))
                                .arg(m_counts[i]));
    }
    if (m_results->hasResults()) {
        m_results->ApplyLanguage();
    } else {
        refreshStatistics(m_counts);
    }
    assignScanMnemonics();
}

void CScanVrtWnd::assignScanMnemonics()
{
    if (m_scanToolBar != nullptr) {
        assignMnemonics({this, m_scanToolBar});
    }
}

void CScanVrtWnd::buildTree()
{
    QTreeWidget* tree = m_ui->NodeTree;
    tree->clear();
    for (const NodeGroup& group : kGroups) {
        auto* top = new QTreeWidgetItem(tree);
        top->setData(0, kTextKeyRole, QByteArray(group.key));
        top->setFlags(Qt::ItemIsEnabled);
        for (const TreeNode& entry : group.nodes) {
            auto* node = new QTreeWidgetItem(top);
            node->setData(0, kTextKeyRole, QByteArray(entry.key));
            node->setIcon(0,
                          QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(entry.icon))));
            node->setText(0, QStringLiteral("(0)"));
            node->setDisabled(true);
            m_nodes[static_cast<std::size_t>(entry.category)] = node;
        }
    }
    tree->expandAll();
}

void CScanVrtWnd::showChosenNodes()
{
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        QTreeWidgetItem* node = nodeOf(info.category);
        node->setSelected(false);
        node->setDisabled(true);
        node->setHidden(!m_selection.has(info.category));
    }
    QTreeWidget* tree = m_ui->NodeTree;
    for (int g = 0; g < tree->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = tree->topLevelItem(g);
        bool anyShown = false;
        for (int i = 0; i < group->childCount(); ++i) {
            anyShown = anyShown || !group->child(i)->isHidden();
        }
        group->setHidden(!anyShown);
    }
}

int CScanVrtWnd::StartScan(const catalogue::BackupInfo& backup,
                           const std::string& password,
                           extract::CategorySet categories)
{
    if (m_session == nullptr) {
        return 1;
    }
    m_counts = {};
    m_hasResults = false;
    m_paused = false;
    m_selection = categories;
    m_results->clear();
    showChosenNodes();
    m_scanToolBar->show();
    m_recoveryToolBar->hide();
    m_ui->DataListToolBar->hide();
    m_ui->DataListLayout->hide();
    m_ui->iPhoneInfoLayout->show();
    m_ui->BtnHome->setEnabled(false);
    m_ui->BtnRecovery->setEnabled(false);
    m_progress->setValue(0);
    m_progress->hide();
    m_percent->hide();
    m_waitDesc->show();
    m_pauseButton->setEnabled(true);
    m_stopButton->setEnabled(true);
    setPauseText();
    ApplyLanguage();
    setAnimation(true);
    const int status = m_session->startScan(backup, password, categories);
    m_scanning = status == 0;
    if (m_scanning) {
        m_refreshTimer.start();
    }
    return status;
}

void CScanVrtWnd::OnFirstProgress()
{
    m_waitDesc->hide();
    m_progress->show();
    m_percent->show();
    m_horLayoutMain->hide();
    m_horLayoutScan->show();
}

void CScanVrtWnd::OnRefresh()
{
    // While the page holds the pause the scan cannot move on: the values shown stay right.
    if (m_session == nullptr || m_pauseLock.owns_lock()) {
        return;
    }
    const int percent = m_session->shownPercent();
    const extract::CategoryCounts counts = m_session->counts();
    m_counts = counts;
    if (m_scanning) {
        m_progress->setValue(percent);
        m_percent->setText(QStringLiteral("%1%").arg(percent));
    }
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        if (QTreeWidgetItem* node = m_nodes[i]) {
            node->setText(0, QStringLiteral("%1(%2)").arg(nodeName(node->text(0))).arg(counts[i]));
            node->setDisabled(counts[i] == 0);
        }
    }
    checkRecoveryButton(counts);
}

void CScanVrtWnd::OnScanDone()
{
    m_refreshTimer.stop();
    OnRefresh();
    m_scanning = false;
    m_paused = false;
    releaseLock();
    m_hasResults = true;
    m_scanToolBar->hide();
    m_recoveryToolBar->show();
    m_horLayoutMain->hide();
    m_horLayoutScan->show();
    m_ui->DataListToolBar->show();
    m_ui->DataListLayout->show();
    m_ui->iPhoneInfoLayout->hide();
    setAnimation(false);
    m_ui->BtnHome->setEnabled(true);
    // The scan thread has ended: its results are complete and no longer written.
    m_session->wait();
    m_preview->setSource(m_session->source());
    m_results->show(m_session->results(), m_selection);
    reportDamage();
}

void CScanVrtWnd::reportDamage()
{
    const std::vector<CategoryDamage> damage = m_session->damage();
    if (damage.empty()) {
        return;
    }
    QString text = messageText("MSG0514");
    for (const CategoryDamage& entry : damage) {
        QTreeWidgetItem* node = m_nodes[static_cast<std::size_t>(entry.category)];
        const QString name = node != nullptr ? nodeName(node->text(0)) : QString();
        text +=
            QStringLiteral("\n") + formatText(messageText("MSG0515"), {name, damageDetail(entry)});
    }
    (void)showMessageBox(kBoxWarning, window(), text, kDamageBoxWidth, kDamageBoxHeight);
}

void CScanVrtWnd::OnHome()
{
    if (m_hasResults &&
        showMessageBox(
            kBoxQuestion, window(), messageText("MSG0510"), kQuestionWidth, kQuestionHeight) !=
            kCloseOk) {
        return;
    }
    m_results->clear();
    m_hasResults = false;
    m_counts = {};
    m_preview->setSource(nullptr);
    emit homeRequested();
}

void CScanVrtWnd::OnRecovery()
{
    const QString folder = CRecoverProcessWnd::chooseFolder(window());
    if (!folder.isEmpty()) {
        (void)StartRecovery(folder);
    }
}

int CScanVrtWnd::StartRecovery(const QString& folder)
{
    if (!m_results->hasResults() || m_session == nullptr) {
        return kCloseCancel;
    }
    exporting::RecoveryRunInputs inputs;
    inputs.outputRoot = toUtf8(folder);
    inputs.templateFolder = toUtf8(applicationFolder() + QStringLiteral("template"));
    inputs.deviceName = m_session->backup().displayName;
    inputs.results = m_results->results();
    inputs.statistics = &m_results->statistics();
    inputs.source = m_session->source();
    CRecoverProcessWnd recovery(window(), std::move(inputs));
    return recovery.run();
}

void CScanVrtWnd::OnPrint()
{
    const std::optional<extract::RecoveryCategory> category = m_results->currentCategory();
    if (!m_results->hasResults() || !category) {
        return;
    }
    CPrintWnd printing(window(),
                       *m_results->results(),
                       m_results->statistics(),
                       *category,
                       m_results->deletedOnly());
    printing.startBuild();
    printing.showModal();
}

void CScanVrtWnd::OnWrongPassword()
{
    m_refreshTimer.stop();
    m_scanning = false;
    m_paused = false;
    releaseLock();
    setAnimation(false);
}

void CScanVrtWnd::TogglePause()
{
    if (!m_scanning || m_session == nullptr) {
        return;
    }
    m_paused = !m_paused;
    if (m_paused) {
        holdLock();
    } else {
        releaseLock();
    }
    setPauseText();
    m_ui->BtnHome->setEnabled(false);
    checkRecoveryButton(m_counts);
    setAnimation(!m_paused);
}

void CScanVrtWnd::Stop()
{
    if (!m_scanning || m_session == nullptr) {
        return;
    }
    if (!m_paused) {
        holdLock();
        setAnimation(false);
    }
    if (showMessageBox(
            kBoxQuestion, window(), messageText("MSG0508"), kQuestionWidth, kQuestionHeight) ==
        kCloseOk) {
        if (m_paused) {
            m_paused = false;
            setPauseText();
        }
        releaseLock();
        m_session->stop();
        m_pauseButton->setEnabled(false);
        m_stopButton->setEnabled(false);
        return;
    }
    if (!m_paused) {
        releaseLock();
        setAnimation(true);
    }
}

bool CScanVrtWnd::ConfirmClose()
{
    if (!m_scanning && !m_hasResults) {
        return true;
    }
    const bool running = m_scanning && m_session != nullptr;
    if (running && !m_paused) {
        holdLock();
        setAnimation(false);
    }
    const QString title = messageText("MSG0405");
    CMessageBox box(
        kBoxWarning, window(), messageText("MSG0511"), kQuestionWidth, kQuestionHeight, &title);
    box.showWarningCancel();
    if (box.showModal() == kCloseOk) {
        if (running) {
            m_paused = false;
            releaseLock();
            m_session->stop();
        }
        return true;
    }
    if (running && !m_paused) {
        releaseLock();
        setAnimation(true);
    }
    return false;
}

void CScanVrtWnd::holdLock()
{
    if (!m_pauseLock.owns_lock() && m_session != nullptr) {
        m_pauseLock = m_session->pause();
    }
}

void CScanVrtWnd::releaseLock()
{
    if (m_pauseLock.owns_lock()) {
        m_pauseLock.unlock();
    }
}

void CScanVrtWnd::setPauseText()
{
    if (m_pauseButton == nullptr) {
        return;
    }
    m_pauseButton->setText(messageText(m_paused ? "MSG0506" : "MSG0507"));
    assignScanMnemonics();
    m_pauseButton->setIcon(QIcon(m_paused ? QStringLiteral(":/icons/resume.svg")
                                          : QStringLiteral(":/icons/pause.svg")));
}

void CScanVrtWnd::setAnimation(bool running)
{
    for (BusyIndicator* animation : {m_scanAnimation, m_ui->BtnGifLoading}) {
        if (animation == nullptr) {
            continue;
        }
        if (running) {
            animation->start();
        } else {
            animation->stop();
        }
    }
}

void CScanVrtWnd::refreshStatistics(const extract::CategoryCounts& counts)
{
    const std::size_t total = std::accumulate(counts.begin(), counts.end(), std::size_t{0});
    m_ui->LblStatistics->setText(languageText("PageScan", "TxtStatistics").arg(total));
}

void CScanVrtWnd::checkRecoveryButton(const extract::CategoryCounts& counts)
{
    // While the scan runs (paused too) its thread still owns the results: recovery waits for
    // the end, when the results view decides.
    (void)counts;
    if (m_scanning) {
        m_ui->BtnRecovery->setEnabled(false);
    }
}

} // namespace app
