// Step 2, the category page: fourteen category options with a select-all box that shows a
// partial state, and the button that asks for the password of an encrypted backup and then
// posts the scan start to the main window.
#pragma once

#include "extract/RecoveryCategory.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

#include <QWidget>

class QCheckBox;

namespace Ui {
class PageSpecifyFile;
}

namespace app {

class CSpecifyFileVrtWnd : public QWidget
{
    Q_OBJECT

public:
    // `mainWindow` receives the scan start message; `mainTabPage` is disabled while a scan
    // is being started.
    CSpecifyFileVrtWnd(QObject* mainWindow, QWidget* mainTabPage, QWidget* parent = nullptr);
    ~CSpecifyFileVrtWnd() override;

    // Applies the section "PageSpecifyFile".
    void Init();
    void ApplyLanguage();

    // The ticked categories.
    extract::CategorySet selection() const;

    // Whether the backup about to be scanned is encrypted (asked before each start).
    void setEncryptedQuery(std::function<bool()> isEncrypted);

    // The password given for the scan being started.
    const std::string& password() const { return m_password; }

    // After a wrong password: tells the user, asks again and restarts the scan, or re-enables
    // the page and returns to the steps when the user gives up.
    void OnWrongPassword();

    // Enables BtnNext2 again (after a scan has ended).
    void EnableNext();

private:
    void OnSelectAll();
    void OnOptionClicked();
    void OnNext();
    bool askPasswordIfNeeded();

    std::unique_ptr<Ui::PageSpecifyFile> m_ui;
    // The category options in category order.
    std::array<QCheckBox*, extract::kCategoryCount> m_options{};
    QObject* m_mainWindow;
    QWidget* m_mainTabPage;
    std::function<bool()> m_isEncrypted;
    std::string m_password;
    bool m_allSelected = true;
};

} // namespace app
