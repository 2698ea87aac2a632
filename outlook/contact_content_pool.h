#pragma once
// Contact contents for new items, taken back when the last holder lets go and
// handed out again, emptied. A content is over two kilobytes (a string for
// every field), beyond what glibc's malloc keeps per thread for quick reuse:
// made new for every contact, it costs a search of the heap to get it and a
// merge with its neighbours to give it back. A pooled one keeps the room its
// texts had, up to kKeptTextBytes each.

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "outlook/contact_message.h"

namespace tessaly::outlook {

class ContactContentPool : public std::enable_shared_from_this<ContactContentPool> {
    struct Private {};

public:
    // A text with more room than this gives it back when its content returns.
    static constexpr std::size_t kKeptTextBytes = 256;
    // Contents kept for reuse at most: about what the store's queue holds
    // at once, queued and written.
    static constexpr std::size_t kKeptContents = 2048;

    // Made through make_shared only: the contents it hands out hold it.
    static std::shared_ptr<ContactContentPool> make() { return std::make_shared<ContactContentPool>(Private{}); }
    explicit ContactContentPool(Private) { kept_.reserve(kKeptContents); }

    // An empty content. It comes back to this pool when its last holder lets
    // go, on whichever thread that is.
    std::shared_ptr<ContactContent> take();

    // How many contents wait to be handed out again.
    std::size_t keptCount() const;

private:
    void giveBack(ContactContent* content) noexcept;

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<ContactContent>> kept_;
};

}  // namespace tessaly::outlook
