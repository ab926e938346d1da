#include "platform/OpenFiles.h"

#include "platform/NativePath.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace nbr {
namespace {

// A file as the system knows it, whatever path leads to it.
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
};

bool SameFile(const struct stat& st, const Identity& file)
{
    return st.st_dev == file.device && st.st_ino == file.inode;
}

// Every process of the system but this one, by its folder under /proc.
template <typename Visit>
void ForEachOtherProcess(Visit visit)
{
    const pid_t self = ::getpid();
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return;
    while (const dirent* process = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(process->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self)
            continue;
        if (!visit(std::string("/proc/") + process->d_name))
            break;
    }
    ::closedir(proc);
}

// The access mode the descriptor was opened with allows writing: the
// "flags:" line of its fdinfo, in octal.
bool DescriptorWrites(const std::string& processDir, const char* fd)
{
    FILE* info = std::fopen((processDir + "/fdinfo/" + fd).c_str(), "re");
    if (!info)
        return false;  // gone in between: it holds nothing any more
    bool writes = false;
    char line[256];
    while (std::fgets(line, sizeof line, info)) {
        if (std::strncmp(line, "flags:", 6) == 0) {
            const unsigned long flags = std::strtoul(line + 6, nullptr, 8);
            writes = (flags & O_ACCMODE) != O_RDONLY;
            break;
        }
    }
    std::fclose(info);
    return writes;
}

// Marks in `held` the files a descriptor of the process may write to.
void ScanDescriptors(const std::string& processDir, const std::vector<Identity>& files, std::vector<bool>* held)
{
    const std::string fdDir = processDir + "/fd";
    DIR* fds = ::opendir(fdDir.c_str());
    if (!fds)
        return;  // another user's, or ended
    while (const dirent* fd = ::readdir(fds)) {
        if (fd->d_name[0] == '.')
            continue;
        struct stat st {};
        if (::stat((fdDir + "/" + fd->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!(*held)[i] && SameFile(st, files[i]) && DescriptorWrites(processDir, fd->d_name))
                (*held)[i] = true;
        }
    }
    ::closedir(fds);
}

// Marks in `held` the files the process maps shared and writable: it may
// write to them through the mapping after closing every descriptor. A line
// of maps: "start-end perms offset major:minor inode path".
void ScanMappings(const std::string& processDir, const std::vector<Identity>& files,
                  const std::vector<QByteArray>& paths, std::vector<bool>* held)
{
    FILE* maps = std::fopen((processDir + "/maps").c_str(), "re");
    if (!maps)
        return;
    char line[4096 + 256];
    while (std::fgets(line, sizeof line, maps)) {
        const std::size_t length = std::strlen(line);
        const bool whole = length > 0 && line[length - 1] == '\n';
        char perms[8] = {};
        unsigned int major = 0, minor = 0;
        unsigned long long inode = 0;
        int pathAt = 0;
        if (std::sscanf(line, "%*x-%*x %7s %*x %x:%x %llu %n", perms, &major, &minor, &inode, &pathAt) >= 4
            && perms[1] == 'w' && perms[3] == 's') {
            QByteArray path(line + pathAt);
            while (path.endsWith('\n'))
                path.chop(1);
            for (std::size_t i = 0; i < files.size(); ++i) {
                // A layered file system may name the file's lower layer here:
                // its path as the process sees it counts too.
                if (!(*held)[i]
                    && ((::major(files[i].device) == major && ::minor(files[i].device) == minor
                         && files[i].inode == inode)
                        || path == paths[i]))
                    (*held)[i] = true;
            }
        }
        // The rest of an overlong line (a long path) is no new line.
        while (!whole && std::fgets(line, sizeof line, maps)) {
            const std::size_t n = std::strlen(line);
            if (n > 0 && line[n - 1] == '\n')
                break;
        }
    }
    std::fclose(maps);
}

}  // namespace

bool OpenFiles::IsOpenByAnotherProcess(const QString& path)
{
    // A link is never followed: a link planted in the launch folder that
    // points at a file some service keeps open would hold the clean-up
    // forever. Only a regular file holds data a program may be writing.
    struct stat target {};
    if (::lstat(NativePath::Encode(path).constData(), &target) != 0 || !S_ISREG(target.st_mode))
        return false;
    bool found = false;
    ForEachOtherProcess([&](const std::string& processDir) {
        const std::string fdDir = processDir + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds)
            return true;
        while (const dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] == '.')
                continue;
            struct stat held {};
            if (::stat((fdDir + "/" + fd->d_name).c_str(), &held) == 0 && held.st_dev == target.st_dev
                && held.st_ino == target.st_ino) {
                found = true;
                break;
            }
        }
        ::closedir(fds);
        return !found;
    });
    return found;
}

QStringList OpenFiles::OpenForWriting(const QStringList& paths)
{
    // The same rule as above: regular files themselves, never through a link.
    QStringList asked;
    std::vector<Identity> files;
    std::vector<QByteArray> absolute;
    for (const QString& path : paths) {
        const QByteArray encoded = NativePath::Encode(path);
        struct stat st {};
        if (::lstat(encoded.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        asked << path;
        files.push_back(Identity {st.st_dev, st.st_ino});
        char* resolved = ::realpath(encoded.constData(), nullptr);
        absolute.emplace_back(resolved ? QByteArray(resolved) : encoded);
        std::free(resolved);
    }
    QStringList found;
    if (files.empty())
        return found;
    std::vector<bool> held(files.size(), false);
    std::size_t count = 0;
    ForEachOtherProcess([&](const std::string& processDir) {
        ScanDescriptors(processDir, files, &held);
        ScanMappings(processDir, files, absolute, &held);
        count = static_cast<std::size_t>(std::count(held.begin(), held.end(), true));
        return count < held.size();  // every one found: nothing more to learn
    });
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (held[i])
            found << asked.at(static_cast<qsizetype>(i));
    }
    return found;
}

}  // namespace nbr
