#pragma once
// The program's version and a line about it, with OK.

#include "ui/controls/CCustomDialog.h"

class QLabel;
class QPushButton;

namespace nbr {

class LanguageManager;

class CAboutDlg final : public CCustomDialog {
    Q_OBJECT
public:
    CAboutDlg(LanguageManager& languages, QWidget* owner);
    ~CAboutDlg() override;

    // "<text 245> <version>".
    [[nodiscard]] QString VersionText() const;

    void UpdateTexts() override;

private:
    LanguageManager& languages_;
    QLabel* version_;
    QLabel* about_;
    QPushButton* ok_;
};

}  // namespace nbr
