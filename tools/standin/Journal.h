// The journal: one line per record carried out, for tests and benchmarks.
//
//   <exchange>\t<micros>\t<R|W>\t<0xOOOO>\t<size>\t<value>\n
//
// value: unsigned decimal for sizes 1, 2 and 4 (the value read, or written);
// for the 128-byte write of the message text, the text up to its first zero in
// double quotes, with '"' and '\' escaped by a backslash and bytes outside
// printable ASCII as \xHH; lowercase hex bytes for every other size.
#pragma once

#include "Peer.h"

#include <cstdint>
#include <string>

namespace standin {

std::string JournalValue(const RecordDone& record);
std::string JournalLine(std::uint32_t exchange, std::uint64_t micros, const RecordDone& record);

// The text of the 128-byte message field up to its first zero.
std::string MessageText(const std::uint8_t* field, std::uint32_t size);

} // namespace standin
