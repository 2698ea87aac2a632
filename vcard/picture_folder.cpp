#include "vcard/picture_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/held_folder.h"
#include "common/random_name.h"
#include "common/write_all.h"

namespace tessaly {

namespace {

// A hidden name for a picture being written that nobody can guess and plant
// first.
std::string temporaryName() { return ".picture." + randomHex64() + ".tmp"; }

// Makes `name` in `folder` as a new file holding `bytes`. O_EXCL and
// O_NOFOLLOW make sure that nothing planted is opened (the file is always one
// of our own making), O_NONBLOCK that nothing could block the run. Returns 0;
// the errno of the open, when no file was made; or that of the write or the
// close, the file then removed again, so that a picture cut short never
// stays under a name.
int writeNewFile(int folder, const std::string& name, std::string_view bytes) {
    const int file = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (file < 0) return errno;
    int error = writeAll(file, bytes);
    if (::close(file) != 0 && error == 0) error = errno;
    if (error != 0) ::unlinkat(folder, name.c_str(), 0);
    return error;
}

}  // namespace

PictureFolder::PictureFolder(std::filesystem::path path) : path_(std::move(path)) {}

PictureFolder::~PictureFolder() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

const std::string& PictureFolder::open() {
    std::call_once(opened_, [this] {
        // In a held output folder the picture folder is made and opened
        // relative to it, not through the output folder's name.
        const int held = duplicateHeldFolder(path_.parent_path());
        const int base = held >= 0 ? held : AT_FDCWD;
        const std::string name = held >= 0 ? path_.filename().string() : path_.string();
        int folder = -1;
        if (::mkdirat(base, name.c_str(), 0777) != 0 && errno != EEXIST) {
            openFailure_ = std::strerror(errno);
        } else {
            // O_NOFOLLOW: a link planted at the folder's name would send the
            // pictures, whose bytes the card's author chose, into any folder.
            folder = ::openat(base, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        const int error = errno;
        struct stat link {};
        const bool isLink = folder < 0 && openFailure_.empty() &&
                            ::fstatat(base, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode);
        if (held >= 0) ::close(held);
        if (!openFailure_.empty()) return;
        if (folder < 0) {
            // With O_DIRECTORY a link gives ENOTDIR rather than ELOOP: look.
            if (error == ELOOP || (error == ENOTDIR && isLink))
                openFailure_ = "the folder's name is a link; no picture is written through it";
            else if (error == ENOTDIR)
                openFailure_ = "a file that is not a folder has the folder's name";
            else
                openFailure_ = std::strerror(error);
            return;
        }
        struct stat status {};
        if (::fstat(folder, &status) != 0) {
            openFailure_ = std::strerror(errno);
        } else if (status.st_uid != ::geteuid()) {
            // Its owner could plant or swap files in it while the run writes.
            openFailure_ = "the folder belongs to another user; no picture is written into it";
        }
        if (!openFailure_.empty()) {
            ::close(folder);
            return;
        }
        descriptor_ = folder;
    });
    return openFailure_;
}

std::string PictureFolder::write(const std::string& name, std::string_view bytes) const {
    if (descriptor_ < 0) return openFailure_.empty() ? std::string("the folder is not open") : openFailure_;
    // A free name, the usual case, takes the picture at once: one entry made
    // in the folder rather than two changed.
    int error = writeNewFile(descriptor_, name, bytes);
    if (error != EEXIST) return error == 0 ? std::string() : std::strerror(error);
    // Something has the name: the picture is written under a hidden name and
    // renamed over it, which replaces whatever has the name, a link included,
    // without following it.
    std::string temporary;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        temporary = temporaryName();
        error = writeNewFile(descriptor_, temporary, bytes);
    }
    if (error == 0 && ::renameat(descriptor_, temporary.c_str(), descriptor_, name.c_str()) != 0) {
        error = errno;
        ::unlinkat(descriptor_, temporary.c_str(), 0);
    }
    return error == 0 ? std::string() : std::strerror(error);
}

}  // namespace tessaly
