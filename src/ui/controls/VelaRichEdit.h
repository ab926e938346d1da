#pragma once
// A rich-text box in the theme's font and colours, with a thin frame and
// the theme's scroll bars. Read-only boxes (the licence text) still take
// the keyboard focus so they can be scrolled and read aloud.

#include <QTextEdit>

namespace nbr {

class VelaRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit VelaRichEdit(QWidget* parent = nullptr);
    void SetFontIndex(int index);

protected:
    // The box's own paint events (not the viewport's): its frame.
    bool event(QEvent* event) override;
};

}  // namespace nbr
