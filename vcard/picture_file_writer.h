#pragma once
// Writes picture files on a thread of its own, in the order they are given, so
// that reading goes on with the next card while the file system creates the
// file (creating a file costs far more than decoding its picture).
//
// The queue holds at most a given number of bytes; a caller that would go past
// it waits, so memory stays bounded however many pictures a run has. The
// thread writes in batches of a quarter of that (a serial worker). A file
// that cannot be written is noted with the card's file and line, for the owner
// to report. No target reads the picture files back (a target that stores
// pictures takes them from the reader), so none has to wait for them.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/serial_worker.h"

namespace tessaly {

struct PictureWriteFailure {
    std::string vcardFile;
    long line = 0;  // the line of the picture in its vCard file
    std::string cause;
};

class PictureFolder;

// The text a failed picture file is reported with.
std::string pictureNotWrittenCause(const std::filesystem::path& path, const std::string& reason);

class PictureFileWriter {
public:
    explicit PictureFileWriter(std::size_t maxQueuedBytes = std::size_t{1} << 20);
    // Writes what is still queued.
    ~PictureFileWriter();
    PictureFileWriter(const PictureFileWriter&) = delete;
    PictureFileWriter& operator=(const PictureFileWriter&) = delete;

    // Queues the file `name` of `folder` (which is open). Waits while the
    // queue is full; a picture larger than the whole queue is taken once the
    // queue is empty.
    void write(std::shared_ptr<const PictureFolder> folder, std::string name, std::string bytes,
               const std::string& vcardFile, long line);

    // Waits until every queued file is written.
    void finish();

    // The files that could not be written since the last call, in queue order.
    std::vector<PictureWriteFailure> takeFailures();

private:
    std::mutex mutex_;  // guards failures_, which the worker adds to
    std::vector<PictureWriteFailure> failures_;
    SerialWorker worker_;  // last: it stops before the rest goes
};

}  // namespace tessaly
