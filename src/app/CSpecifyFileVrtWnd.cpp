// The category page.
#include "app/CSpecifyFileVrtWnd.h"

#include "app/AppEvents.h"
#include "app/CDecryptionWnd.h"
#include "app/CMessageBox.h"
#include "app/Texts.h"
#include "ui_PageSpecifyFile.h"

#include <QStackedWidget>

namespace app {

namespace {

// The scan kind of a local backup, the parameter of the start message.
constexpr int kLocalBackupKind = 1;

} // namespace

CSpecifyFileVrtWnd::CSpecifyFileVrtWnd(QObject* mainWindow, QWidget* mainTabPage, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::PageSpecifyFile>())
    , m_mainWindow(mainWindow)
    , m_mainTabPage(mainTabPage)
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    m_options = {m_ui->OptCameraRoll,
                 m_ui->OptPhotoStream,
                 m_ui->OptAppPhotos,
                 m_ui->OptAppVideos,
                 m_ui->OptMessages,
                 m_ui->OptMessageAtts,
                 m_ui->OptContacts,
                 m_ui->OptCallHistory,
                 m_ui->OptNotes,
                 m_ui->WhatsApp,
                 m_ui->OptWhatsAppAtts,
                 m_ui->OptReminder,
                 m_ui->OptCalendar,
                 m_ui->SafariBookmark,
                 m_ui->OptSafariHistory};
    for (QCheckBox* option : m_options) {
        connect(option, &QCheckBox::clicked, this, &CSpecifyFileVrtWnd::OnOptionClicked);
    }
    connect(m_ui->ChkSelAll, &QCheckBox::clicked, this, &CSpecifyFileVrtWnd::OnSelectAll);
    connect(m_ui->BtnNext2, &QPushButton::clicked, this, &CSpecifyFileVrtWnd::OnNext);
}

CSpecifyFileVrtWnd::~CSpecifyFileVrtWnd() = default;

void CSpecifyFileVrtWnd::Init()
{
    ApplyLanguage();
}

void CSpecifyFileVrtWnd::ApplyLanguage()
{
    applyTexts(this, "PageSpecifyFile");
}

extract::CategorySet CSpecifyFileVrtWnd::selection() const
{
    extract::CategorySet selected;
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        selected.set(info.category,
                     m_options[static_cast<std::size_t>(info.category)]->isChecked());
    }
    return selected;
}

void CSpecifyFileVrtWnd::setEncryptedQuery(std::function<bool()> isEncrypted)
{
    m_isEncrypted = std::move(isEncrypted);
}

void CSpecifyFileVrtWnd::OnSelectAll()
{
    // A partial box counts as selected, so a click on it clears every option.
    m_allSelected = !m_allSelected;
    m_ui->ChkSelAll->setTristate(false);
    m_ui->ChkSelAll->setCheckState(m_allSelected ? Qt::Checked : Qt::Unchecked);
    for (QCheckBox* option : m_options) {
        option->setChecked(m_allSelected);
    }
    m_ui->BtnNext2->setEnabled(m_allSelected);
}

void CSpecifyFileVrtWnd::OnOptionClicked()
{
    const auto selected =
        std::count_if(m_options.begin(), m_options.end(), [](const QCheckBox* option) {
            return option->isChecked();
        });
    m_allSelected = selected > 0;
    if (selected == 0) {
        m_ui->ChkSelAll->setTristate(false);
        m_ui->ChkSelAll->setCheckState(Qt::Unchecked);
    } else if (selected == static_cast<long>(m_options.size())) {
        m_ui->ChkSelAll->setTristate(false);
        m_ui->ChkSelAll->setCheckState(Qt::Checked);
    } else {
        m_ui->ChkSelAll->setCheckState(Qt::PartiallyChecked);
    }
    m_ui->BtnNext2->setEnabled(m_allSelected);
}

bool CSpecifyFileVrtWnd::askPasswordIfNeeded()
{
    m_password.clear();
    if (!m_isEncrypted || !m_isEncrypted()) {
        return true;
    }
    return askBackupPassword(window(), m_password);
}

void CSpecifyFileVrtWnd::OnNext()
{
    m_ui->BtnNext2->setEnabled(false);
    m_mainTabPage->setEnabled(false);
    if (!askPasswordIfNeeded()) {
        m_ui->BtnNext2->setEnabled(true);
        m_mainTabPage->setEnabled(true);
        return;
    }
    postAppMessage(m_mainWindow, WM_SCAN_START, kLocalBackupKind);
}

void CSpecifyFileVrtWnd::OnWrongPassword()
{
    showMessageBox(kBoxInformation, window(), messageText("MSG0302"));
    if (askPasswordIfNeeded()) {
        postAppMessage(m_mainWindow, WM_SCAN_START, kLocalBackupKind);
        return;
    }
    m_ui->BtnNext2->setEnabled(true);
    if (auto* tabs = qobject_cast<QStackedWidget*>(m_mainTabPage)) {
        tabs->setCurrentIndex(0);
    }
    m_mainTabPage->setEnabled(true);
}

void CSpecifyFileVrtWnd::EnableNext()
{
    m_ui->BtnNext2->setEnabled(m_allSelected);
    m_mainTabPage->setEnabled(true);
}

} // namespace app
