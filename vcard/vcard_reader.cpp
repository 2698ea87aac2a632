#include "vcard/vcard_reader.h"

#include <limits>

#include "vcard/picture_collector.h"
#include "vcard/picture_folder.h"
#include "vcard/picture_names.h"
#include "vcard/property_rules.h"
#include "vcard/read_mode_choice.h"
#include "vcard/vcard_read_error.h"
#include "vcard/vcard_text.h"

namespace tessaly {

namespace {

// How many lines pass between two chances for the host to process events.
constexpr long kLinesBetweenPolls = 4096;

}  // namespace

FileReadSummary ReadvCard(const std::string& vcardFile, std::int32_t& ivCard,
                          const ReaderOptions& options, CardSink& sink) {
    FileReadSummary summary;
    summary.mode = options.mode == ReadMode::Auto ? chooseReadMode(vcardFile) : options.mode;
    ByteSource source(vcardFile);
    LineReader lines(source, summary.mode, options.maxLineBytes, vcardFile);
    CharsetDecoder decoder;
    PictureNames fileOwnNames;
    // Opened at the file's first picture; the writer thread keeps it open for
    // the files it has still to write.
    std::shared_ptr<PictureFolder> pictureFolder;
    if (!options.pictureFolder.empty()) pictureFolder = std::make_shared<PictureFolder>(options.pictureFolder);
    PictureCollector pictures(std::move(pictureFolder), vcardFile, options.maxLineBytes, sink,
                              options.pictureNames != nullptr ? *options.pictureNames : fileOwnNames,
                              options.pictureWriter, options.keepPictureBytes);

    ContactRecord record;
    CardExtras extras;
    FreevCard(record);
    bool inCard = false;
    long cardStartLine = 0;
    long linesSincePoll = 0;

    LogicalLine line;
    PropertyLine property;
    while (lines.next(line)) {
        if (++linesSincePoll == kLinesBetweenPolls) {
            linesSincePoll = 0;
            if (!sink.keepReading()) {
                summary.stoppedByHost = true;
                break;
            }
        }
        property.parse(line.bytes, decoder, source.decodedFromUtf16());
        if (inCard && property.nulCharactersLeftOut() > 0) {
            const std::size_t nuls = property.nulCharactersLeftOut();
            sink.problem(ReadProblem{ReadProblemKind::NulCharacterLeftOut, vcardFile, line.number,
                                     std::to_string(nuls) + (nuls == 1 ? " NUL character" : " NUL characters") +
                                         " left out of " +
                                         (property.name().empty() ? std::string("the line") : std::string(property.name())),
                                     nuls});
        }
        bool endOfCard = false;
        if (isBeginLine(property.text())) {
            if (inCard) {
                sink.problem(ReadProblem{ReadProblemKind::MergedCard, vcardFile, line.number,
                                         "BEGIN:VCARD inside the card begun on line " +
                                             std::to_string(cardStartLine) + "; the two were read as one"});
            } else {
                cardStartLine = line.number;
            }
            inCard = true;
        } else if (isEndLine(property.text())) {
            endOfCard = inCard;  // an END:VCARD outside a card ends nothing
        }
        // A picture's lines are the picture rule's alone: Base64 text that
        // happens to spell a property word must fill no other slot.
        if (inCard && !pictures.takeLine(property, line.number, record, summary.cards) &&
            property.name() != "PHOTO") {
            extras.line = line.number;
            // A line no rule took is a value the record has no field for,
            // unless it carries nothing of the contact.
            if (!applyPropertyRules(property, record, extras) && property.hasValue() &&
                !trimSpaces(property.value()).empty() && !carriesNoContactData(property.name()))
                record.unplaced.push_back({line.number, std::string(property.name()), ""});
        }

        if (endOfCard) {
            pictures.finishCard(record, summary.cards);
            prepareForHandOver(record, extras);
            sink.handOver(record, ivCard, cardStartLine);
            FreevCard(record);
            extras.clear();
            inCard = false;
            ++summary.cards;
            if (ivCard == std::numeric_limits<std::int32_t>::max())
                throw VcardReadError(vcardFile, line.number, "too many cards in one run");
            ++ivCard;
            // A stop asked for during a card takes effect before the next one.
            linesSincePoll = 0;
            if (!sink.keepReading()) {
                summary.stoppedByHost = true;
                break;
            }
        }
    }
    if (inCard && !summary.stoppedByHost)
        sink.problem(ReadProblem{ReadProblemKind::IncompleteCard, vcardFile, cardStartLine,
                                 "card has no END:VCARD; it was not converted"});
    summary.sawLoneLineFeed = lines.sawLoneLineFeed();
    return summary;
}

}  // namespace tessaly
