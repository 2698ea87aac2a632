#pragma once
// The pictures of cards. A PHOTO value is the picture itself: Base64 text (a
// vCard 2.1 picture folded onto following lines, a 3.0 inline value) or a
// data: URI (4.0). A PHOTO line with an empty value takes its Base64 text from
// the colon-less lines that follow it, up to an empty line or the next property.
// A picture that decodes is written to a file named after the card's place in
// its file ("" for the first card, then 1, 2, …, with ".gif"; see PictureNames);
// a web address gives no picture.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "vcard/card_sink.h"
#include "vcard/property_line.h"

namespace tessaly {

class PictureFileWriter;
class PictureFolder;
class PictureNames;

class PictureCollector {
public:
    // Without a `folder` no file is written, but `ePhoto` still gets the
    // name the file would have. With a `writer`, files are handed to it instead
    // of being written before the card goes on, and it notes the failures.
    // With `keepBytes` the record's `ePhotoBytes` gets the picture itself,
    // for a target that stores it.
    PictureCollector(std::shared_ptr<PictureFolder> folder, std::string file, std::size_t maxPictureBytes,
                     CardSink& sink, PictureNames& names, PictureFileWriter* writer = nullptr,
                     bool keepBytes = false);

    // Called on each line of an open card before the property rules. Returns
    // true when the line was taken as picture data.
    bool takeLine(const PropertyLine& line, long lineNumber, ContactRecord& record, int fileCardCount);

    // Ends a wait for picture lines when the card is handed over.
    void finishCard(ContactRecord& record, int fileCardCount);

private:
    void finishRun(ContactRecord& record, int fileCardCount);
    void takePhotoLine(const PropertyLine& line, long lineNumber, ContactRecord& record, int fileCardCount);
    void store(std::string_view payload, bool isBase64, long lineNumber, ContactRecord& record,
               int fileCardCount);
    void report(ReadProblemKind kind, long lineNumber, const std::string& cause);

    std::shared_ptr<PictureFolder> folder_;
    std::string file_;
    std::size_t maxPictureBytes_;
    CardSink& sink_;
    PictureNames& names_;
    PictureFileWriter* writer_;
    bool waiting_ = false;
    std::string run_;
    long runLine_ = 0;
    bool runTooLong_ = false;
    bool keepBytes_ = false;
};

}  // namespace tessaly
