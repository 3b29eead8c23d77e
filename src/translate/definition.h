#pragma once
// The stored form of a window's texts (a "definition"): a 16384-byte buffer, little-endian.
//
//   0      AANTAL  SHORT   entries n
//   2      LEN     LONG    bytes used, from offset 0 to the end of the last entry
//   6      CRC     LONG    CRC-32 of the buffer without its trailing blanks, taken while this
//                          field holds four blanks
//   10     INDEX   n x (SHORT POS, SHORT TEXTLEN): 1-based place and length of entry i
//   4n+10  entries, one after the other: VELDNO SHORT, VELDTIPE SHORT, TEXTLEN, MSGLEN,
//          TIPLEN (one byte each), then text, message and tip joined (at most 384 bytes)
//   ...    blanks to the end
//
// A single string is one length byte and the string, padded with blanks to 256 bytes.
//
// Every length stored matches the bytes stored: texts are cut at character boundaries so that
// each part fits its length byte and the three together fit 384 bytes. A reader trusts nothing
// it reads: counts, places, lengths and the CRC are checked, and a buffer that fails any check
// reads as no definition at all.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavlo {

inline constexpr std::size_t kDefinitionSize = 16384;
inline constexpr std::size_t kStringDefinitionSize = 256;
inline constexpr std::size_t kEntryTextMax = 384;
inline constexpr std::size_t kIndexSlots = 4093;

// One control of a window as the store keeps it (VeldQ / NuweVeldQ).
struct VeldEntry {
    std::int32_t NO = 0;    // control number; 0 the window itself
    std::int32_t TIPE = 0;  // control-type code
    std::string TEKS;       // text; lists: their text followed by "~header~header~"
    std::string BDS;        // status-bar message
    std::string TIP;        // tool tip
    friend bool operator==(const VeldEntry&, const VeldEntry&) = default;
};
using VeldQ = std::vector<VeldEntry>;

// Diagnostics the packer shows (title, text): "Veld te lank: n" and "Buffer >16384".
using DefinitionNotice = std::function<void(const std::string& title, const std::string& text)>;

// Packs the list into a definition of kDefinitionSize bytes and empties the list.
std::string BouVeldBuffer(VeldQ& list, const DefinitionNotice& notice = {});
// Unpacks a definition (stored trimmed or in full); nullopt when it is damaged in any way.
std::optional<VeldQ> OnttrekNaVeldQ(std::string_view definition);

// A single string: its length byte and the string (at most 255 bytes, whole characters).
std::string BouStringBuffer(std::string_view text);
// The string of a single-string definition; nullopt when the length byte overruns the buffer.
std::optional<std::string> StringFromBuffer(std::string_view definition);

// Header strings of list formats: "16L(2)|M~No~@s3@100L(2)|M~Name~@s25@" gives "~No~Name~".
std::string OnttrekHeadersUitFormatStr(std::string_view format);
// The format with the text of its k-th "~" pair replaced by the k-th header of the header
// string ("~Nr~Naam~"); pairs past the last header keep their design text.
std::string VervangHeadersInFormatString(std::string_view format, std::string_view headers);

}  // namespace tavlo
