#include "ui/windows/ConfigurationDlg.h"

#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/VelaButton.h"
#include "ui/windows/ConfigurationPagePassword.h"

#include <QBoxLayout>
#include <QLineEdit>

namespace nbr {

namespace {
constexpr QSize kClient(460, 340);
}  // namespace

ConfigurationDlg::ConfigurationDlg(LanguageManager& languages, StoreSession& session, QWidget* owner)
    : CCustomDialog(owner),
      languages_(languages),
      page_(new ConfigurationPagePassword(languages, session, Client())),
      ok_(new VelaButton(Client(), 2)),
      cancel_(new VelaButton(Client(), 1))
{
    setObjectName(QStringLiteral("ConfigurationDlg"));
    setModal(true);
    auto* layout = new QVBoxLayout(Client());
    layout->addWidget(page_);
    layout->addLayout(ButtonRow({}, {ok_, cancel_}));
    // Enter in a field belongs to the page; OK is pressed on purpose.
    ok_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &ConfigurationDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &ConfigurationDlg::reject);
    SetClientSize(kClient);
    setTabOrder(page_->ApplyButton(), ok_);
    setTabOrder(ok_, cancel_);
    page_->CurrentField()->setFocus();
    languages_.AddListener(this);
    UpdateTexts();
}

ConfigurationDlg::~ConfigurationDlg()
{
    languages_.RemoveListener(this);
}

void ConfigurationDlg::accept()
{
    if (page_->HasPendingChange() && !page_->Apply())
        return;
    CCustomDialog::accept();
}

bool ConfigurationDlg::PasswordChanged() const
{
    return page_->Changed();
}

void ConfigurationDlg::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    setWindowTitle(QStringLiteral("Nimbra- Orvane"));
    ok_->setText(languages_.GetText(msg::kButtonOk));
    cancel_->setText(languages_.GetText(msg::kSettingsCancel));
    ok_->setAccessibleName(ok_->text());
    cancel_->setAccessibleName(QString(cancel_->text()).remove(QLatin1Char('&')));
    AssignDialogMnemonics(this);
}

}  // namespace nbr
