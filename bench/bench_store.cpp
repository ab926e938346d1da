// Throughput of copying into and out of the store, next to the bare
// transforms and to 7z and cp on the same data, in the same run.
//   bench_store big [DIR] [MiB] [RUNS]      one large file (default /dev/shm, 512, 3)
//   bench_store many [DIR] [COUNT] [RUNS]   a folder of COUNT files of 4 KiB (default /var/tmp, 10000, 3)
//   bench_store growth [DIR]                folder imports of 1,000 to 20,000 files
//   bench_store scale [DIR] [RUNS] [COUNTS]  folder imports, median of RUNS per count
//                                           (default /var/tmp, 3, "1000,5000,10000"), and
//                                           each count's time over the previous one's
// Prints medians; "durable" saves put each manifest on the device before its backup.

#include "base/DropFileList.h"
#include "base/HeadlessProgress.h"
#include "base/LanguageManager.h"
#include "platform/CreationPolicy.h"
#include "security/CreateCrypt.h"
#include "security/CryptBase.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/CopyToTempThread.h"
#include "store/EncryptedStore.h"
#include "store/FileCipherPool.h"
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
    const QString other = b.base + QStringLiteral("/other");
    const QString key = QStringLiteral("5a").repeated(32);
    const QString iv = QStringLiteral("00112233445566778899aabbccddeeff");
    const QStringList openssl = {QStringLiteral("enc"), QStringLiteral("-aes-256-cbc"), QStringLiteral("-K"), key,
                                 QStringLiteral("-iv"), iv};
    // The ceiling: the same cipher over the same number of bytes, in memory,
    // chunk by chunk as the file transform does it.
    const auto inMemory = [&] {
        CryptPtr engine = b.Engine();
        std::uint8_t keyBlock[CryptBase::kKeyBlockCapacity];
        std::uint32_t keyLength = 0;
        if (Failed(engine->BeginEncryption(keyBlock, &keyLength, sizeof keyBlock)))
            return false;
        QByteArray work(CryptBase::kChunkSize + 16, '\x5A');
        const qint64 chunks = mib * 1048576 / CryptBase::kChunkSize;
        for (qint64 i = 0; i < chunks; ++i) {
            std::uint32_t length = CryptBase::kChunkSize;
            if (Failed(engine->EncryptChunk(reinterpret_cast<std::uint8_t*>(work.data()), &length,
                                            static_cast<std::uint32_t>(work.size()), i + 1 == chunks)))
                return false;
        }
        (void)engine->EndEncryption();
        return true;
    };
    // The runs take turns, after one untimed round, so that the file
    // system's page allocation weighs on each alike.
    enum { kBareIn, kStoreIn, kBareOut, kStoreOut, kMemory, kSslIn, kSslOut, kSteps };
    std::vector<double> times[kSteps];
    for (int round = 0; round <= runs; ++round) {
        const std::function<bool()> steps[kSteps] = {
            [&] { return Succeeded(b.Engine()->EncryptFileToFile(plain, bare, nullptr, nullptr, nullptr)); },
            [&] { return b.In({plain}); },
            [&] { return Succeeded(b.Engine()->DecryptFileToFile(bare, back, nullptr, nullptr, nullptr)); },
            [&] { return b.Out(QStringLiteral("big.bin"), outDir); },
            inMemory,
            [&] { return Run(QStringLiteral("openssl"), openssl + QStringList {QStringLiteral("-e"), QStringLiteral("-in"), plain, QStringLiteral("-out"), other}); },
            [&] { return Run(QStringLiteral("openssl"), openssl + QStringList {QStringLiteral("-d"), QStringLiteral("-in"), other, QStringLiteral("-out"), back}); },
        };
        const std::function<void()> prepare[kSteps] = {
            [&] { QFile::remove(bare); }, [&] { Clear(b.base + QStringLiteral("/stick")); }, [&] { QFile::remove(back); },
            [&] { Clear(outDir); }, [] {}, [&] { QFile::remove(other); }, [&] { QFile::remove(back); }};
        for (int k = 0; k < kSteps; ++k) {
            const double t = Median(1, prepare[k], steps[k]);
            if (round > 0)
                times[k].push_back(t);
        }
    }
    double median[kSteps];
    for (int k = 0; k < kSteps; ++k) {
        std::sort(times[k].begin(), times[k].end());
        median[k] = times[k][times[k].size() / 2];
    }
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(0);
    out << "one file of " << mib << " MiB in " << dir << ", median of " << runs << " runs\n";
    out << "into the store   " << mb / median[kStoreIn] << " MB/s   bare transform " << mb / median[kBareIn]
        << " MB/s   in memory " << mb / median[kMemory] << " MB/s   openssl enc " << mb / median[kSslIn] << " MB/s\n";
    out << "out of the store " << mb / median[kStoreOut] << " MB/s   bare transform " << mb / median[kBareOut]
        << " MB/s   openssl enc -d " << mb / median[kSslOut] << " MB/s\n";
    out.setRealNumberPrecision(2);
    out << "into the store / in memory " << median[kMemory] / median[kStoreIn] << " (target >= 0.85)   / openssl "
        << median[kSslIn] / median[kStoreIn] << " (target >= 1.2)\n";
    out << "out of the store / openssl -d " << median[kSslOut] / median[kStoreOut] << " (target >= 1.5)\n";
    return 0;
}

int Many(const QString& dir, int count, int runs)
{
    Bench b(dir);
    const QString folder = b.base + QStringLiteral("/album");
    MakeFiles(folder, count);
    // Every run writes into a folder of its own, and nothing is deleted until
    // the end: some file systems search long for a free inode right after
    // thousands were deleted, which would weigh on whichever run came next.
    int serial = 0;
    const auto fresh = [&](const char* what) { return b.base + QStringLiteral("/%1-%2").arg(QLatin1String(what)).arg(++serial); };
    QString outDir;
    QString stick;
    const auto newStore = [&] {
        stick = fresh("stick");
        b.root = stick + QStringLiteral("/Encrypted Data");
    };
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out << count << " files of 4 KiB in " << dir << ", median of " << runs << " runs, "
        << FileCipherPool::WorkerCount() << " workers\n";
    auto report = [&](const char* what, double seconds) {
        out.setRealNumberPrecision(2);
        out << QStringLiteral("%1").arg(QString::fromLatin1(what), -44) << seconds << " s   ";
        out.setRealNumberPrecision(0);
        out << count / seconds << " files/s\n";
        out.flush();
    };
    report("one by one, transforms only (no flush)", Median(runs, [&] { stick = fresh("bare"); QDir().mkpath(stick); }, [&] {
               CryptPtr engine = b.Engine();
               for (int i = 0; i < count; ++i) {
                   if (Failed(engine->EncryptFileToFile(folder + QStringLiteral("/file%1.dat").arg(i, 5, 10, QLatin1Char('0')),
                                                        stick + QLatin1Char('/') + QString::number(i + 1), nullptr, nullptr,
                                                        CreationPolicy::StoreBatch())))
                       return false;
               }
               return true;
           }));
    const int workers = FileCipherPool::WorkerCount();
    FileCipherPool::SetWorkerCount(0);
    const double inOne = Median(runs, newStore, [&] { return b.In({folder}); });
    report("into the store, on the transfer thread only", inOne);
    FileCipherPool::SetWorkerCount(workers);
    const double inPool = Median(runs, newStore, [&] { return b.In({folder}); });
    report("into the store, with the workers", inPool);
    StoreManifest::SetDurableSaves(false);
    const double inPlain = Median(runs, newStore, [&] { return b.In({folder}); });
    report("into the store, with the workers, no flush", inPlain);
    StoreManifest::SetDurableSaves(true);
    const double outStore = Median(runs, [&] { outDir = fresh("out"); QDir().mkpath(outDir); },
                                   [&] { return b.Out(QStringLiteral("album"), outDir); });
    report("out of the store", outStore);
    out.setRealNumberPrecision(2);
    out << "workers / transfer thread only: x" << inOne / inPool << " (target >= 1.5)\n";
    const QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7z"));
    if (!sevenZip.isEmpty()) {
        QString archive;
        const double zipIn = Median(runs, [&] { archive = fresh("album") + QStringLiteral(".7z"); }, [&] {
            return Run(sevenZip, {QStringLiteral("a"), QStringLiteral("-mx0"), QStringLiteral("-pbenchmark"), archive, folder});
        });
        report("7z a -mx0 -p", zipIn);
        const double zipOut = Median(runs, [&] { outDir = fresh("out"); }, [&] {
            return Run(sevenZip, {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-pbenchmark"), QStringLiteral("-o") + outDir, archive});
        });
        report("7z x", zipOut);
        out.setRealNumberPrecision(2);
        out << "7z / store: in x" << zipIn / inPool << " (target >= 1.0)   out x" << zipOut / outStore << " (target >= 2.0)\n";
    } else {
        out << "7z not found: install p7zip-full for the comparison\n";
    }
    report("cp -r", Median(runs, [&] { outDir = fresh("out"); QDir().mkpath(outDir); },
                           [&] { return Run(QStringLiteral("cp"), {QStringLiteral("-r"), folder, outDir}); }));
    out.setRealNumberPrecision(3);
    out << "list flush cost: " << (inPool - inPlain) / count * 1e3 << " ms per file\n";
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
        // A store of its own for each run, all deleted at the end (see Many).
        int serial = 0;
        const double seconds = Median(runs, [&] { b.root = b.base + QStringLiteral("/stick-%1/Encrypted Data").arg(++serial); },
                                      [&] { return b.In({folder}); });
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
