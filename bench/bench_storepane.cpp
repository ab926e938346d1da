// The store pane's listing of one large stored folder next to reading that
// folder's list alone, in the same run.
//   bench_storepane [DIR] [COUNT] [RUNS]   (default /var/tmp, 10000, 5)
// The folder holds COUNT entries: one in twenty a folder (every other one of
// those holding a file, so that it shows an expand button), the rest files
// of mixed kinds. Prints the median of RUNS for each way and the ratios.

#include "ReleasingNotify.h"
#include "base/DropFileList.h"
#include "base/HeadlessProgress.h"
#include "base/LanguageManager.h"
#include "panes/DeviceDataTreeController.h"
#include "panes/TreeListModel.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/OpenedFileList.h"
#include "store/StoreManifest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

using namespace nbr;

namespace {

QTextStream out(stdout);

struct Times {
    double wall = 0;
    double cpu = 0;
};

// Medians of wall time and of the process's processor time: on a shared
// machine the wall clock also counts the time other programs had.
Times Median(int runs, const std::function<void()>& prepare, const std::function<bool()>& work)
{
    std::vector<double> walls;
    std::vector<double> cpus;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpuStart = std::clock();
        if (!work()) {
            std::fprintf(stderr, "bench: a run failed\n");
            std::exit(1);
        }
        cpus.push_back(static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
        walls.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

void MakeHostFolder(const QString& folder, int count)
{
    static const char* const kinds[] = {".txt", ".pdf", ".jpg", ".docx", ".odt", ".png", ".mp3", ".zip", ".cpp", ""};
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("%1/item%2").arg(folder).arg(i, 5, 10, QLatin1Char('0'));
        if (i % 20 == 0) {
            QDir().mkpath(name);
            if (i % 40 == 0) {
                QFile inner(name + QStringLiteral("/inner.txt"));
                if (inner.open(QIODevice::WriteOnly))
                    inner.write("x");
            }
            continue;
        }
        QFile file(name + QLatin1String(kinds[i % 10]));
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(100 + i % 900, 'a'));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString dir = args.value(1, QStringLiteral("/var/tmp"));
    const int count = args.value(2, QStringLiteral("10000")).toInt();
    const int runs = std::max(1, args.value(3, QStringLiteral("5")).toInt());

    const QString base = dir + QStringLiteral("/nimbra-bench-pane");
    QDir(base).removeRecursively();
    const QString hostFolder = base + QStringLiteral("/host/Big");
    MakeHostFolder(hostFolder, count);

    SecParams keys;
    const QByteArray pw("p\0a\0s\0s\0w\0o\0r\0d\0001\0", 18);
    (void)keys.CreateNew(reinterpret_cast<const std::uint8_t*>(pw.constData()), static_cast<std::size_t>(pw.size()));
    LanguageManager languages;
    EncryptedStore store(base + QStringLiteral("/stick/Encrypted Data"), keys);
    {
        // Filling the store is not what is measured: its lists need not
        // reach the device first.
        StoreManifest::SetDurableSaves(false);
        HeadlessProgress progress;
        CopyToDeviceThread worker(&progress, store, DropFileList({hostFolder}), QString(), languages);
        if (Failed(worker.RunHere())) {
            std::fprintf(stderr, "bench: the folder could not be stored\n");
            return 1;
        }
    }
    StoreManifest::SetDurableSaves(true);
    QString stored;
    ManifestEntry entry;
    if (Failed(store.Resolve(QStringLiteral("Big"), &stored, &entry)))
        return 1;

    OpenedFileList opened(store, base + QStringLiteral("/stick/LaunchBin"), languages);
    DeviceDataTreeController controller(
        PaneServices {languages, [] { return std::make_unique<HeadlessProgress>(); }, nullptr}, store, opened);
    TreeListModel ctrl;
    ReleasingNotify releaser(controller);
    ctrl.SetNotify(&releaser);
    ctrl.InsertColumn(QStringLiteral("Name"), 0, 100);
    ctrl.InsertColumn(QStringLiteral("Size"), 0, 60);
    ctrl.InsertColumn(QStringLiteral("Date"), 0, 65);
    CTreeListItem* folder = nullptr;

    const auto none = [] {};
    const Times manifest = Median(runs, none, [&] {
        StoreManifest list(keys);
        list.Open(EncryptedStore::ManifestPathOf(stored), true);
        return list.IsLoaded() && list.Entries().size() == static_cast<std::size_t>(count);
    });
    const Times listFolder = Median(runs, none, [&] {
        std::vector<StoreListEntry> entries;
        return Succeeded(store.ListFolder(stored, &entries)) && entries.size() == static_cast<std::size_t>(count);
    });
    // Waits for the size and date columns, processing events as the
    // window's loop would; keeps the longest single step.
    double longestStep = 0;
    const auto fill = [&] {
        QElapsedTimer waited;
        waited.start();
        while (!controller.ColumnsFilled() && waited.elapsed() < 60000) {
            QElapsedTimer step;
            step.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longestStep = std::max(longestStep, static_cast<double>(step.nsecsElapsed()) / 1e9);
        }
        return controller.ColumnsFilled();
    };
    const auto listTop = [&] {
        ctrl.DeleteItem(TLI_ROOT);
        int status = 0;
        (void)controller.PopulateChildren(ctrl, nullptr, &status);
        folder = ctrl.NextItem(nullptr, TreeNext::First);
        (void)fill();
        longestStep = 0;
    };
    const Times names = Median(runs, listTop, [&] {
        int status = 0;
        return Succeeded(controller.PopulateChildren(ctrl, folder, &status))
               && folder->Children().size() == static_cast<std::size_t>(count);
    });
    std::vector<double> steps;
    const Times columns = Median(
        runs, listTop,
        [&] {
            int status = 0;
            const bool listed = Succeeded(controller.PopulateChildren(ctrl, folder, &status));
            const bool filled = listed && fill() && !folder->Children().back()->Text(2).isEmpty();
            steps.push_back(longestStep);
            return filled;
        });
    std::sort(steps.begin(), steps.end());
    ctrl.DeleteItem(TLI_ROOT);

    out << "stored folder of " << count << " entries, median of " << runs << " runs (wall / processor time)\n";
    const auto line = [](const char* what, const Times& t) {
        out << QStringLiteral("  %1 %2 s / %3 s\n").arg(QLatin1String(what), -22).arg(t.wall, 0, 'f', 4).arg(t.cpu, 0, 'f', 4);
    };
    line("manifest load", manifest);
    line("ListFolder", listFolder);
    line("names shown", names);
    line("columns filled", columns);
    out << QStringLiteral("  longest GUI step while filling: %1 s (median of the runs' longest)\n")
               .arg(steps.empty() ? 0.0 : steps[steps.size() / 2], 0, 'f', 4);
    out << QStringLiteral("  names / manifest       %1x (target at most 2x)\n").arg(names.wall / manifest.wall, 0, 'f', 2);
    out << QStringLiteral("  columns / ListFolder   %1x\n").arg(columns.wall / listFolder.wall, 0, 'f', 2);
    out.flush();
    QDir(base).removeRecursively();
    return 0;
}
