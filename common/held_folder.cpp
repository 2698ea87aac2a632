#include "common/held_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

namespace tessaly {

namespace {

struct Holding {
    std::string name;  // a path the folder is known by
    const HeldFolder* folder;
};

std::mutex registryLock;
std::vector<Holding> registry;

// "DIR/" and "DIR/." name DIR: one spelling for comparing.
std::string spelling(const std::filesystem::path& folder) {
    std::string name = folder.lexically_normal().string();
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    return name;
}

// The path of what `descriptor` refers to, or empty.
std::filesystem::path pathOf(int descriptor) {
    std::error_code error;
    std::filesystem::path path =
        std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(descriptor), error);
    return error ? std::filesystem::path() : path;
}

}  // namespace

HeldFolder::~HeldFolder() { release(); }

int HeldFolder::open(const std::filesystem::path& folder) {
    release();
    // O_PATH asks for no permission on the folder itself; what is made in it
    // is checked against the folder's own permissions as always.
    const int descriptor = ::open(spelling(folder).c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return errno == ELOOP ? ENOTDIR : errno;
    descriptor_ = descriptor;
    given_ = spelling(folder);
    path_ = pathOf(descriptor);
    if (path_.empty()) path_ = given_;
    const std::lock_guard<std::mutex> lock(registryLock);
    registry.push_back({given_.string(), this});
    if (path_ != given_) registry.push_back({path_.string(), this});
    return 0;
}

std::filesystem::path HeldFolder::currentPath() const {
    if (descriptor_ < 0) return path_;
    std::filesystem::path now = pathOf(descriptor_);
    // A folder removed since reads " (deleted)" after its old path.
    return now.empty() || now.string().ends_with(" (deleted)") ? path_ : now;
}

void HeldFolder::release() noexcept {
    if (descriptor_ < 0) return;
    {
        const std::lock_guard<std::mutex> lock(registryLock);
        std::erase_if(registry, [this](const Holding& holding) { return holding.folder == this; });
    }
    ::close(descriptor_);
    descriptor_ = -1;
    path_.clear();
    given_.clear();
}

int duplicateHeldFolder(const std::filesystem::path& folder) {
    const std::string name = spelling(folder);
    const std::lock_guard<std::mutex> lock(registryLock);
    // The latest holding first: a folder held again within another's hold.
    for (auto holding = registry.rbegin(); holding != registry.rend(); ++holding)
        if (holding->name == name) return ::fcntl(holding->folder->descriptor(), F_DUPFD_CLOEXEC, 0);
    return -1;
}

}  // namespace tessaly
