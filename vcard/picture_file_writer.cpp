#include "vcard/picture_file_writer.h"

#include <exception>
#include <limits>

#include "vcard/picture_folder.h"

namespace tessaly {

std::string pictureNotWrittenCause(const std::filesystem::path& path, const std::string& reason) {
    return "picture file " + path.string() + " could not be written: " + reason;
}

// Jobs are bounded by bytes alone: a queue of empty files costs nothing.
PictureFileWriter::PictureFileWriter(std::size_t maxQueuedBytes)
    : worker_(std::numeric_limits<std::size_t>::max(), maxQueuedBytes) {}

PictureFileWriter::~PictureFileWriter() { worker_.wait(); }

void PictureFileWriter::write(std::shared_ptr<const PictureFolder> folder, std::string name, std::string bytes,
                              const std::string& vcardFile, long line) {
    const std::size_t size = bytes.size();
    worker_.post(
        [this, folder = std::move(folder), name = std::move(name), bytes = std::move(bytes), vcardFile, line] {
            std::string reason;
            try {
                reason = folder->write(name, bytes);
            } catch (const std::exception& error) {  // memory, most likely: this file only
                reason = error.what();
            }
            if (reason.empty()) return;
            std::lock_guard lock(mutex_);
            failures_.push_back(PictureWriteFailure{vcardFile, line, pictureNotWrittenCause(folder->path() / name, reason)});
        },
        size);
}

void PictureFileWriter::finish() { worker_.wait(); }

std::vector<PictureWriteFailure> PictureFileWriter::takeFailures() {
    std::lock_guard lock(mutex_);
    std::vector<PictureWriteFailure> taken;
    taken.swap(failures_);
    return taken;
}

}  // namespace tessaly
