#include "translate/definition.h"

#include <algorithm>
#include <cstring>

#include "util/crc32.h"
#include "util/text.h"

namespace tavlo {

namespace {

constexpr std::size_t kCrcAt = 6;
constexpr std::size_t kIndexAt = 10;
constexpr std::size_t kHeaderMax = 1024;

void put16(std::string& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}
std::uint32_t get16(std::string_view b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8);
}
std::uint32_t get32(std::string_view b, std::size_t at) { return get16(b, at) | (get16(b, at + 2) << 16); }

// The CRC of a full buffer, its CRC field blank.
std::uint32_t definitionCrc(std::string buffer) {
    std::memset(buffer.data() + kCrcAt, ' ', 4);
    return CRC32Str(buffer);
}

// Cuts the three texts at character boundaries so that each fits a length byte and together
// they fit kEntryTextMax bytes. True when something had to be cut.
bool fitEntry(std::string& text, std::string& msg, std::string& tip) {
    const std::size_t before = text.size() + msg.size() + tip.size();
    text = fitBytes(text, 255);
    msg = fitBytes(msg, std::min<std::size_t>(255, kEntryTextMax - text.size()));
    tip = fitBytes(tip, std::min<std::size_t>(255, kEntryTextMax - text.size() - msg.size()));
    return text.size() + msg.size() + tip.size() != before;
}

}  // namespace

std::string BouVeldBuffer(VeldQ& list, const DefinitionNotice& notice) {
    std::string b(kDefinitionSize, ' ');
    const std::size_t wanted = std::min(list.size(), kIndexSlots);
    std::size_t pos = 4 * wanted + kIndexAt;  // 0-based start of the first entry
    std::size_t written = 0;
    for (std::size_t i = 0; i < wanted; ++i) {
        const VeldEntry& e = list[i];
        std::string text = clip(e.TEKS), msg = clip(e.BDS), tip = clip(e.TIP);
        const std::size_t t = text.size(), m = msg.size(), p = tip.size();
        if (fitEntry(text, msg, tip) && notice)
            notice("Veld te lank: " + std::to_string(i + 1),
                   "Veld: " + std::to_string(e.NO) + "|Tipe: " + std::to_string(e.TIPE) + "|Lengtes: " +
                       std::to_string(t) + " " + std::to_string(m) + " " + std::to_string(p) + "|" + clip(e.TEKS) +
                       "|" + clip(e.BDS) + "|" + clip(e.TIP));
        const std::size_t length = 7 + text.size() + msg.size() + tip.size();
        if (pos + length > kDefinitionSize - 2) {  // the last two bytes are reserved
            if (notice)
                notice("Buffer >" + std::to_string(kDefinitionSize),
                       "Pos: " + std::to_string(pos + 1) + " : " + std::to_string(pos + length));
            break;
        }
        put16(b, kIndexAt + 4 * i, static_cast<std::uint32_t>(pos + 1));
        put16(b, kIndexAt + 4 * i + 2, static_cast<std::uint32_t>(length));
        put16(b, pos, static_cast<std::uint16_t>(static_cast<std::int16_t>(e.NO)));
        put16(b, pos + 2, static_cast<std::uint16_t>(static_cast<std::int16_t>(e.TIPE)));
        b[pos + 4] = static_cast<char>(text.size());
        b[pos + 5] = static_cast<char>(msg.size());
        b[pos + 6] = static_cast<char>(tip.size());
        b.replace(pos + 7, length - 7, text + msg + tip);
        pos += length;
        ++written;
    }
    // Entries that did not fit leave their index slots: the entries move up to close the gap.
    if (written < wanted) {
        const std::size_t gap = 4 * (wanted - written);
        const std::size_t from = 4 * wanted + kIndexAt;
        std::string entries = b.substr(from, pos - from);
        std::fill(b.begin() + static_cast<std::ptrdiff_t>(kIndexAt + 4 * written), b.end(), ' ');
        b.replace(from - gap, entries.size(), entries);
        for (std::size_t i = 0; i < written; ++i)
            put16(b, kIndexAt + 4 * i, get16(b, kIndexAt + 4 * i) - static_cast<std::uint32_t>(gap));
        pos -= gap;
    }
    put16(b, 0, static_cast<std::uint32_t>(written));
    put32(b, 2, static_cast<std::uint32_t>(pos));
    put32(b, kCrcAt, definitionCrc(b));
    list.clear();
    return b;
}

std::optional<VeldQ> OnttrekNaVeldQ(std::string_view stored) {
    if (stored.size() < kIndexAt || stored.size() > kDefinitionSize) return std::nullopt;
    std::string b(stored);
    b.resize(kDefinitionSize, ' ');
    const std::size_t n = get16(b, 0);
    const std::size_t used = get32(b, 2);
    if (n > kIndexSlots || used < kIndexAt + 4 * n || used > kDefinitionSize - 2) return std::nullopt;
    if (get32(b, kCrcAt) != definitionCrc(b)) return std::nullopt;
    VeldQ out;
    out.reserve(n);
    std::size_t end = kIndexAt + 4 * n;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t pos = get16(b, kIndexAt + 4 * i);
        const std::size_t length = get16(b, kIndexAt + 4 * i + 2);
        if (pos < kIndexAt + 4 * n + 1 || length < 7 || pos - 1 + length > used) return std::nullopt;
        const std::size_t at = pos - 1;
        const std::size_t t = static_cast<unsigned char>(b[at + 4]);
        const std::size_t m = static_cast<unsigned char>(b[at + 5]);
        const std::size_t p = static_cast<unsigned char>(b[at + 6]);
        if (7 + t + m + p != length || t + m + p > kEntryTextMax) return std::nullopt;
        VeldEntry e;
        e.NO = static_cast<std::int16_t>(get16(b, at));
        e.TIPE = static_cast<std::int16_t>(get16(b, at + 2));
        e.TEKS = b.substr(at + 7, t);
        e.BDS = b.substr(at + 7 + t, m);
        e.TIP = b.substr(at + 7 + t + m, p);
        out.push_back(std::move(e));
        end = std::max(end, at + length);
    }
    if (end != used) return std::nullopt;  // the bytes used are exactly the entries'
    return out;
}

std::string BouStringBuffer(std::string_view text) {
    const std::string s = fitBytes(clip(text), kStringDefinitionSize - 1);
    std::string b(kStringDefinitionSize, ' ');
    b[0] = static_cast<char>(s.size());
    b.replace(1, s.size(), s);
    return b;
}

std::optional<std::string> StringFromBuffer(std::string_view stored) {
    if (stored.empty()) return std::nullopt;
    const std::size_t n = static_cast<unsigned char>(stored[0]);
    if (1 + n > stored.size()) return std::nullopt;
    return std::string(stored.substr(1, n));
}

std::string OnttrekHeadersUitFormatStr(std::string_view format) {
    std::string out;
    std::size_t at = 0;
    while (true) {
        const std::size_t open = format.find('~', at);
        if (open == std::string_view::npos) break;
        const std::size_t close = format.find('~', open + 1);
        if (close == std::string_view::npos) break;
        if (out.size() + (close - open) + 1 > kHeaderMax) break;
        out += format.substr(open, close - open);
        at = close + 1;
    }
    return out + "~";
}

std::string VervangHeadersInFormatString(std::string_view format, std::string_view headers) {
    std::vector<std::string> headerQ;  // HeaderQ
    if (std::size_t first = headers.find('~'); first != std::string_view::npos) {
        std::size_t at = first + 1;
        for (std::size_t next; (next = headers.find('~', at)) != std::string_view::npos; at = next + 1)
            headerQ.push_back(fitBytes(headers.substr(at, next - at), 80));
    }
    std::string out;
    std::size_t at = 0;
    for (const std::string& header : headerQ) {
        const std::size_t open = format.find('~', at);
        if (open == std::string_view::npos) break;
        const std::size_t close = format.find('~', open + 1);
        if (close == std::string_view::npos) break;
        out += format.substr(at, open + 1 - at);
        out += clip(header);
        out += '~';
        at = close + 1;
    }
    out += format.substr(at);  // the rest unchanged
    return out;
}

}  // namespace tavlo
