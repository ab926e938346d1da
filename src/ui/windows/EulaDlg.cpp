#include "ui/windows/EulaDlg.h"

#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "ui/controls/DialogMnemonics.h"
#include "ui/controls/Theme.h"
#include "ui/controls/VelaButton.h"
#include "ui/controls/VelaLabel.h"
#include "ui/controls/VelaRichEdit.h"

#include <QDesktopServices>
#include <QFile>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

namespace nbr {
namespace {
constexpr QSize kClient(520, 430);
constexpr QRect kHeading(20, 12, 480, 24);
constexpr QRect kLine1(20, 40, 480, 18);
constexpr QRect kLine2(20, 60, 480, 18);
constexpr QRect kBox(20, 86, 480, 290);
constexpr QSize kButton(108, 26);
constexpr int kButtonTop = 392;
constexpr int kSmallestBox = 120;

// Addresses become links; the rest stays plain text.
QString WithLinks(const QString& text)
{
    static const QRegularExpression address(QStringLiteral(R"((https?://[^\s<>"]+[^\s<>".,;:!?)]))"));
    QString html;
    qsizetype from = 0;
    for (auto it = address.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        html += text.mid(from, m.capturedStart() - from).toHtmlEscaped();
        const QString link = m.captured().toHtmlEscaped();
        html += QStringLiteral("<a href=\"%1\">%1</a>").arg(link);
        from = m.capturedEnd();
    }
    html += text.mid(from).toHtmlEscaped();
    return QStringLiteral("<div style=\"white-space: pre-wrap\">%1</div>").arg(html);
}
}  // namespace

EulaDlg::EulaDlg(LanguageManager& languages, QWidget* owner, bool viewOnly)
    : CCustomDialog(owner),
      languages_(languages),
      viewOnly_(viewOnly),
      heading_(new VelaLabel(Client())),
      line1_(new VelaLabel(Client())),
      line2_(new VelaLabel(Client())),
      box_(new VelaRichEdit(Client())),
      accept_(new VelaButton(Client(), 2)),
      decline_(new VelaButton(Client(), 2))
{
    setModal(true);
    languages_.AddListener(this);
    heading_->setGeometry(kHeading);
    heading_->SetFontIndex(Theme::kFontMediumBold);
    line1_->setGeometry(kLine1);
    line2_->setGeometry(kLine2);
    box_->setGeometry(kBox);
    // The heading names the text: its letter leads there, to read it by keys.
    heading_->setBuddy(box_);
    box_->setReadOnly(true);
    box_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    box_->setHtml(WithLinks(AgreementText()));
    box_->viewport()->installEventFilter(this);
    box_->viewport()->setMouseTracking(true);

    accept_->resize(kButton);
    decline_->resize(kButton);
    connect(accept_, &QPushButton::clicked, this, &EulaDlg::accept);
    connect(decline_, &QPushButton::clicked, this, &EulaDlg::reject);
    if (viewOnly_) {
        decline_->hide();
        accept_->setDefault(true);
        accept_->move((kClient.width() - kButton.width()) / 2, kButtonTop);
    } else {
        decline_->setDefault(true);
        accept_->move(kClient.width() / 2 - kButton.width() - 8, kButtonTop);
        decline_->move(kClient.width() / 2 + 8, kButtonTop);
    }
    // The text first (it is what is read), then the buttons in their row.
    setTabOrder(box_, accept_);
    setTabOrder(accept_, decline_);
    SetClientSize(kClient);
    CenterOnOwner();
    UpdateTexts();
    (viewOnly_ ? static_cast<QWidget*>(accept_) : decline_)->setFocus();
}

EulaDlg::~EulaDlg()
{
    languages_.RemoveListener(this);
}

int EulaDlg::ShrinkBy(int pixels)
{
    const int given = std::clamp(pixels, 0, box_->height() - kSmallestBox);
    if (given == 0)
        return 0;
    box_->resize(box_->width(), box_->height() - given);
    for (QPushButton* button : {accept_, decline_})
        button->move(button->x(), button->y() - given);
    SetClientSize(ClientRect().size() - QSize(0, given));
    return given;
}

QString EulaDlg::DecodeText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        const QByteArray rest = bytes.mid(2);
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(rest.constData()), rest.size() / 2);
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    return QString::fromLocal8Bit(bytes);
}

QString EulaDlg::AgreementText()
{
    QFile file(QStringLiteral(":/text/Agreement.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return DecodeText(file.readAll());
}

bool EulaDlg::OpenLinkAt(const QPoint& pos)
{
    const QString address = box_->anchorAt(pos);
    if (address.isEmpty())
        return false;
    if (opener_)
        opener_(address);
    else
        QDesktopServices::openUrl(QUrl(address));
    QTextCursor cursor = box_->textCursor();
    cursor.clearSelection();
    box_->setTextCursor(cursor);
    return true;
}

bool EulaDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == box_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && OpenLinkAt(mouse->position().toPoint()))
            return true;
    }
    return CCustomDialog::eventFilter(watched, event);
}

void EulaDlg::UpdateTexts()
{
    CCustomDialog::UpdateTexts();
    setWindowTitle(QStringLiteral("Nimbra- Orvane"));
    heading_->SetText(languages_.GetText(msg::kEulaHeading));
    line1_->SetText(languages_.GetText(msg::kEulaLine1));
    line2_->SetText(languages_.GetText(msg::kEulaLine2));
    box_->setAccessibleName(languages_.GetText(msg::kEulaHeading));
    // View-only, the one button only closes the window, in every language.
    accept_->setText(viewOnly_ ? QStringLiteral("OK") : languages_.GetText(msg::kEulaAccept));
    decline_->setText(languages_.GetText(msg::kEulaDecline));
    AssignDialogMnemonics(this);
}

}  // namespace nbr
