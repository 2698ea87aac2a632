#pragma once
// What an LTP structure becomes in the node database: the node's data (heap
// blocks, one data block each) and the subnodes it needs, which may have
// subnodes of their own (an attachment inside a message).

#include <utility>
#include <vector>

#include "pst/ndb/block.h"
#include "pst/ndb/ids.h"
#include "pst/ndb/node_database_writer.h"

namespace tessaly::pst {

struct Subnode;

struct NodeContent {
    std::vector<Bytes> heapBlocks;
    Bid data = 0;  // set instead of heapBlocks when the data is already written
    std::vector<Subnode> subnodes;
};

struct Subnode {
    Nid nid = 0;
    // Either plain data (cut into blocks by the writer) or a heap's blocks.
    Bytes data;
    NodeContent content;
    bool isHeap = false;
    // Data already in the file that this subnode shares (a template table).
    Bid sharedData = 0;
};

// Writes `content` and returns the BIDs of its data and of its subnode tree.
std::pair<Bid, Bid> writeNodeContent(NodeDatabaseWriter& writer, const NodeContent& content);
// Writes `content` and adds it to the node B-tree.
void writeNode(NodeDatabaseWriter& writer, Nid nid, Nid parent, const NodeContent& content);

}  // namespace tessaly::pst
