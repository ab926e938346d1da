#pragma once
// The licence agreement: at the first start Nimbra runs only after Accept
// (Decline is the default button, so Enter alone never agrees); from the
// Help menu it is shown view-only with one centred "OK". Addresses in the
// text are links that open in the browser.

#include "ui/controls/CCustomDialog.h"

#include <QByteArray>
#include <functional>

class QPushButton;

namespace nbr {

class LanguageManager;
class VelaLabel;
class VelaRichEdit;

class EulaDlg final : public CCustomDialog {
    Q_OBJECT
public:
    using Opener = std::function<void(const QString& address)>;

    EulaDlg(LanguageManager& languages, QWidget* owner, bool viewOnly);
    ~EulaDlg() override;

    // The agreement's bytes: UTF-16 after FF FE, UTF-8 after EF BB BF,
    // else the system's 8-bit encoding.
    [[nodiscard]] static QString DecodeText(const QByteArray& bytes);
    // The text shipped with the program (empty when it is missing).
    [[nodiscard]] static QString AgreementText();

    [[nodiscard]] QPushButton* AcceptButton() const { return accept_; }
    [[nodiscard]] QPushButton* DeclineButton() const { return decline_; }
    [[nodiscard]] VelaRichEdit* TextBox() const { return box_; }
    // How links are opened; by default the desktop's browser.
    void SetOpener(Opener opener) { opener_ = std::move(opener); }
    // Opens the link at `pos` of the text box's viewport, if any.
    bool OpenLinkAt(const QPoint& pos);

    void UpdateTexts() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The agreement's text gives up height (it scrolls), down to a few lines.
    int ShrinkBy(int pixels) override;

private:
    LanguageManager& languages_;
    bool viewOnly_;
    VelaLabel* heading_;
    VelaLabel* line1_;
    VelaLabel* line2_;
    VelaRichEdit* box_;
    QPushButton* accept_;
    QPushButton* decline_;
    Opener opener_;
};

}  // namespace nbr
