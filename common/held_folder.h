#pragma once
// A folder held open while files are written into it. Files made by path in
// a held folder (staged files, the picture folder) are made relative to the
// open folder rather than through its name, so whoever can write the folder's
// parent cannot swap it for a link between the moment it was checked and the
// moment a file is created, renamed or linked into it.

#include <filesystem>

namespace tessaly {

class HeldFolder {
public:
    HeldFolder() = default;
    ~HeldFolder();
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    // Opens `folder` without following a link at its last part and holds it
    // under its real path and under the path as given. Returns 0 or the errno
    // of the failure (ENOTDIR for a link or a file at the name).
    int open(const std::filesystem::path& folder);

    bool isOpen() const { return descriptor_ >= 0; }
    int descriptor() const { return descriptor_; }

    // The folder's real path when it was opened.
    const std::filesystem::path& path() const { return path_; }

    // Where the open folder is now (it may have been moved since), or path()
    // when that cannot be learned.
    std::filesystem::path currentPath() const;

private:
    void release() noexcept;

    int descriptor_ = -1;
    std::filesystem::path path_;
    std::filesystem::path given_;
};

// A new descriptor (the caller closes it) of the held folder known by the path
// `folder`, or -1 when no folder of that path is held.
int duplicateHeldFolder(const std::filesystem::path& folder);

}  // namespace tessaly
