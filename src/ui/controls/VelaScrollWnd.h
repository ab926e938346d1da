#pragma once
// Wraps a scrolling control (a text box, a list) and replaces its own scroll
// bars with two VelaScrollBars; the control fills the wrapper.

#include <QWidget>

class QAbstractScrollArea;

namespace nbr {

class VelaScrollBar;

class VelaScrollWnd : public QWidget {
    Q_OBJECT
public:
    // Takes `inner` into the wrapper (it becomes the wrapper's child).
    explicit VelaScrollWnd(QAbstractScrollArea* inner, QWidget* parent = nullptr);
    [[nodiscard]] QAbstractScrollArea* Inner() const { return inner_; }
    [[nodiscard]] VelaScrollBar* VerticalBar() const { return vertical_; }
    [[nodiscard]] VelaScrollBar* HorizontalBar() const { return horizontal_; }

private:
    QAbstractScrollArea* inner_;
    VelaScrollBar* vertical_;
    VelaScrollBar* horizontal_;
};

}  // namespace nbr
