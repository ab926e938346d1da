#include "ui/panes/NewDirectoryDlg.h"

#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "panes/FolderNameRule.h"
#include "ui/controls/Artwork.h"
#include "ui/controls/VelaButton.h"
#include "ui/controls/VelaLabel.h"

#include <QLineEdit>

namespace nbr {

namespace {
constexpr QSize kClient(342, 112);
constexpr QSize kButton(108, 26);
constexpr int kAppIcon = 128;
}  // namespace

NewDirectoryDlg::NewDirectoryDlg(LanguageManager& languages, QWidget* owner)
    : CCustomDialog(owner),
      languages_(languages),
      label_(new VelaLabel(Client())),
      edit_(new QLineEdit(Client())),
      ok_(new VelaButton(Client(), 2)),
      cancel_(new VelaButton(Client(), 2)),
      titleId_(msg::kNewFolder)
{
    setObjectName(QStringLiteral("NewDirectoryDlg"));
    setModal(true);
    setWindowIcon(Artwork::Icon(kAppIcon));
    label_->setGeometry(18, 14, 306, 18);
    label_->setBuddy(edit_);
    edit_->setObjectName(QStringLiteral("NewDirectoryName"));
    edit_->setGeometry(18, 36, 306, 24);
    ok_->setGeometry(QRect(QPoint(kClient.width() / 2 - kButton.width() - 8, 74), kButton));
    cancel_->setGeometry(QRect(QPoint(kClient.width() / 2 + 8, 74), kButton));
    ok_->setDefault(true);
    // Typed, pasted or dropped, the text passes here before anyone reads it.
    connect(edit_, &QLineEdit::textChanged, this, &NewDirectoryDlg::DropForbidden);
    connect(ok_, &QPushButton::clicked, this, &NewDirectoryDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &NewDirectoryDlg::reject);
    setTabOrder(edit_, ok_);
    setTabOrder(ok_, cancel_);
    SetClientSize(kClient);
    CenterOnOwner();
    languages_.AddListener(this);
    UpdateTexts();
    edit_->setFocus();
}

NewDirectoryDlg::~NewDirectoryDlg()
{
    languages_.RemoveListener(this);
}

void NewDirectoryDlg::SetPurpose(int titleId, const QString& name)
{
    titleId_ = titleId;
    UpdateTexts();
    edit_->setText(name);
    // The stem, as file managers select it: the extension usually stays.
    const qsizetype dot = name.lastIndexOf(u'.');
    edit_->setSelection(0, static_cast<int>(dot > 0 ? dot : name.size()));
}

void NewDirectoryDlg::DropForbidden(const QString& text)
{
    const QString kept = FolderNameRule::Strip(text);
    if (kept == text)
        return;
    // The cursor stays where the user was typing, less what went away
    // before it.
    const int removedBefore =
        static_cast<int>(text.left(edit_->cursorPosition()).size() -
                         FolderNameRule::Strip(text.left(edit_->cursorPosition())).size());
    const int cursor = edit_->cursorPosition() - removedBefore;
    edit_->setText(kept);
    edit_->setCursorPosition(cursor);
}

void NewDirectoryDlg::accept()
{
    const QString name = FolderNameRule::Final(edit_->text());
    if (FolderNameRule::TooLong(name)) {
        // Said, not cut: a cut name is one the person never chose.
        (void)ShowMessageBox(static_cast<const QWidget*>(this), languages_.GetText(msg::kCaptionError),
                             languages_.FormatText(msg::kFolderNameTooLong, {FolderNameRule::kMaxLength}), mb::kOk,
                             mb::kIconError);
        edit_->setFocus();
        return;
    }
    name_ = name;
    CCustomDialog::accept();
}

void NewDirectoryDlg::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    setWindowTitle(languages_.GetText(titleId_));
    label_->SetText(languages_.GetText(titleId_) + QStringLiteral(" :"));
    edit_->setAccessibleName(languages_.GetText(titleId_));
    ok_->setText(languages_.GetText(msg::kButtonOk));
    ok_->setAccessibleName(ok_->text());
    cancel_->setText(languages_.GetText(msg::kButtonCancel));
    cancel_->setAccessibleName(cancel_->text());
}

}  // namespace nbr
