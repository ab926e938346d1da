#include "ui/windows/RecoveryKeyDlg.h"

#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/VelaButton.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

namespace nbr {
namespace {
constexpr QSize kClient(480, 220);
}  // namespace

RecoveryKeyDlg::RecoveryKeyDlg(LanguageManager& languages, const QString& key, QWidget* owner)
    : CCustomDialog(owner),
      languages_(languages),
      intro_(new QLabel(Client())),
      key_(new QLabel(key, Client())),
      copy_(new VelaButton(Client(), 2)),
      print_(new VelaButton(Client(), 2)),
      close_(new VelaButton(Client(), 2))
{
    setObjectName(QStringLiteral("RecoveryKeyDlg"));
    setModal(true);
    auto* layout = new QVBoxLayout(Client());
    intro_->setWordWrap(true);
    layout->addWidget(intro_);
    // Fourteen groups of four on two lines, in a face where no sign looks
    // like another.
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(mono.pointSizeF() * 1.25);
    key_->setFont(mono);
    key_->setText(QString(key).replace(34, 1, QLatin1Char('\n')));
    key_->setAlignment(Qt::AlignCenter);
    key_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    key_->setFocusPolicy(Qt::StrongFocus);
    layout->addWidget(key_, 1);
    for (QPushButton* button : {copy_, print_, close_})
        button->setAutoDefault(false);
    layout->addLayout(ButtonRow({copy_, print_}, {close_}));
    close_->setDefault(true);
    connect(copy_, &QPushButton::clicked, this, &RecoveryKeyDlg::Copy);
    connect(print_, &QPushButton::clicked, this, &RecoveryKeyDlg::Print);
    connect(close_, &QPushButton::clicked, this, &RecoveryKeyDlg::accept);
    setTabOrder(key_, copy_);
    setTabOrder(copy_, print_);
    setTabOrder(print_, close_);
    SetClientSize(kClient);
    CenterOnOwner();
    languages_.AddListener(this);
    UpdateTexts();
    close_->setFocus();
}

RecoveryKeyDlg::~RecoveryKeyDlg()
{
    languages_.RemoveListener(this);
    key_->setText(QString(key_->text().size(), QLatin1Char('0')));
}

void RecoveryKeyDlg::Copy()
{
    QString key = key_->text();
    QGuiApplication::clipboard()->setText(key.replace(QLatin1Char('\n'), QLatin1Char('-')));
}

void RecoveryKeyDlg::Print()
{
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(languages_.GetText(msg::kRecoveryKeyTitle));
    if (dialog.exec() != QDialog::Accepted)
        return;
    QTextDocument page;
    page.setHtml(QStringLiteral("<h2>%1</h2><p style=\"font-family: monospace; font-size: 16pt\">%2</p><p>%3</p>")
                     .arg(languages_.GetText(msg::kRecoveryKeyTitle).toHtmlEscaped(),
                          key_->text().toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")),
                          intro_->text().toHtmlEscaped()));
    page.print(&printer);
}

void RecoveryKeyDlg::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    setWindowTitle(languages_.GetText(msg::kRecoveryKeyTitle));
    intro_->setText(languages_.GetText(msg::kRecoveryKeyIntro));
    key_->setAccessibleName(languages_.GetText(msg::kRecoveryKeyTitle));
    copy_->setText(languages_.GetText(msg::kRecoveryKeyCopy));
    print_->setText(languages_.GetText(msg::kRecoveryKeyPrint));
    close_->setText(languages_.GetText(msg::kRecoveryKeyClose));
    for (QPushButton* button : {copy_, print_, close_})
        button->setAccessibleName(QString(button->text()).remove(QLatin1Char('&')));
    AssignDialogMnemonics(this);
}

}  // namespace nbr
