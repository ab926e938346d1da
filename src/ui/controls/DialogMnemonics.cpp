#include "ui/controls/DialogMnemonics.h"

#include "app/MnemonicAssigner.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace nbr {
namespace {

// What the text was before it was marked, and what it was marked as: a
// text that still reads as marked was not set anew and keeps its plain form
// (a '&' of the text itself cannot be told from a mark afterwards).
constexpr char kPlain[] = "nbrMnemonicPlain";
constexpr char kMarked[] = "nbrMnemonicMarked";

struct Control {
    QWidget* widget;
    QString text;
};

QString PlainOf(QWidget* widget, const QString& shown)
{
    if (widget->property(kMarked).toString() == shown && widget->property(kPlain).isValid())
        return widget->property(kPlain).toString();
    return shown;
}

}  // namespace

void AssignDialogMnemonics(QWidget* window)
{
    if (!window)
        return;
    QList<Control> buttons;
    QList<Control> checks;
    QList<Control> labels;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (b->text().isEmpty())
                continue;  // the frame's caption buttons and picture buttons
            if (qobject_cast<QPushButton*>(b))
                buttons << Control {b, PlainOf(b, b->text())};
            else if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b))
                checks << Control {b, PlainOf(b, b->text())};
        } else if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy() && !l->text().isEmpty()) {
            labels << Control {l, PlainOf(l, l->text())};
        }
    }
    const QList<Control> all = buttons + checks + labels;
    QStringList plain;
    for (const Control& c : all)
        plain << c.text;
    const QStringList marked = MnemonicAssigner::Assign(plain);
    for (qsizetype i = 0; i < all.size(); ++i) {
        QWidget* w = all.at(i).widget;
        w->setProperty(kPlain, plain.at(i));
        w->setProperty(kMarked, marked.at(i));
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            b->setText(marked.at(i));
        else
            static_cast<QLabel*>(w)->setText(marked.at(i));
    }
}

}  // namespace nbr
