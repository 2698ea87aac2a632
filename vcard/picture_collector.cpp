#include "vcard/picture_collector.h"

#include "vcard/base64.h"
#include "vcard/picture_file_writer.h"
#include "vcard/picture_folder.h"
#include "vcard/picture_names.h"
#include "vcard/text_decoding.h"
#include "vcard/vcard_text.h"

namespace tessaly {

PictureCollector::PictureCollector(std::shared_ptr<PictureFolder> folder, std::string file,
                                   std::size_t maxPictureBytes, CardSink& sink, PictureNames& names,
                                   PictureFileWriter* writer, bool keepBytes)
    : folder_(std::move(folder)),
      file_(std::move(file)),
      maxPictureBytes_(maxPictureBytes),
      sink_(sink),
      names_(names),
      writer_(writer),
      keepBytes_(keepBytes) {}

void PictureCollector::report(ReadProblemKind kind, long lineNumber, const std::string& cause) {
    sink_.problem(ReadProblem{kind, file_, lineNumber, cause});
}

bool PictureCollector::takeLine(const PropertyLine& line, long lineNumber, ContactRecord& record,
                                int fileCardCount) {
    if (waiting_) {
        if (line.text().empty()) {
            if (!run_.empty()) finishRun(record, fileCardCount);
            return true;
        }
        if (!line.hasValue()) {
            if (run_.size() + line.text().size() > maxPictureBytes_)
                runTooLong_ = true;
            else
                run_ += line.text();
            return true;
        }
        finishRun(record, fileCardCount);
    }
    if (line.name() == "PHOTO" && line.hasValue()) takePhotoLine(line, lineNumber, record, fileCardCount);
    return false;
}

void PictureCollector::finishCard(ContactRecord& record, int fileCardCount) {
    if (waiting_) finishRun(record, fileCardCount);
}

void PictureCollector::finishRun(ContactRecord& record, int fileCardCount) {
    waiting_ = false;
    if (runTooLong_) {
        report(ReadProblemKind::PictureUndecodable, runLine_,
               "picture data is too long (over " + std::to_string(maxPictureBytes_) + " bytes)");
    } else if (!run_.empty()) {
        store(run_, true, runLine_, record, fileCardCount);
    }
    run_.clear();
    runTooLong_ = false;
}

void PictureCollector::takePhotoLine(const PropertyLine& line, long lineNumber, ContactRecord& record,
                                     int fileCardCount) {
    // Pictures are large and seldom escaped: the value is copied only to unescape it.
    std::string_view payload = trimSpaces(line.value());
    std::string unescaped;
    if (payload.find('\\') != std::string_view::npos) {
        unescaped = unescapeValue(payload);
        payload = unescaped;
    }
    if (startsWithNoCase(payload, "data:")) {
        const std::size_t comma = payload.find(',');
        if (comma == std::string_view::npos) {
            report(ReadProblemKind::PictureUndecodable, lineNumber, "picture data: URI has no data");
            return;
        }
        const std::string meta = asciiLower(payload.substr(5, comma - 5));
        const bool base64 = meta.size() >= 7 && meta.compare(meta.size() - 7, 7, ";base64") == 0;
        store(payload.substr(comma + 1), base64, lineNumber, record, fileCardCount);
        return;
    }
    // Any other URI, or a value declared as one, points to a picture elsewhere.
    const std::string& head = line.headLower();
    if (payload.find(':') != std::string_view::npos || head.find("value=uri") != std::string::npos ||
        head.find("value=url") != std::string::npos)
        return;
    if (payload.empty()) {
        waiting_ = true;
        runLine_ = lineNumber;
        return;
    }
    store(payload, true, lineNumber, record, fileCardCount);
}

void PictureCollector::store(std::string_view payload, bool isBase64, long lineNumber,
                             ContactRecord& record, int fileCardCount) {
    std::string bytes;
    if (isBase64) {
        std::optional<std::string> decoded = Base64Decode(payload);
        if (!decoded) {
            report(ReadProblemKind::PictureUndecodable, lineNumber, "picture data is not valid Base64");
            return;
        }
        bytes = std::move(*decoded);
    } else {
        bytes = decodeHexEscapes(payload, '%');
    }
    if (bytes.empty()) {
        report(ReadProblemKind::PictureUndecodable, lineNumber, "picture data is empty");
        return;
    }
    const std::string name = names_.claim(fileCardCount);
    // The target that stores pictures takes them from here, never from the
    // file: what is at the file's name could be changed by someone else.
    if (keepBytes_) record.ePhotoBytes = bytes;
    if (!folder_) {
        record.ePhoto = name;
        return;
    }
    std::filesystem::path path = folder_->path() / name;
    if (const std::string& failure = folder_->open(); !failure.empty()) {
        report(ReadProblemKind::PictureNotWritten, lineNumber, pictureNotWrittenCause(path, failure));
        return;
    }
    record.ePhoto = path.string();
    if (writer_) {
        writer_->write(folder_, name, std::move(bytes), file_, lineNumber);
        return;
    }
    if (const std::string failure = folder_->write(name, bytes); !failure.empty()) {
        record.ePhoto.clear();
        report(ReadProblemKind::PictureNotWritten, lineNumber, pictureNotWrittenCause(path, failure));
    }
}

}  // namespace tessaly
