// The main window and its page flow.
#include "app/CMainWnd.h"

#include "app/AppEvents.h"
#include "app/CItunesBackupVrtWnd.h"
#include "app/CPreviewPanel.h"
#include "app/CScanVrtWnd.h"
#include "app/CSpecifyFileVrtWnd.h"
#include "app/LayoutStore.h"
#include "app/ScanSession.h"
#include "app/Texts.h"
#include "app/WebPages.h"
#include "catalogue/BackupEngine.h"
#include "catalogue/Folders.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "ui_MainWnd.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>
#include <QSizeGrip>
#include <QWindow>

namespace app {

namespace {

constexpr const char* kViewInstallFolder = "viewInstall";
constexpr const char* kGeometryKey = "MainWnd/geometry";

void createViewInstallFolder()
{
    const std::string work = catalogue::workFolderPath();
    if (!work.empty()) {
        (void)platform::createFolders(platform::joinPath(work, kViewInstallFolder));
    }
}

} // namespace

CMainWnd::CMainWnd(catalogue::BackupEngine& engine, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_ui(std::make_unique<Ui::MainWnd>())
    , m_engine(engine)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    m_session = std::make_unique<ScanSession>(m_engine, this);
    Init();
}

CMainWnd::~CMainWnd()
{
    // The page lets go of a held pause before the session ends the scan and joins its thread.
    m_scanPage->setSession(nullptr);
    m_session.reset();
}

void CMainWnd::Init()
{
    m_ui->HorLayoutScan->hide();
    m_ui->restorebtn->hide();
    m_ui->Header->installEventFilter(this);

    m_backupPage = new CItunesBackupVrtWnd(m_ui->TabBackup);
    m_ui->TabBackup->layout()->addWidget(m_backupPage);
    m_specifyPage = new CSpecifyFileVrtWnd(this, m_ui->MainTabPage, m_ui->TabSpecify);
    m_ui->TabSpecify->layout()->addWidget(m_specifyPage);
    m_scanPage = new CScanVrtWnd(m_ui->TabScan);
    m_ui->TabScan->layout()->addWidget(m_scanPage);

    buildAssistMenu();
    ApplyLanguage();

    std::vector<catalogue::BackupInfo> backups;
    (void)m_engine.readBackupList(backups);
    m_backupPage->Init(backups);
    m_specifyPage->Init();
    m_specifyPage->setEncryptedQuery([this] { return m_scanSource.isEncrypted; });
    m_scanPage->setSession(m_session.get());
    m_scanPage->Init(*m_ui);
    assignPageMnemonics();
    createViewInstallFolder();

    connect(m_backupPage, &CItunesBackupVrtWnd::backupChosen, this, &CMainWnd::OnBackupChosen);
    connect(m_scanPage, &CScanVrtWnd::homeRequested, this, &CMainWnd::OnHome);
    connect(m_ui->OptStep1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            OnStep(0);
        }
    });
    connect(m_ui->OptStep2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            OnStep(1);
        }
    });
    connect(m_ui->BtnAssist, &QPushButton::clicked, this, [this] {
        m_assistMenu->popup(m_ui->BtnAssist->mapToGlobal(QPoint(0, m_ui->BtnAssist->height())));
    });
    connect(m_ui->minbtn, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(m_ui->maxbtn, &QPushButton::clicked, this, &QWidget::showMaximized);
    connect(m_ui->restorebtn, &QPushButton::clicked, this, &QWidget::showNormal);
    connect(m_ui->closebtn, &QPushButton::clicked, this, &QWidget::close);
    // Without a system frame the window is resized by this grip (the window manager takes
    // over the drag) or maximised by its header.
    m_sizeGrip = new QSizeGrip(this);
    m_sizeGrip->setObjectName(QStringLiteral("WindowSizeGrip"));
    m_sizeGrip->resize(m_sizeGrip->sizeHint());
}

void CMainWnd::assignPageMnemonics()
{
    // The scan page gives its own and the header's scan buttons theirs.
    assignMnemonics({m_backupPage});
    assignMnemonics({m_specifyPage});
}

void CMainWnd::saveLayout() const
{
    const std::unique_ptr<QSettings> store = layoutStore();
    if (store == nullptr) {
        return;
    }
    store->setValue(QLatin1String(kGeometryKey), saveGeometry());
    m_scanPage->saveLayout(*store);
}

void CMainWnd::restoreLayout()
{
    m_layoutRestored = true;
    const std::unique_ptr<QSettings> store = layoutStore();
    if (store == nullptr) {
        return;
    }
    const QByteArray geometry = store->value(QLatin1String(kGeometryKey)).toByteArray();
    if (!geometry.isEmpty()) {
        (void)restoreGeometry(geometry);
    }
    m_scanPage->restoreLayout(*store);
}

void CMainWnd::showEvent(QShowEvent* event)
{
    if (!m_layoutRestored) {
        restoreLayout();
    }
    QWidget::showEvent(event);
}

void CMainWnd::resizeEvent(QResizeEvent* event)
{
    m_sizeGrip->move(width() - m_sizeGrip->width(), height() - m_sizeGrip->height());
    m_sizeGrip->raise();
    QWidget::resizeEvent(event);
}

void CMainWnd::ApplyLanguage()
{
    applyTexts(this, "MainWnd");
    buildLanguageMenu();
}

void CMainWnd::buildAssistMenu()
{
    m_assistMenu = new QMenu(this);
    m_assistMenu->setObjectName(QStringLiteral("menu_assist"));
    const auto add = [this](const char* name, int message) {
        QAction* action = m_assistMenu->addAction(QString());
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, message] {
            postAppMessage(this, message, 0);
        });
        return action;
    };
    add("item_help", kMsgOpenHelp);
    m_languageMenu = new QMenu(m_assistMenu);
    m_languageMenu->setObjectName(QStringLiteral("menu_language"));
    QAction* language = m_assistMenu->addMenu(m_languageMenu);
    language->setObjectName(QStringLiteral("item_language"));
    add("item_faq", kMsgOpenFaq);
    m_assistMenu->addSeparator();
    add("item_about", kMsgOpenAbout);
    add("item_support", kMsgOpenSupport);
    m_assistMenu->addSeparator();
    QAction* exit = m_assistMenu->addAction(QString());
    exit->setObjectName(QStringLiteral("item_exit"));
    connect(exit, &QAction::triggered, this, &QWidget::close, Qt::QueuedConnection);
}

void CMainWnd::buildLanguageMenu()
{
    m_languageMenu->clear();
    auto* group = new QActionGroup(m_languageMenu);
    const std::string current = settings().language();
    for (const auto& [key, value] : settings().languages()) {
        QAction* action = m_languageMenu->addAction(fromUtf8(value.empty() ? key : value));
        action->setCheckable(true);
        action->setChecked(key == current);
        action->setData(fromUtf8(key));
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, key = key] {
            (void)settings().setLanguage(key);
            postAppMessage(this, kMsgLanguageChanged, 0);
        });
    }
    m_languageMenu->menuAction()->setVisible(!m_languageMenu->isEmpty());
}

void CMainWnd::bringToFront()
{
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

void CMainWnd::OnBackupChosen(const catalogue::BackupInfo& backup)
{
    m_scanSource = backup;
    createViewInstallFolder();
    m_ui->OptStep2->setChecked(true);
}

void CMainWnd::OnStep(int step)
{
    m_ui->TabPage->setCurrentIndex(step);
}

void CMainWnd::OnHome()
{
    m_ui->HorLayoutScan->hide();
    m_ui->HorLayoutMain->show();
    m_ui->MainTabPage->setCurrentIndex(0);
    m_ui->MainTabPage->setEnabled(true);
    m_ui->OptStep1->setChecked(true);
    m_specifyPage->EnableNext();
}

bool CMainWnd::event(QEvent* event)
{
    if (isAppMessage(event)) {
        const auto* message = static_cast<AppEvent*>(event);
        HandleMessage(message->message(), message->param());
        return true;
    }
    return QWidget::event(event);
}

void CMainWnd::HandleMessage(int message, int param)
{
    switch (message) {
    case kMsgLanguageChanged:
        ApplyLanguage();
        m_backupPage->ApplyLanguage();
        m_specifyPage->ApplyLanguage();
        m_scanPage->ApplyLanguage();
        assignPageMnemonics();
        break;
    case WM_SCAN_START:
        if (m_scanPage->StartScan(
                m_scanSource, m_specifyPage->password(), m_specifyPage->selection()) != 0) {
            m_specifyPage->EnableNext();
        }
        break;
    case WM_SCAN_REFRESH:
    case WM_SCAN_SELECT:
        m_scanPage->OnRefresh();
        break;
    case WM_SCAN_DONE:
        // A wrong password was handled by its state message; the password is asked again.
        if (param == platform::kStatusWrongPassword) {
            break;
        }
        // The page may already be showing the results of a stop it waited for.
        m_ui->MainTabPage->setCurrentIndex(1);
        m_ui->MainTabPage->setEnabled(true);
        m_scanPage->OnScanDone();
        break;
    case WM_SCAN_STATE:
        if (param == kScanStateWrongPassword) {
            m_scanPage->OnWrongPassword();
            m_specifyPage->OnWrongPassword();
        } else if (param == kScanStateFirstProgress) {
            m_ui->MainTabPage->setCurrentIndex(1);
            m_ui->MainTabPage->setEnabled(true);
            m_scanPage->OnFirstProgress();
        }
        break;
    case kMsgPlayMedia:
        m_scanPage->preview()->PlayMedia();
        break;
    case kMsgOpenHelp:
        openWebPage(WebPage::Help);
        break;
    case kMsgOpenFaq:
        openWebPage(WebPage::Faq);
        break;
    case kMsgOpenAbout:
        openWebPage(WebPage::About);
        break;
    case kMsgOpenSupport:
        openWebPage(WebPage::Support);
        break;
    default:
        break;
    }
}

void CMainWnd::closeEvent(QCloseEvent* event)
{
    if (m_scanPage->ConfirmClose()) {
        saveLayout();
        event->accept();
    } else {
        event->ignore();
    }
}

void CMainWnd::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool CMainWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->Header && windowHandle() != nullptr) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            if (isMaximized()) {
                showNormal();
            } else {
                showMaximized();
            }
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            windowHandle()->startSystemMove();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CMainWnd::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        updateWindowButtons();
    }
    QWidget::changeEvent(event);
}

void CMainWnd::updateWindowButtons()
{
    m_ui->maxbtn->setVisible(!isMaximized());
    m_ui->restorebtn->setVisible(isMaximized());
    if (m_sizeGrip != nullptr) {
        m_sizeGrip->setVisible(!isMaximized() && !isFullScreen());
    }
}

} // namespace app
