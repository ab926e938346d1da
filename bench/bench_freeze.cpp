// Whether the window keeps answering while a transfer runs: a 10 ms timer on
// the GUI thread records the longest gap between its ticks while the real
// progress dialog runs a real import modally (many small files, then one
// big one) and while the same loop idles for as long (the reference).
//   bench_freeze [FILES] [BIG MiB] [RUNS]   (default 2000, 256, 5)
// Prints the median of each run's longest gap and of its 99th percentile,
// and how many gaps exceeded 100 ms; the window counts as frozen above that.
// Run it on the offscreen platform or on a display (Xvfb).

#include "base/DropFileList.h"
#include "base/LanguageManager.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "ui/panes/ProgressDlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace nbr;

namespace {

// Samples the GUI thread's pace while it lives.
class GapMeter {
public:
    GapMeter()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (last_ >= 0)
                gaps_.push_back(static_cast<double>(now - last_) / 1e6);
            last_ = now;
        });
        clock_.start();
        timer_.start();
    }
    [[nodiscard]] double Longest() const { return gaps_.empty() ? 0 : *std::max_element(gaps_.begin(), gaps_.end()); }
    [[nodiscard]] double Percentile(double p) const
    {
        if (gaps_.empty())
            return 0;
        std::vector<double> sorted = gaps_;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1))];
    }
    [[nodiscard]] int Over(double ms) const
    {
        return static_cast<int>(std::count_if(gaps_.begin(), gaps_.end(), [ms](double g) { return g > ms; }));
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = -1;
    std::vector<double> gaps_;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void MakeSources(const QString& folder, int files, int bigMiB)
{
    QDir().mkpath(folder + QStringLiteral("/many"));
    QByteArray block(8192, 'x');
    for (int i = 0; i < files; ++i) {
        QFile file(folder + QStringLiteral("/many/f%1.txt").arg(i));
        if (file.open(QIODevice::WriteOnly))
            file.write(block.left(1 + (i * 37) % block.size()));
    }
    QFile big(folder + QStringLiteral("/big.bin"));
    if (big.open(QIODevice::WriteOnly)) {
        QByteArray mib(1 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < mib.size(); ++i)
            mib[i] = static_cast<char>(i * 131);
        for (int i = 0; i < bigMiB; ++i)
            big.write(mib);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int bigMiB = argc > 2 ? std::atoi(argv[2]) : 256;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;

    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/nimbra-freeze-XXXXXX"));
    const QString sources = dir.path() + QStringLiteral("/host");
    MakeSources(sources, files, bigMiB);
    LanguageManager languages;
    languages.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
    (void)languages.SelectLanguage(0, true);
    SecParams keys;
    const QByteArray pw("p\0a\0s\0s\0w\0o\0r\0d\0001\0", 18);
    (void)keys.CreateNew(reinterpret_cast<const std::uint8_t*>(pw.constData()), static_cast<std::size_t>(pw.size()));

    std::vector<double> busyLongest, busyP99, idleLongest, idleP99, seconds;
    int busyOver = 0, idleOver = 0;
    for (int run = 0; run < runs; ++run) {
        const QString root = dir.path() + QStringLiteral("/stick%1/Encrypted Data").arg(run);
        QElapsedTimer took;
        double transferMs = 0;
        {
            EncryptedStore store(root, keys);
            ProgressDlg dialog(languages);
            dialog.SetSecondBar(true);
            dialog.SetCancelable(true);
            CopyToDeviceThread worker(&dialog, store,
                                      DropFileList({sources + QStringLiteral("/many"), sources + QStringLiteral("/big.bin")}),
                                      QString(), languages);
            GapMeter meter;
            took.start();
            worker.Start();
            dialog.RunModal(worker.Thread(), true);
            transferMs = static_cast<double>(took.elapsed());
            busyLongest.push_back(meter.Longest());
            busyP99.push_back(meter.Percentile(0.99));
            busyOver += meter.Over(100);
        }
        {
            GapMeter meter;
            QEventLoop loop;
            QTimer::singleShot(static_cast<int>(transferMs), &loop, &QEventLoop::quit);
            loop.exec();
            idleLongest.push_back(meter.Longest());
            idleP99.push_back(meter.Percentile(0.99));
            idleOver += meter.Over(100);
        }
        seconds.push_back(transferMs / 1000.0);
        QDir(root).removeRecursively();
    }
    std::printf("transfer: %d files + %d MiB, median %.2f s over %d runs\n", files, bigMiB, Median(seconds), runs);
    std::printf("longest gap  during transfer %.1f ms, idle %.1f ms (medians)\n", Median(busyLongest), Median(idleLongest));
    std::printf("99th pct gap during transfer %.1f ms, idle %.1f ms (medians)\n", Median(busyP99), Median(idleP99));
    std::printf("gaps over 100 ms: %d during transfers, %d idle\n", busyOver, idleOver);
    return 0;
}
