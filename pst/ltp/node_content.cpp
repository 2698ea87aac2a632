#include "pst/ltp/node_content.h"

namespace tessaly::pst {

std::pair<Bid, Bid> writeNodeContent(NodeDatabaseWriter& writer, const NodeContent& content) {
    std::vector<SubnodeLeafEntry> entries;
    for (const Subnode& subnode : content.subnodes) {
        if (subnode.sharedData != 0) {
            entries.push_back({subnode.nid, subnode.sharedData, 0});
        } else if (subnode.isHeap) {
            const auto [data, sub] = writeNodeContent(writer, subnode.content);
            entries.push_back({subnode.nid, data, sub});
        } else {
            entries.push_back({subnode.nid, writer.writeData(subnode.data), 0});
        }
    }
    const Bid data = content.data != 0 ? content.data : writer.writeDataChunks(content.heapBlocks);
    return {data, writer.writeSubnodeTree(std::move(entries))};
}

void writeNode(NodeDatabaseWriter& writer, Nid nid, Nid parent, const NodeContent& content) {
    const auto [data, sub] = writeNodeContent(writer, content);
    writer.addNode(nid, data, sub, parent);
}

}  // namespace tessaly::pst
