#pragma once
// The first-start choice of language: a list of the languages that have a
// pack, each named in its own language (so they read the same whatever is
// current), in a fixed order. OK selects the chosen one and saves it.

#include "ui/controls/CCustomDialog.h"

class QComboBox;
class QPushButton;

namespace nbr {

class LanguageManager;

class CDlgChooseLang final : public CCustomDialog {
    Q_OBJECT
public:
    // The languages offered, in their order.
    static constexpr int kOffered[] = {0, 2, 7, 6};

    explicit CDlgChooseLang(LanguageManager& languages, QWidget* owner = nullptr);

    [[nodiscard]] QComboBox* List() const { return list_; }
    [[nodiscard]] QPushButton* OkButton() const { return ok_; }
    [[nodiscard]] int ChosenIndex() const;

    void UpdateTexts() override;

public slots:
    void accept() override;

private:
    LanguageManager& languages_;
    QComboBox* list_;
    QPushButton* ok_;
};

}  // namespace nbr
