// The password window of an encrypted backup, and the loop that asks for the password before
// a scan: an empty password is warned about, and the warning's OK asks again.
#pragma once

#include "app/CPopUpWnd.h"

#include <memory>
#include <string>

namespace Ui {
class DecryptionWnd;
}

namespace app {

class CDecryptionWnd : public CPopUpWnd
{
    Q_OBJECT

public:
    // The window over `owner`, 550 × 270, with the texts of the section "DecryptionWnd".
    explicit CDecryptionWnd(QWidget* owner);
    ~CDecryptionWnd() override;

    // The password taken when BtnOK closed the window (empty otherwise).
    std::string password() const { return m_password; }

private:
    std::unique_ptr<Ui::DecryptionWnd> m_ui;
    std::string m_password;
};

// Asks for the backup password over `owner`. Returns true with `password` set when the scan
// may start (an empty password only after the user closed the empty-password warning without
// its OK); false when the user abandoned the window.
bool askBackupPassword(QWidget* owner, std::string& password);

} // namespace app
