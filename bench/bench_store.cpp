// Throughput of copying into and out of the store, next to the bare
// transforms and to 7z and cp on the same data, in the same run.
//   bench_store big [DIR] [MiB] [RUNS]      one large file (default /dev/shm, 512, 3)
//   bench_store many [DIR] [COUNT] [RUNS]   a folder of COUNT files of 4 KiB (default /var/tmp, 10000, 3)
//   bench_store growth [DIR]                folder imports of 1,000 to 20,000 files
//   bench_store scale [DIR] [RUNS] [COUNTS]  folder imports, median of RUNS per count
//                                           (default /var/tmp, 3, "1000,5000,10000"), and
//                                           each count's time over the previous one's
// Prints medians; "durable" saves put each manifest on the device before its backup.

#include "app/DropFileList.h"
#include "app/HeadlessProgress.h"
#include "app/LanguageManager.h"
#include "security/CreateCrypt.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/CopyToTempThread.h"
#include "store/EncryptedStore.h"
#include "store/FileUtilities.h"
#include "store/StoreManifest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
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

bool Run(const QString& program, const QStringList& arguments, const QString& directory = {})
{
    QProcess process;
    process.setWorkingDirectory(directory);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void Clear(const QString& path)
{
    QDir(path).removeRecursively();
    QDir().mkpath(path);
}

struct Bench {
    QString base;
    SecParams keys;
    LanguageManager languages;
    QString root;

    explicit Bench(const QString& dir) : base(dir + QStringLiteral("/nimbra-bench"))
    {
        Clear(base);
        root = base + QStringLiteral("/stick/Encrypted Data");
        const QByteArray pw("p\0a\0s\0s\0w\0o\0r\0d\0001\0", 18);
        (void)keys.CreateNew(reinterpret_cast<const std::uint8_t*>(pw.constData()), static_cast<std::size_t>(pw.size()));
    }
    ~Bench() { QDir(base).removeRecursively(); }

    bool In(const QStringList& paths)
    {
        EncryptedStore store(root, keys);
        HeadlessProgress progress;
        CopyToDeviceThread worker(&progress, store, DropFileList(paths), QString(), languages);
        return Succeeded(worker.RunHere());
    }
    bool Out(const QString& displayName, const QString& destination)
    {
        EncryptedStore store(root, keys);
        QString stored;
        ManifestEntry entry;
        if (Failed(store.Resolve(displayName, &stored, &entry)))
            return false;
        HeadlessProgress progress;
        CopyToTempThread worker(&progress, store, {stored}, destination + QLatin1Char('/'), languages);
        return Succeeded(worker.RunHere());
    }
    CryptPtr Engine() const
    {
        CryptPtr engine;
        (void)CreateCrypt(CryptAlgorithmAes256, &engine);
        (void)engine->SetMasterKey(keys.GetMasterKey(), keys.GetMasterKeyLength());
        return engine;
    }
};

void MakeFiles(const QString& folder, int count)
{
    QDir().mkpath(folder);
    QByteArray block(4096, Qt::Uninitialized);
    for (int i = 0; i < count; ++i) {
        for (qsizetype k = 0; k < block.size(); ++k)
            block[k] = static_cast<char>((i * 31 + k * 7) & 0xFF);
        QFile file(folder + QStringLiteral("/file%1.dat").arg(i, 5, 10, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly))
            file.write(block);
    }
}

int Big(const QString& dir, qint64 mib, int runs)
{
    Bench b(dir);
    const QString plain = b.base + QStringLiteral("/big.bin");
    {
        QFile file(plain);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 131 + 7);
        for (qint64 i = 0; i < mib; ++i)
            file.write(block);
    }
    const double mb = static_cast<double>(mib) * 1048576.0 / 1e6;
    const QString bare = b.base + QStringLiteral("/1");
    const QString back = b.base + QStringLiteral("/back");
    const QString outDir = b.base + QStringLiteral("/out");
    // The four runs take turns, after one untimed round, so that the file
    // system's page allocation weighs on each alike.
    std::vector<double> times[4];
    for (int round = 0; round <= runs; ++round) {
        const std::function<bool()> steps[4] = {
            [&] { return Succeeded(b.Engine()->EncryptFileToFile(plain, bare, nullptr, nullptr, nullptr)); },
            [&] { return b.In({plain}); },
            [&] { return Succeeded(b.Engine()->DecryptFileToFile(bare, back, nullptr, nullptr, nullptr)); },
            [&] { return b.Out(QStringLiteral("big.bin"), outDir); },
        };
        const std::function<void()> prepare[4] = {
            [&] { QFile::remove(bare); }, [&] { Clear(b.base + QStringLiteral("/stick")); }, [&] { QFile::remove(back); }, [&] { Clear(outDir); }};
        for (int k = 0; k < 4; ++k) {
            const double t = Median(1, prepare[k], steps[k]);
            if (round > 0)
                times[k].push_back(t);
        }
    }
    for (auto& t : times)
        std::sort(t.begin(), t.end());
    const double bareIn = times[0][times[0].size() / 2];
    const double storeIn = times[1][times[1].size() / 2];
    const double bareOut = times[2][times[2].size() / 2];
    const double storeOut = times[3][times[3].size() / 2];
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(0);
    out << "one file of " << mib << " MiB in " << dir << ", median of " << runs << " runs\n";
    out << "into the store   " << mb / storeIn << " MB/s   bare transform " << mb / bareIn << " MB/s\n";
    out << "out of the store " << mb / storeOut << " MB/s   bare transform " << mb / bareOut << " MB/s\n";
    out.setRealNumberPrecision(2);
    out << "ratio in " << bareIn / storeIn << "   out " << bareOut / storeOut << "   (target >= 0.90)\n";
    return 0;
}

int Many(const QString& dir, int count, int runs)
{
    Bench b(dir);
    const QString folder = b.base + QStringLiteral("/album");
    MakeFiles(folder, count);
    const QString stick = b.base + QStringLiteral("/stick");
    const QString outDir = b.base + QStringLiteral("/out");
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out << count << " files of 4 KiB in " << dir << ", median of " << runs << " runs\n";
    auto report = [&](const char* what, double seconds) {
        out.setRealNumberPrecision(2);
        out << QStringLiteral("%1").arg(QString::fromLatin1(what), -40) << seconds << " s   ";
        out.setRealNumberPrecision(0);
        out << count / seconds << " files/s\n";
    };
    report("one by one, transforms only", Median(runs, [&] { Clear(stick); }, [&] {
               CryptPtr engine = b.Engine();
               for (int i = 0; i < count; ++i) {
                   if (Failed(engine->EncryptFileToFile(folder + QStringLiteral("/file%1.dat").arg(i, 5, 10, QLatin1Char('0')),
                                                        stick + QLatin1Char('/') + QString::number(i + 1), nullptr, nullptr, nullptr)))
                       return false;
               }
               return true;
           }));
    StoreManifest::SetDurableSaves(true);
    const double inDurable = Median(runs, [&] { Clear(stick); }, [&] { return b.In({folder}); });
    report("into the store (durable saves)", inDurable);
    StoreManifest::SetDurableSaves(false);
    const double inPlain = Median(runs, [&] { Clear(stick); }, [&] { return b.In({folder}); });
    report("into the store (no flush)", inPlain);
    StoreManifest::SetDurableSaves(true);
    const double outStore = Median(runs, [&] { Clear(outDir); }, [&] { return b.Out(QStringLiteral("album"), outDir); });
    report("out of the store", outStore);
    const QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7z"));
    if (!sevenZip.isEmpty()) {
        const QString archive = b.base + QStringLiteral("/album.7z");
        const double zipIn = Median(runs, [&] { QFile::remove(archive); }, [&] {
            return Run(sevenZip, {QStringLiteral("a"), QStringLiteral("-mx0"), QStringLiteral("-pbenchmark"), archive, folder});
        });
        report("7z a -mx0 -p", zipIn);
        const double zipOut = Median(runs, [&] { Clear(outDir); }, [&] {
            return Run(sevenZip, {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-pbenchmark"), QStringLiteral("-o") + outDir, archive});
        });
        report("7z x", zipOut);
        out.setRealNumberPrecision(2);
        out << "ratio in: 7z / store " << zipIn / inDurable << "   out: 7z / store " << zipOut / outStore << '\n';
    } else {
        out << "7z not found: install p7zip-full for the comparison\n";
    }
    report("cp -r", Median(runs, [&] { Clear(outDir); }, [&] { return Run(QStringLiteral("cp"), {QStringLiteral("-r"), folder, outDir}); }));
    out << "manifest flush cost: " << (inDurable - inPlain) / count * 1e3 << " ms per file\n";
    return 0;
}

int Growth(const QString& dir)
{
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out << "folder import time by file count (4 KiB files) in " << dir << "\n";
    for (const int count : {1000, 5000, 10000, 20000}) {
        Bench b(dir);
        const QString folder = b.base + QStringLiteral("/album");
        MakeFiles(folder, count);
        QElapsedTimer timer;
        timer.start();
        if (!b.In({folder}))
            return 1;
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        out.setRealNumberPrecision(2);
        out << QStringLiteral("%1").arg(count, 6) << " files  " << seconds << " s   ";
        out.setRealNumberPrecision(0);
        out << count / seconds << " files/s\n";
        out.flush();
    }
    return 0;
}

// Whether an import grows in proportion to its file count: each time over
// the previous count's shows the growth next to the ratio of the counts.
int Scale(const QString& dir, int runs, const QString& countList)
{
    std::vector<int> counts;
    for (const QString& part : countList.split(QLatin1Char(','), Qt::SkipEmptyParts))
        counts.push_back(part.toInt());
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out << "folder import of 4 KiB files in " << dir << ", median of " << runs << " runs, durable saves\n";
    StoreManifest::SetDurableSaves(true);
    double previous = 0;
    int previousCount = 0;
    for (const int count : counts) {
        Bench b(dir);
        const QString folder = b.base + QStringLiteral("/album");
        MakeFiles(folder, count);
        const QString stick = b.base + QStringLiteral("/stick");
        const double seconds = Median(runs, [&] { Clear(stick); }, [&] { return b.In({folder}); });
        out.setRealNumberPrecision(2);
        out << QStringLiteral("%1").arg(count, 6) << " files  " << seconds << " s   ";
        out.setRealNumberPrecision(0);
        out << count / seconds << " files/s";
        if (previous > 0) {
            out.setRealNumberPrecision(2);
            out << "   x" << seconds / previous << " the time of " << previousCount << " (count x"
                << static_cast<double>(count) / previousCount << ')';
        }
        out << '\n';
        out.flush();
        previous = seconds;
        previousCount = count;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1, QStringLiteral("big"));
    if (mode == QLatin1String("big"))
        return Big(args.value(2, QStringLiteral("/dev/shm")), args.value(3, QStringLiteral("512")).toLongLong(),
                   args.value(4, QStringLiteral("3")).toInt());
    if (mode == QLatin1String("many"))
        return Many(args.value(2, QStringLiteral("/var/tmp")), args.value(3, QStringLiteral("10000")).toInt(),
                    args.value(4, QStringLiteral("3")).toInt());
    if (mode == QLatin1String("scale"))
        return Scale(args.value(2, QStringLiteral("/var/tmp")), args.value(3, QStringLiteral("3")).toInt(),
                     args.value(4, QStringLiteral("1000,5000,10000")));
    if (mode == QLatin1String("growth"))
        return Growth(args.value(2, QStringLiteral("/var/tmp")));
    std::fprintf(stderr, "usage: bench_store big|many|growth|scale [DIR] [SIZE] [RUNS]\n");
    return 2;
}
