// Every window of the screenshot gallery builds, and every control in it
// tells assistive technology its name.

#include "gallery/Gallery.h"

#include "base/LanguageManager.h"
#include "ui/controls/Theme.h"

#include <QAccessible>
#include <QTest>

using namespace nbr;

class TestGallery : public QObject {
    Q_OBJECT

private slots:
    void everyControlIsNamed()
    {
        LanguageManager languages;
        languages.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
        QVERIFY(languages.SelectLanguage(0, true));
        Theme::Instance().SetLanguages(&languages);
        // Parts of other controls, named by the control they belong to.
        const QStringList parts = {QStringLiteral("nbr::VelaScrollBar"), QStringLiteral("nbr::VelaScrollWnd")};
        for (const auto& shot : gallery::Shots()) {
            gallery::Context context(languages);
            QWidget* window = shot.build(context);
            QVERIFY2(window, shot.name);
            QList<QWidget*> widgets = window->findChildren<QWidget*>();
            widgets.prepend(window);
            for (QWidget* w : widgets) {
                const QString cls = QLatin1String(w->metaObject()->className());
                // Hidden controls are not offered to assistive technology.
                if (!cls.startsWith(QLatin1String("nbr::")) || parts.contains(cls) || !w->isVisibleTo(window))
                    continue;
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
                QVERIFY(face);
                const QString name = face->text(QAccessible::Name);
                QVERIFY2(!name.trimmed().isEmpty(), qPrintable(QStringLiteral("%1: a %2 without a name")
                                                                  .arg(QLatin1String(shot.name), cls)));
            }
            window->hide();
        }
    }
};

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"
