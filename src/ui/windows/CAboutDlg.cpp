#include "ui/windows/CAboutDlg.h"

#include "Version.h"
#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/VelaButton.h"

#include <QBoxLayout>
#include <QLabel>

namespace nbr {

CAboutDlg::CAboutDlg(LanguageManager& languages, QWidget* owner)
    : CCustomDialog(owner),
      languages_(languages),
      version_(new QLabel(Client())),
      about_(new QLabel(Client())),
      ok_(new VelaButton(Client(), 2))
{
    setObjectName(QStringLiteral("AboutDlg"));
    setModal(true);
    auto* layout = new QVBoxLayout(Client());
    version_->setObjectName(QStringLiteral("AboutVersion"));
    about_->setWordWrap(true);
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(version_);
    layout->addWidget(about_, 1);
    ok_->setMinimumSize(108, 24);
    ok_->setDefault(true);
    layout->addWidget(ok_, 0, Qt::AlignCenter);
    connect(ok_, &QPushButton::clicked, this, &CAboutDlg::accept);
    SetClientSize(QSize(380, 150));
    ok_->setFocus();
    languages_.AddListener(this);
    UpdateTexts();
}

CAboutDlg::~CAboutDlg()
{
    languages_.RemoveListener(this);
}

QString CAboutDlg::VersionText() const
{
    return languages_.GetText(msg::kAboutVersion) + QLatin1Char(' ') + QString::fromLatin1(kVersion);
}

void CAboutDlg::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    setWindowTitle(languages_.GetText(msg::kAboutTitle));
    version_->setText(VersionText());
    version_->setAccessibleName(version_->text());
    about_->setText(languages_.GetText(msg::kAboutText));
    about_->setAccessibleName(about_->text());
    ok_->setText(languages_.GetText(msg::kButtonOk));
    AssignDialogMnemonics(this);
    ok_->setAccessibleName(ok_->text());
}

}  // namespace nbr
