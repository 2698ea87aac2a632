#include "pst/verify/store_structure.h"

#include <algorithm>
#include <iterator>
#include <set>

namespace tessaly::pst::verify {

namespace {

constexpr std::uint16_t kContentCount = 0x3602;
constexpr std::uint16_t kAssociatedContentCount = 0x3617;
constexpr std::uint16_t kSubfolders = 0x360A;

// What a folder's row in its parent's hierarchy table repeats from the
// folder's own property context.
constexpr std::uint32_t kRepeatedColumns[] = {
    0x3001001F,  // PidTagDisplayName
    0x36020003,  // PidTagContentCount
    0x360A000B,  // PidTagSubfolders
    0x3613001F,  // PidTagContainerClass
};

bool isFolderType(std::uint8_t type) { return type == kNidNormalFolder || type == kNidSearchFolder; }

std::uint64_t tableOf(std::uint64_t folder, std::uint8_t type) { return (folder & ~std::uint64_t{0x1F}) | type; }

class FolderCheck {
public:
    FolderCheck(VerifyContext& context, const StoreContents& store) : context_(context), store_(store) {
        for (const auto& [nid, node] : context.nodes) {
            const std::uint8_t type = nodeType(nid);
            if (isFolderType(type) && nid != kRootFolderNid) children_[node.parentNid].insert(nid);
            if (type == kNidNormalMessage) messages_[node.parentNid] += 1;
            if (type == kNidAssociatedMessage) associated_[node.parentNid] += 1;
        }
    }

    void run() {
        for (const auto& [nid, node] : context_.nodes) {
            if (!context_.spend()) return;
            const std::uint8_t type = nodeType(nid);
            if (type == kNidNormalMessage || type == kNidAssociatedMessage) checkParentIsFolder(node, "message");
            if (!isFolderType(type)) continue;
            if (nid != kRootFolderNid) checkParentIsFolder(node, "folder");
            if (type == kNidNormalFolder) checkNormalFolder(nid);
        }
    }

private:
    void violation(const std::string& rule, std::uint64_t nid, const std::string& message) {
        context_.violation(rule, atNode("messaging", nid), message);
    }

    void checkParentIsFolder(const NodeEntry& node, const char* what) {
        const NodeEntry* parent = context_.findNode(node.parentNid);
        if (parent == nullptr || !isFolderType(nodeType(node.parentNid)))
            violation("folder.parent", node.nid,
                      std::string("the ") + what + "'s parent " + hexText(node.parentNid) + " is no folder of the file");
    }

    const TableContents* table(std::uint64_t folder, std::uint8_t type, const char* name) {
        const std::uint64_t nid = tableOf(folder, type);
        if (context_.findNode(nid) == nullptr) {
            violation("folder.tables", folder, std::string("the folder's ") + name + " (" + hexText(nid) + ") is missing");
            return nullptr;
        }
        const auto found = store_.tables.find(nid);
        return found == store_.tables.end() ? nullptr : &found->second;
    }

    void checkNormalFolder(std::uint64_t folder) {
        const TableContents* hierarchy = table(folder, kNidHierarchyTable, "hierarchy table");
        const TableContents* contents = table(folder, kNidContentsTable, "contents table");
        const TableContents* associated = table(folder, kNidAssociatedContentsTable, "associated contents table");
        const auto found = store_.folders.find(folder);
        if (found == store_.folders.end()) return;
        const PropertyMap& properties = found->second;
        const std::set<std::uint64_t>& children = children_[folder];

        checkCount(folder, "folder.content-count", "PidTagContentCount", integerProperty(properties, kContentCount),
                   contents, messages_[folder], "messages");
        checkCount(folder, "folder.assoc-count", "PidTagAssociatedContentCount",
                   integerProperty(properties, kAssociatedContentCount), associated, associated_[folder],
                   "associated messages");
        if (const auto subfolders = booleanProperty(properties, kSubfolders); subfolders && *subfolders != !children.empty())
            violation("folder.subfolders", folder,
                      std::string("PidTagSubfolders is ") + (*subfolders ? "true" : "false") + " but the folder has " +
                          std::to_string(children.size()) + " subfolder(s)");
        if (hierarchy) checkHierarchy(folder, *hierarchy, children);
        checkRowsAreMessages(folder, contents, kNidNormalMessage, "contents table");
        checkRowsAreMessages(folder, associated, kNidAssociatedMessage, "associated contents table");
    }

    // The kept cells of each row in turn: `cells` is in row order.
    static std::pair<std::size_t, std::size_t> cellsOfRow(const std::vector<KeptCell>& cells, std::size_t& next,
                                                          std::size_t row) {
        const std::size_t first = next;
        while (next < cells.size() && cells[next].row == row) ++next;
        return {first, next};
    }

    void checkRowsAreMessages(std::uint64_t folder, const TableContents* table, std::uint8_t type, const char* name) {
        if (table == nullptr) return;
        std::size_t next = 0;
        for (std::size_t row = 0; row < table->rowIds.size(); ++row) {
            const auto [first, end] = cellsOfRow(table->cells, next, row);
            const std::uint32_t rowId = table->rowIds[row];
            const NodeEntry* message = context_.findNode(rowId);
            if (message == nullptr || nodeType(rowId) != type || message->parentNid != folder) {
                violation("folder.contents-row", folder,
                          std::string("the ") + name + " has a row for " + hexText(rowId) +
                              ", which is no message of this folder");
                continue;
            }
            for (std::size_t k = first; k < end; ++k) {
                const KeptCell& cell = table->cells[k];
                if (store_.messageCell(rowId, cell.tag) != cell.digest)
                    violation("folder.contents-mismatch", folder,
                              std::string("the ") + name + " row of " + hexText(rowId) +
                                  " disagrees with the message on " + hexText(cell.tag));
            }
        }
    }

    void checkCount(std::uint64_t folder, const char* rule, const char* property, std::optional<std::uint32_t> count,
                    const TableContents* table, std::uint64_t nodes, const char* what) {
        if (table == nullptr) return;
        if (count && *count != table->rowCount)
            violation(rule, folder,
                      std::string(property) + " is " + std::to_string(*count) + " but the table holds " +
                          std::to_string(table->rowCount) + " rows");
        if (table->rowCount != nodes)
            violation(rule, folder,
                      "the table holds " + std::to_string(table->rowCount) + " rows but the folder has " +
                          std::to_string(nodes) + " " + what);
    }

    void checkHierarchy(std::uint64_t folder, const TableContents& hierarchy, const std::set<std::uint64_t>& children) {
        if (hierarchy.rowCount != children.size())
            violation("folder.hierarchy-count", folder,
                      "the hierarchy table holds " + std::to_string(hierarchy.rowCount) + " rows but the folder has " +
                          std::to_string(children.size()) + " subfolder(s)");
        std::size_t next = 0;
        for (std::size_t row = 0; row < hierarchy.rowIds.size(); ++row) {
            const auto [first, end] = cellsOfRow(hierarchy.cells, next, row);
            const std::uint32_t child = hierarchy.rowIds[row];
            if (!children.count(child)) {
                violation("folder.hierarchy-row", folder,
                          "the hierarchy table has a row for " + hexText(child) + ", which is no subfolder of it");
                continue;
            }
            const auto childProperties = store_.folders.find(child);
            if (childProperties == store_.folders.end()) continue;
            for (std::size_t k = first; k < end; ++k) {
                const KeptCell& cell = hierarchy.cells[k];
                if (std::find(std::begin(kRepeatedColumns), std::end(kRepeatedColumns), cell.tag) ==
                    std::end(kRepeatedColumns))
                    continue;
                const auto own = propertyAsCell(childProperties->second, cell.tag);
                if (!own || cellDigest(*own) != cell.digest)
                    violation("folder.hierarchy-mismatch", folder,
                              "the hierarchy row of " + hexText(child) + " disagrees with that folder on " +
                                  hexText(cell.tag));
            }
        }
    }

    VerifyContext& context_;
    const StoreContents& store_;
    std::map<std::uint64_t, std::set<std::uint64_t>> children_;
    std::map<std::uint64_t, std::uint64_t> messages_;
    std::map<std::uint64_t, std::uint64_t> associated_;
};

}  // namespace

void checkFolders(VerifyContext& context, const StoreContents& store) { FolderCheck(context, store).run(); }

}  // namespace tessaly::pst::verify
