#include "FuzzScratchFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace nbr::fuzz {
namespace {

QString ScratchTemplate()
{
    // A memory file system keeps millions of rewrites off the disk.
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString base = shm.isDir() && shm.isWritable() ? shm.absoluteFilePath() : QDir::tempPath();
    return base + QStringLiteral("/nimbra-fuzz-XXXXXX");
}

}  // namespace

FuzzScratchFile::FuzzScratchFile(const QString& name) : dir_(ScratchTemplate())
{
    if (!dir_.isValid())
        FuzzFail("no scratch folder");
    path_ = dir_.filePath(name);
}

bool FuzzScratchFile::Write(const std::uint8_t* data, std::size_t size, std::int64_t zeros) const
{
    QFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (zeros > 0 && (!file.resize(zeros) || !file.seek(zeros)))
        return false;
    return size == 0 || file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) == static_cast<qint64>(size);
}

void FuzzFail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

}  // namespace nbr::fuzz
