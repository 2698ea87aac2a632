#include "pst/verify/verify_pst.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "pst/verify/allocation_maps.h"
#include "pst/verify/block_trailers.h"
#include "pst/verify/btree_pages.h"
#include "pst/verify/file_header.h"
#include "pst/verify/name_to_id_map.h"
#include "pst/verify/node_contents.h"
#include "pst/verify/node_trees.h"
#include "pst/verify/store_structure.h"
#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

namespace {

VerificationReport verifyView(Bytes file) {
    VerificationReport report;
    VerifyContext context(file, report);
    if (!readAndCheckHeader(context)) return report;
    readBTrees(context);
    PendingBlockChecksums checksums = startBlockTrailerChecks(context);
    checkAllocationMaps(context);
    checkNodeTreesAndReferences(context);
    const StoreContents store = checkNodeContents(context);
    checkMandatoryNodes(context, store);
    checkFolders(context, store);
    checkNameToIdMap(context, store);
    checksums.report(context);
    checkHeaderCounters(context);
    return report;
}

VerificationReport unreadable(const std::filesystem::path& path, const std::string& cause) {
    VerificationReport report;
    report.violations.push_back(
        {"file.unreadable", Location{"file", {}, {}, {}}, path.string() + ": cannot be read: " + cause});
    return report;
}

// A file mapped read-only: its pages are the file's own, read as they are
// touched and given back under memory pressure, so that a store of gigabytes
// is checked without holding it in the process's own memory.
class MappedFile {
public:
    ~MappedFile() {
        if (address_ != nullptr && address_ != MAP_FAILED) ::munmap(address_, size_);
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    // "" or why the file cannot be mapped.
    std::string open(const std::filesystem::path& path) {
        descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor_ < 0) return std::strerror(errno);
        struct stat status {};
        if (::fstat(descriptor_, &status) != 0) return std::strerror(errno);
        if (!S_ISREG(status.st_mode)) return "it is not a regular file";
        size_ = static_cast<std::size_t>(status.st_size);
        if (size_ == 0) return {};
        address_ = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, descriptor_, 0);
        if (address_ == MAP_FAILED) return std::strerror(errno);
        return {};
    }
    Bytes bytes() const {
        return size_ == 0 ? Bytes() : Bytes(static_cast<const std::uint8_t*>(address_), size_);
    }

private:
    int descriptor_ = -1;
    void* address_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace

VerificationReport verifyPstBytes(const std::vector<std::uint8_t>& file) {
    return verifyView(Bytes(file.data(), file.size()));
}

VerificationReport verifyPstFile(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) return unreadable(path, error.message());
    if (!std::filesystem::is_regular_file(status)) return unreadable(path, "it is not a regular file");
    MappedFile file;
    if (const std::string cause = file.open(path); !cause.empty()) return unreadable(path, cause);
    return verifyView(file.bytes());
}

}  // namespace tessaly::pst::verify
