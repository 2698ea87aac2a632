#pragma once
// Choosing the reading mode of a file by its line ends, for readers that are
// not told one: a file whose every line feed follows a carriage return reads
// in Normal Mode, any other in Advance Mode.

#include <string>

#include "vcard/line_reader.h"

namespace tessaly {

// Normal or Advance for `vcardFile`: reads the file (as text, so a UTF-16
// file's line ends are seen as such) up to its first lone line feed. Throws
// VcardReadError when the file cannot be opened or read.
ReadMode chooseReadMode(const std::string& vcardFile);

}  // namespace tessaly
