#pragma once
// The security settings: a dialog holding its pages (today the password
// page alone) above OK and Cancel. The caller saves the key file when a
// page changed it.

#include "ui/controls/CCustomDialog.h"

class QPushButton;

namespace nbr {

class ConfigurationPagePassword;
class LanguageManager;
class StoreSession;

class ConfigurationDlg final : public CCustomDialog {
    Q_OBJECT
public:
    ConfigurationDlg(LanguageManager& languages, StoreSession& session, QWidget* owner);
    ~ConfigurationDlg() override;

    // A password change was applied, whichever button closed the dialog:
    // the key in memory is already the new one.
    [[nodiscard]] bool PasswordChanged() const;
    [[nodiscard]] ConfigurationPagePassword* PasswordPage() const { return page_; }
    [[nodiscard]] QPushButton* OkButton() const { return ok_; }
    [[nodiscard]] QPushButton* CancelButton() const { return cancel_; }

    void UpdateTexts() override;

public slots:
    // OK applies what the page holds first, as tabbed settings dialogs do: a
    // complete change is applied and the dialog closes; an incomplete or
    // refused one keeps it open with the page's reason. Cancel keeps a change
    // already applied.
    void accept() override;

private:
    LanguageManager& languages_;
    ConfigurationPagePassword* page_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace nbr
