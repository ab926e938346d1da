#pragma once
// Asks for the name of a new folder. Characters that no name may hold are
// dropped as they are typed or pasted, and the name is cut to its longest;
// OK keeps the name without the blanks around it (empty: nothing to make).

#include "ui/controls/CCustomDialog.h"

#include <QString>

class QLineEdit;
class QPushButton;

namespace nbr {

class LanguageManager;
class VelaLabel;

class NewDirectoryDlg final : public CCustomDialog {
    Q_OBJECT
public:
    NewDirectoryDlg(LanguageManager& languages, QWidget* owner);
    ~NewDirectoryDlg() override;

    // The dialog asks for another name under the title `titleId`, starting
    // from `name` with its stem selected (a rename).
    void SetPurpose(int titleId, const QString& name);

    // The name chosen with OK; empty before, and when only blanks were typed.
    [[nodiscard]] const QString& Name() const { return name_; }

    [[nodiscard]] QLineEdit* Field() const { return edit_; }
    [[nodiscard]] QPushButton* OkButton() const { return ok_; }
    [[nodiscard]] QPushButton* CancelButton() const { return cancel_; }

    void UpdateTexts() override;

public slots:
    void accept() override;

private:
    void DropForbidden(const QString& text);

    LanguageManager& languages_;
    VelaLabel* label_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QString name_;
    int titleId_;
};

}  // namespace nbr
