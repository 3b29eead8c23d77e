// Window-text definitions as the language store keeps them. Input: a mode byte, then the bytes.
// Mode bit 0 stamps the right CRC on the bytes first, so that inputs reach the checks behind it
// (counts, places, lengths). Whatever reads as a definition packs and reads back the same; the
// single-string form and the list-header helpers take any text.
#include <algorithm>
#include <string>

#include "fuzz_target.h"
#include "translate/definition.h"
#include "util/crc32.h"
#include "util/text.h"

namespace tavlo::fuzz {

namespace {
void stampCrc(std::string& b) {
    if (b.size() < 10 || b.size() > kDefinitionSize) return;
    std::string full = b;
    full.resize(kDefinitionSize, ' ');
    full.replace(6, 4, "    ");
    const std::uint32_t crc = CRC32Str(full);
    for (int i = 0; i < 4; ++i) b[6 + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
}
}  // namespace

int definition(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string bytes(asText(data + 1, size - 1));
    if (data[0] & 1) stampCrc(bytes);

    if (auto list = OnttrekNaVeldQ(bytes)) {
        VeldQ expected = *list;
        for (VeldEntry& e : expected) {
            check(e.TEKS.size() < 256 && e.BDS.size() < 256 && e.TIP.size() < 256 &&
                      e.TEKS.size() + e.BDS.size() + e.TIP.size() <= kEntryTextMax,
                  "an entry longer than its length bytes allow");
            e.TEKS = clip(e.TEKS);
            e.BDS = clip(e.BDS);
            e.TIP = clip(e.TIP);
        }
        bool noticed = false;
        const std::string packed = BouVeldBuffer(*list, [&](const std::string&, const std::string&) { noticed = true; });
        check(packed.size() == kDefinitionSize, "a packed definition of the wrong size");
        // Entries whose places overlap read, but need more room packed apart: only whole ones round-trip.
        if (!noticed) check(OnttrekNaVeldQ(packed) == expected, "a definition does not read back as it was packed");
    }

    if (auto text = StringFromBuffer(bytes)) {
        check(text->size() < 256 && bytes.compare(1, text->size(), *text) == 0, "a string read past its length byte");
        check(StringFromBuffer(BouStringBuffer(*text)) == clip(*text), "a string does not read back");
    }

    std::string_view headers;
    const std::string_view format = firstLine(bytes, &headers);
    const std::string found = OnttrekHeadersUitFormatStr(format);
    check(found.size() <= 1025 && found.back() == '~', "header string too long or not closed");
    const std::string replaced = VervangHeadersInFormatString(format, headers);
    check(std::count(replaced.begin(), replaced.end(), '~') == std::count(format.begin(), format.end(), '~'),
          "replacing headers changed the format's fields");
    return 0;
}

}  // namespace tavlo::fuzz
