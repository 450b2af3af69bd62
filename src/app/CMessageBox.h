// The one message box of the application: five types (error, confirm, information, warning,
// question), a title that defaults to the type's message text, and close codes 1 and 2.
#pragma once

#include "app/CPopUpWnd.h"

#include <memory>

namespace Ui {
class MessageBox;
}

namespace app {

enum MessageBoxType : int
{
    kBoxError = 0,
    kBoxConfirm = 1,
    kBoxInformation = 2,
    kBoxWarning = 3,
    kBoxQuestion = 4,
};

class CMessageBox : public CPopUpWnd
{
    Q_OBJECT

public:
    // A box of `type` (an unknown type is an error box) with `text`, `title` (the type's
    // default title from the section "Messages" when null) and `width` × `height`.
    CMessageBox(
        int type, QWidget* owner, const QString& text, int width, int height, const QString* title);
    ~CMessageBox() override;

    // The type actually shown (unknown types become kBoxError).
    int type() const { return m_type; }

    // Shows the cancel button of a warning box, which is hidden by default.
    void showWarningCancel();

private:
    std::unique_ptr<Ui::MessageBox> m_ui;
    int m_type;
};

// Shows a modal message box of `type` over `owner` and returns its close code: 1 for okbtn, 2
// for cancelbtn, closebtn or Escape.
int showMessageBox(
    int type, QWidget* owner, const QString& text, int width = 550, int height = 200);
int showMessageBox(
    int type, QWidget* owner, const QString& text, int width, int height, const QString& title);

} // namespace app
