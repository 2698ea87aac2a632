#include "pst/verify/verify_pst.h"

#include <cerrno>
#include <cstring>
#include <fstream>

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

VerificationReport verifyPstBytes(const std::vector<std::uint8_t>& file) {
    VerificationReport report;
    VerifyContext context(Bytes(file.data(), file.size()), report);
    if (!readAndCheckHeader(context)) return report;
    readBTrees(context);
    checkBlockTrailers(context);
    checkAllocationMaps(context);
    checkNodeTreesAndReferences(context);
    const StoreContents store = checkNodeContents(context);
    checkMandatoryNodes(context, store);
    checkFolders(context, store);
    checkNameToIdMap(context, store);
    checkHeaderCounters(context);
    return report;
}

namespace {

VerificationReport unreadable(const std::filesystem::path& path, const std::string& cause) {
    VerificationReport report;
    report.violations.push_back(
        {"file.unreadable", Location{"file", {}, {}, {}}, path.string() + ": cannot be read: " + cause});
    return report;
}

}  // namespace

VerificationReport verifyPstFile(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) return unreadable(path, error.message());
    if (!std::filesystem::is_regular_file(status)) return unreadable(path, "it is not a regular file");
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return unreadable(path, error.message());
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return unreadable(path, "the file is too large to hold in memory");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
        return unreadable(path, errno ? std::strerror(errno) : "read error");
    return verifyPstBytes(bytes);
}

}  // namespace tessaly::pst::verify
