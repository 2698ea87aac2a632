#include "fuzz/scratch_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "fuzz/fuzz_fault.h"

namespace tessaly::fuzz {

namespace {

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            fuzzFault("scratch folder", "cannot make " + pattern + ": " + std::strerror(errno));
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace

const std::filesystem::path& scratchFolder() {
    static const ScratchFolder folder;
    return folder.path();
}

}  // namespace tessaly::fuzz
