#pragma once
// The fuzz targets: each entry point takes one input as libFuzzer gives it,
// drives one part of Tessaly with it and checks what came out. A broken rule
// aborts with its reason on standard error (see fuzz_fault.h); a crash, a
// sanitizer report or an exception that escapes is a fault as well.
//
// The libFuzzer programs (fuzz/targets/) and the regression test that replays
// the inputs saved from earlier findings (tests/fuzz/) call these same
// functions, so the two cannot drift apart.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessaly::fuzz {

// Any bytes as a vCard file, read in Normal and in Advance Mode, and once
// more with a short line limit; every card goes through what both targets do
// with it (a sheet row; a contact with its picture file added, and its
// message).
void fuzzVcardReader(const std::uint8_t* data, std::size_t size);

// The same reading, in both modes, of a file made large from a small input,
// to bring out work that grows faster than the file: the input's first
// eight bytes give a count (four bytes), the length of a middle part and where
// it starts in the rest (two bytes each); the file is the rest with its middle
// part repeated that many times (up to 2 MiB in all).
void fuzzVcardReaderRepeated(const std::uint8_t* data, std::size_t size);

// Any bytes as Base64 text, decoded, and compared with a plain decoder of the
// documented rules.
void fuzzBase64Decode(const std::uint8_t* data, std::size_t size);

// Any bytes as a PST file, verified; the report must name every finding.
void fuzzPstVerifier(const std::uint8_t* data, std::size_t size);

// A stream of ExcelFile operations and their arguments, written to a sheet
// that is then closed and read back as a chain of records.
void fuzzExcelFile(const std::uint8_t* data, std::size_t size);

// A stream of object-model calls (new contacts, properties set by name with
// any text, dates, pictures, Save) into a new store that is then finished and
// verified.
void fuzzOutlookContacts(const std::uint8_t* data, std::size_t size);

struct FuzzEntryPoint {
    const char* name;  // the fuzz program's name without "fuzz_"
    void (*run)(const std::uint8_t* data, std::size_t size);
};

// Every target, by name.
const std::array<FuzzEntryPoint, 6>& fuzzEntryPoints();

}  // namespace tessaly::fuzz
