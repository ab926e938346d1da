#include "ui/controls/VelaRichEdit.h"

#include "ui/controls/Theme.h"
#include "ui/controls/VelaScrollBar.h"

#include <QEvent>
#include <QPainter>

namespace nbr {

VelaRichEdit::VelaRichEdit(QWidget* parent) : QTextEdit(parent)
{
    const Theme& theme = Theme::Instance();
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(1, 1, 1, 1);
    setVerticalScrollBar(new VelaScrollBar(Qt::Vertical, this));
    setHorizontalScrollBar(new VelaScrollBar(Qt::Horizontal, this));
    QPalette pal = palette();
    pal.setColor(QPalette::Base, theme.ColorOr(Theme::kColorPanel, Qt::white));
    pal.setColor(QPalette::Text, theme.ColorOr(Theme::kColorLabelText, Qt::black));
    pal.setColor(QPalette::Highlight, theme.ColorOr(Theme::kColorSelection, Qt::blue));
    setPalette(pal);
    SetFontIndex(Theme::kFontNormal);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditorInteraction);
}

void VelaRichEdit::SetFontIndex(int index)
{
    setFont(Theme::Instance().Font(index));
    document()->setDefaultFont(font());
}

bool VelaRichEdit::event(QEvent* event)
{
    const bool handled = QTextEdit::event(event);
    if (event->type() == QEvent::Paint) {
        QPainter painter(this);
        painter.setPen(Theme::Instance().ColorOr(hasFocus() ? Theme::kColorSelection : Theme::kColorEditBorder,
                                                 Qt::gray));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    } else if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        update();
    }
    return handled;
}

}  // namespace nbr
