// Message boxes of the five types.
#include "app/CMessageBox.h"

#include "app/Texts.h"
#include "ui_MessageBox.h"

#include <QIcon>

namespace app {

namespace {

struct BoxLook
{
    const char* defaultTitle;
    const char* icon;
    bool cancel;
    const char* kind;
};

BoxLook lookOf(int type)
{
    switch (type) {
    case kBoxConfirm:
        return {"MSG0402", ":/icons/question.svg", true, "confirm"};
    case kBoxInformation:
        return {"MSG0403", ":/icons/information.svg", false, "information"};
    case kBoxWarning:
        return {"MSG0405", ":/icons/warning.svg", false, "warning"};
    case kBoxQuestion:
        return {"MSG0404", ":/icons/question.svg", true, "question"};
    default:
        return {"MSG0401", ":/icons/error.svg", false, "error"};
    }
}

int normalisedType(int type)
{
    return type >= kBoxError && type <= kBoxQuestion ? type : kBoxError;
}

} // namespace

CMessageBox::CMessageBox(
    int type, QWidget* owner, const QString& text, int width, int height, const QString* title)
    : CPopUpWnd(owner, "MessageBox", width, height)
    , m_ui(std::make_unique<Ui::MessageBox>())
    , m_type(normalisedType(type))
{
    m_ui->setupUi(this);
    const BoxLook look = lookOf(m_type);
    setProperty("boxType", QLatin1String(look.kind));
    initPopUp();
    m_ui->title->setText(title != nullptr ? *title : messageText(look.defaultTitle));
    m_ui->message->setText(text);
    m_ui->icon->setPixmap(QIcon(QLatin1String(look.icon)).pixmap(48, 48));
    m_ui->cancelbtn->setVisible(look.cancel);
    setWindowTitle(m_ui->title->text());
}

CMessageBox::~CMessageBox() = default;

void CMessageBox::showWarningCancel()
{
    m_ui->cancelbtn->setVisible(true);
}

int showMessageBox(int type, QWidget* owner, const QString& text, int width, int height)
{
    CMessageBox box(type, owner, text, width, height, nullptr);
    return box.showModal();
}

int showMessageBox(
    int type, QWidget* owner, const QString& text, int width, int height, const QString& title)
{
    CMessageBox box(type, owner, text, width, height, &title);
    return box.showModal();
}

} // namespace app
