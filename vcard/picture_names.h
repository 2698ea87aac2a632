#pragma once
// The names of the picture files of one run. A picture is named after its
// card's place in its file: ".gif" for the first card, "1.gif" for the second,
// and so on, whatever the picture's type. Each file of a run starts counting
// again, so the first card of a second file would take ".gif" once more: a
// name already given out in this run gets " (2)", " (3)", … before ".gif"
// instead, and no picture of the run replaces another. (A file left by an
// earlier run is replaced.)

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

class PictureNames {
public:
    // The file name for the picture of the card at `fileCardCount` (the number
    // of cards before it in its file), marked as given out.
    std::string claim(int fileCardCount);

private:
    // How often each card place's name was given out: the places are few
    // (the most cards of one file), however many files a run reads.
    std::vector<std::uint32_t> uses_;
};

}  // namespace tessaly
