#include "app/run/output_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include "app/run/conversion_target.h"

namespace tessaly {

OutputFolder checkOutputFolder(const std::filesystem::path& chosen) {
    // "DIR/" would have lstat look through a link at DIR.
    std::string name = chosen.string();
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    OutputFolder folder{chosen, {}};
    struct stat status {};
    if (::lstat(name.c_str(), &status) != 0) return folder;  // the target reports a missing folder
    if (S_ISLNK(status.st_mode))
        throw TargetError(name + ": the output folder's name is a link; no file is written through it. Choose "
                                 "the folder it leads to.");
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(name, error);
    if (!error) folder.path = real;
    const std::string shown = folder.path.string();
    if (status.st_uid != ::geteuid())
        folder.warning = shown + " belongs to another user, who can change or replace what is written there";
    else if ((status.st_mode & S_IWOTH) != 0 && (status.st_mode & S_ISVTX) == 0)
        folder.warning = shown + " can be written by every user and has no sticky bit: others can replace what "
                                 "is written there";
    return folder;
}

}  // namespace tessaly
