// The password window and the password question loop.
#include "app/CDecryptionWnd.h"

#include "app/CMessageBox.h"
#include "app/Texts.h"
#include "app/WebPages.h"
#include "ui_DecryptionWnd.h"

namespace app {

namespace {

constexpr int kWidth = 550;
constexpr int kHeight = 270;

} // namespace

CDecryptionWnd::CDecryptionWnd(QWidget* owner)
    : CPopUpWnd(owner, "DecryptionWnd", kWidth, kHeight)
    , m_ui(std::make_unique<Ui::DecryptionWnd>())
{
    m_ui->setupUi(this);
    initPopUp();
    connect(m_ui->BtnOK, &QPushButton::clicked, this, [this] {
        m_password = toUtf8(m_ui->EditPassword->text());
        done(kCloseOk);
    });
    connect(m_ui->BtnCancel, &QPushButton::clicked, this, [this] { done(kCloseCancel); });
    connect(m_ui->BtnRestoreLink, &QPushButton::clicked, this, [] {
        openWebPage(WebPage::PasswordRecovery);
    });
    // Enter in the password field means OK; elsewhere pop-ups ignore it.
    connect(m_ui->EditPassword, &QLineEdit::returnPressed, m_ui->BtnOK, &QPushButton::click);
    m_ui->EditPassword->setFocus();
}

CDecryptionWnd::~CDecryptionWnd() = default;

bool askBackupPassword(QWidget* owner, std::string& password)
{
    for (;;) {
        CDecryptionWnd window(owner);
        if (window.showModal() != kCloseOk) {
            return false;
        }
        if (!window.password().empty()) {
            password = window.password();
            return true;
        }
        if (showMessageBox(kBoxWarning, owner, messageText("MSG0301")) != kCloseOk) {
            password.clear();
            return true;
        }
    }
}

} // namespace app
