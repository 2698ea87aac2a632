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

VerificationReport verifyPstFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes;
    if (in) {
        const std::streamoff size = in.tellg();
        in.seekg(0);
        if (size >= 0) {
            bytes.resize(static_cast<std::size_t>(size));
            in.read(reinterpret_cast<char*>(bytes.data()), size);
        }
    }
    if (!in) {
        const int cause = errno;
        VerificationReport report;
        report.violations.push_back({"file.unreadable", Location{"file", {}, {}, {}},
                                     path.string() + ": cannot be read: " +
                                         (cause ? std::strerror(cause) : "read error")});
        return report;
    }
    return verifyPstBytes(bytes);
}

}  // namespace tessaly::pst::verify
