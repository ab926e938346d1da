// Listing a large host folder into the host pane's tree, next to a plain
// listing of the same folder with the same order and the same facts (size,
// date) read, in the same run.
//   bench_hostpane [DIR] [COUNT] [RUNS]   (default /var/tmp, 50000, 5)
// Prints the medians and their ratio.

#include "ReleasingNotify.h"
#include "base/HeadlessProgress.h"
#include "base/LanguageManager.h"
#include "panes/MyComputerTreeController.h"
#include "panes/TreeListModel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace nbr;

namespace {

QTextStream out(stdout);

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double Seconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString base = args.size() > 1 ? args.at(1) : QStringLiteral("/var/tmp");
    const int count = args.size() > 2 ? args.at(2).toInt() : 50000;
    const int runs = args.size() > 3 ? args.at(3).toInt() : 5;

    QTemporaryDir dir(base + QStringLiteral("/nbr-hostpane-XXXXXX"));
    const QString folder = dir.filePath(QStringLiteral("many"));
    QDir().mkpath(folder);
    // Names of the kinds a download folder holds, some folders among them.
    const char* kinds[] = {".txt", ".jpg", ".pdf", ".odt", ".tar.gz", ".c", ""};
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("File %1%2").arg(i).arg(QLatin1String(kinds[i % 7]));
        if (i % 500 == 0) {
            QDir().mkpath(folder + u'/' + name);
            continue;
        }
        QFile file(folder + u'/' + name);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "bench: cannot create %s\n", qPrintable(file.fileName()));
            return 1;
        }
        file.write(QByteArray(i % 4096, 'x'));
    }

    LanguageManager languages;
    HostTree tree;
    tree.places = {{QStringLiteral("Bench"), folder}};
    tree.desktop = folder;
    PaneServices services {languages, [] { return std::make_unique<HeadlessProgress>(); }, nullptr};
    MyComputerTreeController controller(services, dir.filePath(QStringLiteral("stick")), nullptr, tree);

    std::size_t listed = 0;
    double longestStep = 0;
    const auto pane = [&] {
        TreeListModel model;
        ReleasingNotify releaser(controller);
        model.SetNotify(&releaser);
        int status = 0;
        (void)controller.PopulateChildren(model, nullptr, &status);
        CTreeListItem* top = model.NextItem(nullptr, TreeNext::First);
        longestStep = 0;
        // Until the names show: the call itself, and for a folder whose read
        // outlasts the pane's wait, the window's loop until the rows come in.
        const double seconds = Seconds([&] {
            QElapsedTimer step;
            step.start();
            (void)controller.PopulateChildren(model, top, &status);
            longestStep = static_cast<double>(step.nsecsElapsed()) / 1e9;
            while (!controller.ReadsDone()) {
                step.restart();
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                longestStep = std::max(longestStep, static_cast<double>(step.nsecsElapsed()) / 1e9);
            }
        });
        listed = top->Children().size();
        model.DeleteItem(TLI_ROOT);
        return seconds;
    };
    std::size_t plainCount = 0;
    const auto plain = [&] {
        return Seconds([&] {
            const QFileInfoList entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot,
                                                                      QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
            qint64 bytes = 0;
            qint64 latest = 0;
            for (const QFileInfo& entry : entries) {
                bytes += entry.size();
                latest = std::max(latest, entry.lastModified().toSecsSinceEpoch());
            }
            plainCount = static_cast<std::size_t>(entries.size()) + (bytes < 0 || latest < 0 ? 1 : 0);
        });
    };
    // One of each first: the folder's entries are then in the system's cache for both.
    (void)pane();
    (void)plain();
    std::vector<double> paneTimes, plainTimes, steps;
    for (int i = 0; i < runs; ++i) {
        paneTimes.push_back(pane());
        steps.push_back(longestStep);
        plainTimes.push_back(plain());
    }
    const double p = Median(paneTimes);
    const double q = Median(plainTimes);
    out << QStringLiteral("host folder of %1 entries (%2 listed by the pane, %3 by QDir), median of %4 runs\n")
               .arg(count).arg(listed).arg(plainCount).arg(runs);
    out << QStringLiteral("  pane, until the rows show   %1 ms\n").arg(p * 1000, 0, 'f', 1);
    out << QStringLiteral("  longest GUI-thread step      %1 ms\n").arg(Median(steps) * 1000, 0, 'f', 1);
    out << QStringLiteral("  plain QDir listing          %1 ms\n").arg(q * 1000, 0, 'f', 1);
    out << QStringLiteral("  ratio                       %1x\n").arg(p / q, 0, 'f', 2);
    return 0;
}
