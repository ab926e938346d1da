#pragma once
// Shows the recovery key once, after the current password: what it is for
// and where it must not be kept, the key itself (selectable), and buttons to
// copy and print it. Nothing of it is written anywhere by Nimbra.

#include "ui/controls/CCustomDialog.h"

class QLabel;
class QPushButton;

namespace nbr {

class LanguageManager;

class RecoveryKeyDlg final : public CCustomDialog {
    Q_OBJECT
public:
    RecoveryKeyDlg(LanguageManager& languages, const QString& key, QWidget* owner);
    // The key's text is overwritten before it goes.
    ~RecoveryKeyDlg() override;

    [[nodiscard]] QLabel* KeyLabel() const { return key_; }
    [[nodiscard]] QPushButton* CopyButton() const { return copy_; }
    [[nodiscard]] QPushButton* PrintButton() const { return print_; }
    [[nodiscard]] QPushButton* CloseButton() const { return close_; }

    void UpdateTexts() override;

private:
    void Copy();
    void Print();

    LanguageManager& languages_;
    QLabel* intro_;
    QLabel* key_;
    QPushButton* copy_;
    QPushButton* print_;
    QPushButton* close_;
};

}  // namespace nbr
