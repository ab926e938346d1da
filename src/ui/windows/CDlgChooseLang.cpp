#include "ui/windows/CDlgChooseLang.h"

#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/VelaButton.h"

#include <QComboBox>
#include <QPushButton>

namespace nbr {
namespace {
constexpr QSize kClient(300, 100);
constexpr QRect kList(20, 18, 260, 24);
constexpr QRect kOk(96, 62, 108, 24);
}  // namespace

CDlgChooseLang::CDlgChooseLang(LanguageManager& languages, QWidget* owner)
    : CCustomDialog(owner), languages_(languages), list_(new QComboBox(Client())), ok_(new VelaButton(Client(), 2))
{
    setModal(true);
    for (const int index : kOffered)
        list_->addItem(QString::fromUtf8(LanguageManager::Info(index).name), index);
    list_->setCurrentIndex(0);
    list_->setGeometry(kList);
    ok_->setGeometry(kOk);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &CDlgChooseLang::accept);
    SetClientSize(kClient);
    list_->setFocus();
    UpdateTexts();
}

int CDlgChooseLang::ChosenIndex() const
{
    return list_->currentData().toInt();
}

void CDlgChooseLang::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    // The product and maker line, the same in every language.
    setWindowTitle(QStringLiteral("Nimbra- Orvane"));
    ok_->setText(languages_.GetText(msg::kButtonOk));
    list_->setAccessibleName(languages_.GetText(msg::kLanguageChoice));
    AssignDialogMnemonics(this);
}

void CDlgChooseLang::accept()
{
    // Not silent: the choice is saved for the next start.
    (void)languages_.SelectLanguage(ChosenIndex(), false);
    CCustomDialog::accept();
}

}  // namespace nbr
