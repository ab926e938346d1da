// Throughput of the file transforms next to openssl and cp on the same file,
// in the same run. Usage: bench_transforms [DIR] [MiB] [RUNS]
// (defaults: /dev/shm, 512, 5). Prints medians in MB/s and the ratios.

#include "security/CreateCrypt.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace nbr;

namespace {

double MedianSeconds(int runs, const std::function<bool()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
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

bool Run(const QString& program, const QStringList& arguments)
{
    return QProcess::execute(program, arguments) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString dir = args.value(1, QStringLiteral("/dev/shm"));
    const qint64 mib = args.value(2, QStringLiteral("512")).toLongLong();
    const int runs = args.value(3, QStringLiteral("5")).toInt();
    const QString plain = dir + QStringLiteral("/nimbra-bench.plain");
    const QString encrypted = dir + QStringLiteral("/1");
    const QString back = dir + QStringLiteral("/nimbra-bench.back");
    const QString other = dir + QStringLiteral("/nimbra-bench.other");

    {
        QFile file(plain);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "bench: cannot write %s\n", qPrintable(plain));
            return 1;
        }
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 131 + 7);
        for (qint64 i = 0; i < mib; ++i)
            file.write(block);
    }
    const double megabytes = static_cast<double>(mib) * 1048576.0 / 1e6;
    const QByteArray masterKey(32, '\x5A');
    const QString key = QStringLiteral("5a").repeated(32);
    const QString iv = QStringLiteral("00112233445566778899aabbccddeeff");

    auto engine = [&] {
        CryptPtr crypt;
        if (Failed(CreateCrypt(CryptAlgorithmAes256, &crypt))
            || Failed(crypt->SetMasterKey(reinterpret_cast<const std::uint8_t*>(masterKey.constData()), 32)))
            std::exit(1);
        return crypt;
    };
    const double encrypt = MedianSeconds(runs, [&] {
        return Succeeded(engine()->EncryptFileToFile(plain, encrypted, nullptr, nullptr, nullptr));
    });
    const double decrypt = MedianSeconds(runs, [&] {
        return Succeeded(engine()->DecryptFileToFile(encrypted, back, nullptr, nullptr, nullptr));
    });
    const QStringList openssl = {QStringLiteral("enc"), QStringLiteral("-aes-256-cbc"), QStringLiteral("-nopad"),
                                 QStringLiteral("-K"), key, QStringLiteral("-iv"), iv};
    const double sslEncrypt = MedianSeconds(runs, [&] {
        return Run(QStringLiteral("openssl"), openssl + QStringList {QStringLiteral("-e"), QStringLiteral("-in"), plain,
                                                                     QStringLiteral("-out"), other});
    });
    const double sslDecrypt = MedianSeconds(runs, [&] {
        return Run(QStringLiteral("openssl"), openssl + QStringList {QStringLiteral("-d"), QStringLiteral("-in"), other,
                                                                     QStringLiteral("-out"), back});
    });
    const double copy = MedianSeconds(runs, [&] { return Run(QStringLiteral("cp"), {plain, back}); });

    for (const QString& path : {plain, encrypted, back, other})
        QFile::remove(path);

    QTextStream out(stdout);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(0);
    out << "file: " << mib << " MiB in " << dir << ", median of " << runs << " runs\n";
    out << "encrypt  nimbra " << megabytes / encrypt << " MB/s   openssl " << megabytes / sslEncrypt << " MB/s\n";
    out << "decrypt  nimbra " << megabytes / decrypt << " MB/s   openssl " << megabytes / sslDecrypt << " MB/s\n";
    out << "cp       " << megabytes / copy << " MB/s\n";
    out.setRealNumberPrecision(2);
    out << "ratio encrypt/openssl " << sslEncrypt / encrypt << "   decrypt/openssl " << sslDecrypt / decrypt
        << "   (targets >= 1.00)\n";
    return 0;
}
