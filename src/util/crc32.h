#pragma once
// CRC-32 of a text, stored with every window definition in the language store. The standard
// CRC-32 (reflected polynomial 0xEDB88320, start and final XOR 0xFFFFFFFF, as zlib and ZIP use)
// over the text's bytes without its trailing blanks.
#include <cstdint>
#include <string_view>

namespace tavlo {

// The 256-entry table; built once, on first use, safe from any thread.
const std::uint32_t* BuildCRCTable();
// One update step: table[(crc ^ byte) & 0xFF] ^ (crc >> 8).
std::uint32_t CalcCRC(std::uint8_t byte, std::uint32_t crc);
// The CRC-32 of text without its trailing blanks: "abc" gives 0x352441C2, blank text 0.
std::uint32_t CRC32Str(std::string_view text);

}  // namespace tavlo
