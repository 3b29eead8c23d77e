#include "util/crc32.h"

#include <array>

namespace tavlo {

const std::uint32_t* BuildCRCTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table.data();
}

std::uint32_t CalcCRC(std::uint8_t byte, std::uint32_t crc) {
    return BuildCRCTable()[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

std::uint32_t CRC32Str(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const std::uint32_t* table = BuildCRCTable();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char c : text) crc = table[(crc ^ static_cast<std::uint8_t>(c)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

}  // namespace tavlo
