#pragma once
// "I forgot my password": the recovery key and a new password, from the
// login dialog. The new password is checked by the rules of a first
// password before anything counts; a mistyped key is said and not counted;
// a well-formed key is a login attempt like a password (the warning before
// the last one, the wipe after it). Logged in, the new password wraps the
// same master key and the key file is saved.

#include "ui/controls/CCustomDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace nbr {

class LanguageManager;
class StoreSession;

class RecoverDlg final : public CCustomDialog {
    Q_OBJECT
public:
    enum class Result {
        kNone,      // closed without logging in; the login goes on
        kLoggedIn,  // the new password is set and saved
        kEnding,    // the store was wiped, or the key file cannot be kept
    };

    RecoverDlg(LanguageManager& languages, StoreSession& session, QWidget* owner);
    // The password fields are overwritten before they go.
    ~RecoverDlg() override;

    [[nodiscard]] Result Outcome() const { return result_; }
    [[nodiscard]] QLineEdit* KeyField() const { return key_; }
    [[nodiscard]] QLineEdit* PasswordField() const { return password_; }
    [[nodiscard]] QLineEdit* ConfirmField() const { return confirm_; }
    [[nodiscard]] QLineEdit* HintField() const { return hint_; }
    [[nodiscard]] QPushButton* OkButton() const { return ok_; }
    [[nodiscard]] QString StatusText() const;

    void UpdateTexts() override;

public slots:
    void accept() override;

private:
    void Validate();
    void Error(const QString& text);
    // The login came to an end that is not a login: wipe when asked, say so.
    void End(bool wipe);

    LanguageManager& languages_;
    StoreSession& session_;
    QLabel* intro_;
    QLabel* labels_[4] = {};
    QLineEdit* key_;
    QLineEdit* password_;
    QLineEdit* confirm_;
    QLineEdit* hint_;
    QLabel* status_;
    QPushButton* ok_;
    QPushButton* cancel_;
    Result result_ = Result::kNone;
};

}  // namespace nbr
