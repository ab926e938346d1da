// Runs a harness over stored inputs without libFuzzer, so that the ordinary
// build (any compiler) replays every seed and every input that once broke a
// parser. Arguments are files or folders; folders are read one level deep.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int RunFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    // A copy of its own, as libFuzzer gives: reads past the end are caught.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    (void)LLVMFuzzerTestOneInput(input.data(), input.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    int failures = 0;
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const QFileInfo info(arg);
        if (info.isDir()) {
            const QFileInfoList files = QDir(arg).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
            for (const QFileInfo& f : files) {
                failures += RunFile(f.filePath());
                ++inputs;
            }
        } else if (info.exists()) {
            failures += RunFile(arg);
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    return failures == 0 && inputs > 0 ? 0 : 1;
}
