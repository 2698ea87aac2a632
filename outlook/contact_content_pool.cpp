#include "outlook/contact_content_pool.h"

namespace tessaly::outlook {

std::shared_ptr<ContactContent> ContactContentPool::take() {
    std::unique_ptr<ContactContent> content;
    {
        std::lock_guard lock(mutex_);
        if (!kept_.empty()) {
            content = std::move(kept_.back());
            kept_.pop_back();
        }
    }
    if (!content) content = std::make_unique<ContactContent>();
    // The holder keeps the pool alive, so that a content let go after the
    // store is gone still has somewhere to go.
    std::shared_ptr<ContactContentPool> self = shared_from_this();
    return {content.release(), [self](ContactContent* returned) { self->giveBack(returned); }};
}

std::size_t ContactContentPool::keptCount() const {
    std::lock_guard lock(mutex_);
    return kept_.size();
}

void ContactContentPool::giveBack(ContactContent* returned) noexcept {
    std::unique_ptr<ContactContent> content(returned);
    for (std::string& text : content->text) {
        if (text.capacity() > kKeptTextBytes) {
            std::string().swap(text);
        } else {
            text.clear();
        }
    }
    content->birthday = 0;
    content->anniversary = 0;
    content->picture.reset();
    std::lock_guard lock(mutex_);
    // Past the bound the content is freed here, as it would be unpooled;
    // below it the room reserved at the start takes it.
    if (kept_.size() < kKeptContents) kept_.push_back(std::move(content));
}

}  // namespace tessaly::outlook
