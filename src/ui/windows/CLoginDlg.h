#pragma once
// The login at every start. Each press of Log in is counted in the key file
// before the password is looked at (the session decides); the window shows
// what the attempt came to: a refusal, the warning that one attempt is left,
// or the wipe after the last. The reset button destroys the store on request;
// the hint link shows the stored reminder; "I forgot my password" sets a new
// one with the recovery key (RecoverDlg). With a hardened key file, the
// check of the password runs behind a progress window.

#include "ui/controls/CCustomDialog.h"

class QLineEdit;
class QPushButton;

namespace nbr {

class LanguageManager;
class StoreSession;
class VelaHyperLink;
class VelaLabel;

class CLoginDlg final : public CCustomDialog {
    Q_OBJECT
public:
    static constexpr int kFieldLength = 256;

    CLoginDlg(LanguageManager& languages, StoreSession& session, QWidget* owner);
    ~CLoginDlg() override;

    // Reads the failed-login counter; false (after its error was shown) when
    // it cannot be kept, and the program ends.
    [[nodiscard]] bool Begin();
    [[nodiscard]] bool LoginSucceeded() const { return succeeded_; }
    // The program has to end: the store was wiped or the counter cannot be kept.
    [[nodiscard]] bool IsEnding() const { return ending_; }

    [[nodiscard]] QLineEdit* PasswordField() const { return password_; }
    [[nodiscard]] QPushButton* LoginButton() const { return login_; }
    [[nodiscard]] QPushButton* CancelButton() const { return cancel_; }
    [[nodiscard]] QPushButton* ResetButton() const { return reset_; }
    [[nodiscard]] VelaHyperLink* HintLink() const { return hint_; }
    [[nodiscard]] VelaHyperLink* ForgotLink() const { return forgot_; }

    void UpdateTexts() override;

public slots:
    void accept() override;

private:
    void Error(const QString& text);
    void Wipe(bool titled);
    void ShowHint();
    void OnReset();
    void OnForgot();

    LanguageManager& languages_;
    StoreSession& session_;
    VelaLabel* prompt_;
    VelaLabel* passwordLabel_;
    QLineEdit* password_;
    QPushButton* login_;
    QPushButton* cancel_;
    VelaHyperLink* hint_;
    VelaHyperLink* forgot_;
    VelaLabel* resetText_;
    QPushButton* reset_;
    bool succeeded_ = false;
    bool ending_ = false;
};

}  // namespace nbr
