// nimbra_gallery: photographs every window of the program into PNG files.
//   nimbra_gallery --out DIR [--lang ENG|FRA|POR|SPA] [--only NAME] [--list]
// Under a real window system (Xvfb) the picture is taken from the screen, so
// the rounded outline shows as the window system applies it; elsewhere the
// window draws itself into the picture.

#include "Gallery.h"

#include "base/LanguageManager.h"
#include "ui/controls/Theme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QTextStream>
#include <QTimer>

namespace {

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("out"), QStringLiteral("Folder for the pictures."), QStringLiteral("dir"),
                      QStringLiteral(".")});
    parser.addOption({QStringLiteral("lang"), QStringLiteral("Language pack."), QStringLiteral("code"),
                      QStringLiteral("ENG")});
    parser.addOption({QStringLiteral("only"), QStringLiteral("One window."), QStringLiteral("name")});
    parser.addOption({QStringLiteral("list"), QStringLiteral("Name the windows.")});
    parser.process(app);

    QTextStream out(stdout);
    if (parser.isSet(QStringLiteral("list"))) {
        for (const auto& shot : nbr::gallery::Shots())
            out << shot.name << Qt::endl;
        return 0;
    }

    nbr::LanguageManager languages;
    const QStringList codes = {QStringLiteral("ENG"), QString(), QStringLiteral("FRA"), QString(), QString(),
                               QString(), QStringLiteral("SPA"), QStringLiteral("POR")};
    for (int i = 0; i < codes.size(); ++i) {
        if (!codes[i].isEmpty())
            languages.AddPack(i, QStringLiteral(NIMBRA_LANG_DIR "/Lang%1.json").arg(codes[i]));
    }
    const int index = codes.indexOf(parser.value(QStringLiteral("lang")).toUpper());
    if (index < 0 || !languages.SelectLanguage(index, true)) {
        out << "no such language pack: " << parser.value(QStringLiteral("lang")) << Qt::endl;
        return 2;
    }
    nbr::Theme::Instance().SetLanguages(&languages);

    const QDir dir(parser.value(QStringLiteral("out")));
    QDir().mkpath(dir.path());
    const bool fromScreen = QGuiApplication::platformName() == QLatin1String("xcb");
    const QString only = parser.value(QStringLiteral("only"));
    int failures = 0;
    for (const auto& shot : nbr::gallery::Shots()) {
        if (!only.isEmpty() && only != QLatin1String(shot.name))
            continue;
        nbr::gallery::Context context(languages);
        QWidget* window = shot.build(context);
        if (!window) {
            out << shot.name << ": not built" << Qt::endl;
            ++failures;
            continue;
        }
        Wait(400);
        QPixmap picture;
        if (fromScreen && window->screen()) {
            const QRect g = window->frameGeometry();
            picture = window->screen()->grabWindow(0, g.x(), g.y(), g.width(), g.height());
        } else {
            picture = window->grab();
        }
        const QString file = dir.filePath(QLatin1String(shot.name) + QLatin1String(".png"));
        if (picture.isNull() || !picture.save(file)) {
            out << shot.name << ": not saved" << Qt::endl;
            ++failures;
        } else {
            out << file << " " << picture.width() << "x" << picture.height() << Qt::endl;
        }
        window->hide();
        context.Clear();
        Wait(50);
    }
    return failures == 0 ? 0 : 1;
}
