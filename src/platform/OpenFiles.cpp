#include "platform/OpenFiles.h"

#include "platform/NativePath.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace nbr {

bool OpenFiles::IsOpenByAnotherProcess(const QString& path)
{
    // A link is never followed: a link planted in the launch folder that
    // points at a file some service keeps open would hold the clean-up
    // forever. Only a regular file holds data a program may be writing.
    struct stat target {};
    if (::lstat(NativePath::Encode(path).constData(), &target) != 0 || !S_ISREG(target.st_mode))
        return false;
    const pid_t self = ::getpid();
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return false;
    bool found = false;
    while (!found) {
        const dirent* process = ::readdir(proc);
        if (!process)
            break;
        char* end = nullptr;
        const long pid = std::strtol(process->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self)
            continue;
        const std::string fdDir = std::string("/proc/") + process->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds)
            continue;
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
    }
    ::closedir(proc);
    return found;
}

}  // namespace nbr
