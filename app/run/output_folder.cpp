#include "app/run/output_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "app/run/conversion_target.h"

namespace tessaly {

OutputFolder checkOutputFolder(const std::filesystem::path& chosen) {
    // "DIR/" would have lstat look through a link at DIR.
    std::string name = chosen.string();
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    OutputFolder folder{chosen, {}, std::make_shared<HeldFolder>()};
    if (folder.held->open(name) != 0) {
        struct stat status {};
        if (::lstat(name.c_str(), &status) == 0 && S_ISLNK(status.st_mode))
            throw TargetError(name + ": the output folder's name is a link; no file is written through it. "
                                     "Choose the folder it leads to.");
        folder.held.reset();
        return folder;  // the target reports a folder that is missing or is no folder
    }
    folder.path = folder.held->path();
    // What the open folder is, not what its name leads to now.
    struct stat status {};
    if (::fstat(folder.held->descriptor(), &status) != 0) return folder;
    const std::string shown = folder.path.string();
    if (status.st_uid != ::geteuid())
        folder.warning = shown + " belongs to another user, who can change or replace what is written there";
    else if ((status.st_mode & S_IWOTH) != 0 && (status.st_mode & S_ISVTX) == 0)
        folder.warning = shown + " can be written by every user and has no sticky bit: others can replace what "
                                 "is written there";
    return folder;
}

}  // namespace tessaly
