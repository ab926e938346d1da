#pragma once
// The 16-pixel caption strip above a pane's tree list: a raised border, the
// active or inactive caption colour, the pane's small icon (the store's own
// picture or the host computer) and the name of the current folder.

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace nbr {

class TreeStatusPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 16;
    static constexpr int kIconSize = 16;
    // The pictures of the two panes.
    static constexpr int kStoreIcon = 128;
    static constexpr int kHostIcon = 536;

    explicit TreeStatusPanel(QWidget* parent = nullptr);

    // The pane's picture by its side; LoadIcon(0) takes the icon away.
    void LoadIcon(int artwork);
    [[nodiscard]] int IconNumber() const { return iconNumber_; }

    void SetActive(bool active);
    [[nodiscard]] bool IsActive() const { return active_; }

    void SetText(const QString& text);
    [[nodiscard]] const QString& Text() const { return text_; }

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool active_ = false;
    QString text_;
    int iconNumber_ = 0;
};

}  // namespace nbr
