#pragma once
// The program's message box: an optional icon beside the text, an optional
// banner below, an optional check box, and a centred row of buttons from the
// request's mask. Every size follows from what it holds (MessageBoxLayout);
// the answer is the pressed button, with the check box's bit when ticked.
// GUI thread only: workers reach it through the main thread's answerer.

#include "base/MessageBoxRequest.h"
#include "ui/controls/CCustomDialog.h"

#include <QList>

class QCheckBox;
class QPushButton;

namespace nbr {

class LanguageManager;
class VelaLabel;
class VelaPicture;

// The windows a box relates to: the owner when the request names none that
// still exists, and the splash screen, which gives way while a box is open.
struct MessageBoxHosts {
    QWidget* mainWindow = nullptr;
    QWidget* splash = nullptr;
};

class CMessageBoxDlg final : public CCustomDialog {
    Q_OBJECT
public:
    // The widest a text line may grow before it wraps.
    static constexpr int kMaxTextWidth = 560;

    CMessageBoxDlg(const MessageBoxRequest& request, const LanguageManager& languages, QWidget* owner);

    // Shows the box modally, with its sound, and answers.
    [[nodiscard]] static std::uint32_t Show(const MessageBoxRequest& request, const LanguageManager& languages,
                                            const MessageBoxHosts& hosts);
    // The window the box belongs to: the request's owner if it is a live
    // widget, else the main window; none centres it on the screen.
    [[nodiscard]] static QWidget* OwnerOf(const MessageBoxRequest& request, const MessageBoxHosts& hosts);

    // Every box open now answers as Escape does and closes (the program is
    // forced to end); their Show calls return once their loops run again.
    static void CloseAll();

    [[nodiscard]] std::uint32_t Answer() const { return answer_; }
    [[nodiscard]] QPushButton* Button(std::uint32_t id) const;
    [[nodiscard]] QCheckBox* CheckBox() const { return check_; }

    void UpdateTexts() override;

public slots:
    // Escape and the close box press the last button.
    void reject() override;

private:
    void Build();
    void Press(std::uint32_t id);

    MessageBoxRequest request_;
    const LanguageManager& languages_;
    VelaPicture* icon_ = nullptr;
    VelaLabel* text_ = nullptr;
    VelaPicture* banner_ = nullptr;
    QCheckBox* check_ = nullptr;
    QList<QPushButton*> buttons_;
    std::uint32_t answer_ = 0;
};

}  // namespace nbr
