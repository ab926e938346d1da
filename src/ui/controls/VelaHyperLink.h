#pragma once
// A label that opens its target (an address or a file) when clicked or when
// Enter or Space is pressed on it; nothing happens without a target. Hand
// cursor, link colours from the theme.

#include "ui/controls/VelaLabel.h"

#include <functional>

namespace nbr {

class VelaHyperLink : public VelaLabel {
    Q_OBJECT
public:
    using Opener = std::function<void(const QString& target)>;

    explicit VelaHyperLink(QWidget* parent = nullptr);
    void SetTarget(const QString& target) { target_ = target; }
    [[nodiscard]] const QString& Target() const { return target_; }
    // How targets are opened; by default the desktop's handler.
    void SetOpener(Opener opener) { opener_ = std::move(opener); }

signals:
    void Opened(const QString& target);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Open();

    QString target_;
    Opener opener_;
};

}  // namespace nbr
