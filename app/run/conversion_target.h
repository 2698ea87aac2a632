#pragma once
// A target of a conversion run: where the cards go.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/run/run_host.h"
#include "app/run/run_report.h"
#include "vcard/contact_record.h"

namespace tessaly {

// The target itself failed (cannot be created or written): the run ends, and
// the message box shows what() with the error's title and icon.
class TargetError : public std::runtime_error {
public:
    explicit TargetError(const std::string& message, std::string title = "Tessaly",
                         MessageIcon icon = MessageIcon::Exclamation)
        : std::runtime_error(message), title_(std::move(title)), icon_(icon) {}
    const std::string& title() const { return title_; }
    MessageIcon icon() const { return icon_; }

private:
    std::string title_;
    MessageIcon icon_;
};

enum class TargetKind { Worksheet, Outlook };

// Where a card came from, for what a target notes about it: "file:line: card
// N". Built only when something is noted, which for most cards is never.
struct CardPlace {
    const std::string& file;
    long line = 0;
    std::int32_t cardNumber = 0;

    std::string text() const { return file + ":" + std::to_string(line) + ": card " + std::to_string(cardNumber); }
};

class ConversionTarget {
public:
    virtual ~ConversionTarget() = default;

    // Creates the target's file in `outputFolder`. Throws TargetError.
    virtual void open(const std::filesystem::path& outputFolder) = 0;

    // Writes one card. `place` says where the card came from, for what the
    // target notes in `report`. Returns false for a card that was not
    // converted (and is in the report); throws TargetError when the target
    // itself fails.
    virtual bool write(const ContactRecord& record, const CardPlace& place, RunReport& report) = 0;

    // Finishes the file under its final name and returns that name. Throws
    // TargetError.
    virtual std::filesystem::path close(RunReport& report) = 0;

    // Drops an unfinished target; an earlier file of the same name stays.
    virtual void abandon() noexcept = 0;

    // Whether `write` stores the card's picture, which it then finds in the
    // record's `ePhotoBytes` (never in the picture file, which others may be
    // able to change).
    virtual bool storesPictures() const { return false; }
};

// The target of a kind.
std::unique_ptr<ConversionTarget> makeTarget(TargetKind kind);

}  // namespace tessaly
