// The store pane's listing of one large stored folder next to reading that
// folder's list alone, in the same run.
//   bench_storepane [DIR] [COUNT] [RUNS]   (default /var/tmp, 10000, 5)
// The folder holds COUNT entries: one in twenty a folder (every other one of
// those holding a file, so that it shows an expand button), the rest files
// of mixed kinds. Prints the median of RUNS for each way and the ratios.

#include "app/DeviceDataTreeController.h"
#include "app/DropFileList.h"
#include "app/HeadlessProgress.h"
#include "app/LanguageManager.h"
#include "app/TreeListModel.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/OpenedFileList.h"
#include "store/StoreManifest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace nbr;

namespace {

QTextStream out(stdout);

double Median(int runs, const std::function<void()>& prepare, const std::function<bool()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        if (!work()) {
            std::fprintf(stderr, "bench: a run failed\n");
            std::exit(1);
        }
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Frees the data of the items the model deletes, as the pane does.
class Releaser final : public ITreeListNotify {
public:
    explicit Releaser(TreeController& controller) : controller_(controller) {}
    bool SelectionChanging(CTreeListItem*) override { return true; }
    void SelectionChanged(CTreeListItem*, int) override {}
    bool ItemExpanding(CTreeListItem*) override { return true; }
    void ItemExpanded(CTreeListItem*) override {}
    void DeleteItem(CTreeListItem* item) override { controller_.ReleaseItemData(item); }

private:
    TreeController& controller_;
};

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
        HeadlessProgress progress;
        CopyToDeviceThread worker(&progress, store, DropFileList({hostFolder}), QString(), languages);
        if (Failed(worker.RunHere())) {
            std::fprintf(stderr, "bench: the folder could not be stored\n");
            return 1;
        }
    }
    QString stored;
    ManifestEntry entry;
    if (Failed(store.Resolve(QStringLiteral("Big"), &stored, &entry)))
        return 1;

    OpenedFileList opened(store, base + QStringLiteral("/stick/LaunchBin"), languages);
    DeviceDataTreeController controller(
        PaneServices {languages, [] { return std::make_unique<HeadlessProgress>(); }, nullptr}, store, opened);
    TreeListModel ctrl;
    Releaser releaser(controller);
    ctrl.SetNotify(&releaser);
    ctrl.InsertColumn(QStringLiteral("Name"), 0, 100);
    ctrl.InsertColumn(QStringLiteral("Size"), 0, 60);
    ctrl.InsertColumn(QStringLiteral("Date"), 0, 65);
    CTreeListItem* folder = nullptr;

    const auto none = [] {};
    const double manifest = Median(runs, none, [&] {
        StoreManifest list(keys);
        list.Open(EncryptedStore::ManifestPathOf(stored), true);
        return list.IsLoaded() && list.Entries().size() == static_cast<std::size_t>(count);
    });
    const double listFolder = Median(runs, none, [&] {
        std::vector<StoreListEntry> entries;
        return Succeeded(store.ListFolder(stored, &entries)) && entries.size() == static_cast<std::size_t>(count);
    });
    const double pane = Median(
        runs,
        [&] {
            ctrl.DeleteItem(TLI_ROOT);
            int status = 0;
            (void)controller.PopulateChildren(ctrl, nullptr, &status);
            folder = ctrl.NextItem(nullptr, TreeNext::First);
        },
        [&] {
            int status = 0;
            return Succeeded(controller.PopulateChildren(ctrl, folder, &status))
                   && folder->Children().size() == static_cast<std::size_t>(count);
        });
    ctrl.DeleteItem(TLI_ROOT);

    out << "stored folder of " << count << " entries, median of " << runs << " runs\n";
    out << QStringLiteral("  manifest load       %1 s\n").arg(manifest, 0, 'f', 4);
    out << QStringLiteral("  ListFolder          %1 s\n").arg(listFolder, 0, 'f', 4);
    out << QStringLiteral("  PopulateChildren    %1 s\n").arg(pane, 0, 'f', 4);
    out << QStringLiteral("  pane / ListFolder   %1x\n").arg(pane / listFolder, 0, 'f', 2);
    out << QStringLiteral("  pane / manifest     %1x\n").arg(pane / manifest, 0, 'f', 2);
    out.flush();
    QDir(base).removeRecursively();
    return 0;
}
