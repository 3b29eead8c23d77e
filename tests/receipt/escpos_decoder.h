#pragma once
// Reads an ESC/POS byte stream back the way a printer would: the commands the receipt sends,
// and the text lines decoded from the selected code page with the system's iconv (not with the
// program's own tables).
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

namespace tavlo::receipt::testing {

struct Kick {
    int pin = 0;  // 0: pin 2, 1: pin 5
    int on = 0, off = 0;
};

struct Printed {
    int codePage = -1;            // n of the last ESC t
    std::vector<std::string> lines;  // UTF-8
    std::vector<std::string> bold, centred;
    int cuts = 0;
    int feeds = 0;
    std::vector<Kick> kicks;
    std::vector<std::string> events;  // "init", "text", "cut", "kick" in order
    std::string unknown;              // commands this reader does not know

    std::string all() const {
        std::string s;
        for (const auto& l : lines) s += l + "\n";
        return s;
    }
    bool hasLine(const std::string& l) const {
        for (const auto& x : lines)
            if (x == l) return true;
        return false;
    }
};

inline std::string fromCodePage(const std::string& bytes, int codePage) {
    const char* name = codePage == 16 ? "CP1252" : codePage == 2 ? "CP850" : "ASCII";
    iconv_t cd = iconv_open("UTF-8", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return "<no iconv " + std::string(name) + ">";
    std::string in = bytes, out(bytes.size() * 4 + 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    std::size_t il = in.size(), ol = out.size();
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) out = "<bad bytes>";
    else out.resize(out.size() - ol);
    iconv_close(cd);
    return out;
}

inline Printed decode(const std::string& s) {
    Printed p;
    std::string text;
    bool bold = false, centred = false;
    auto byte = [&](std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = byte(i);
        if (c == 0x1B) {
            unsigned char cmd = byte(i + 1);
            if (cmd == '@') { p.events.push_back("init"); i += 2; }
            else if (cmd == 't') { p.codePage = byte(i + 2); i += 3; }
            else if (cmd == 'E') { bold = byte(i + 2) != 0; i += 3; }
            else if (cmd == 'a') { centred = byte(i + 2) == 1; i += 3; }
            else if (cmd == 'd') { p.feeds += byte(i + 2); i += 3; }
            else if (cmd == 'p') {
                p.kicks.push_back({static_cast<int>(byte(i + 2)), static_cast<int>(byte(i + 3)), static_cast<int>(byte(i + 4))});
                p.events.push_back("kick");
                i += 5;
            } else { p.unknown += "ESC " + std::to_string(cmd) + ";"; i += 2; }
        } else if (c == 0x1D) {
            if (byte(i + 1) == 'V' && (byte(i + 2) == 65 || byte(i + 2) == 66)) { ++p.cuts; p.events.push_back("cut"); i += 4; }
            else if (byte(i + 1) == 'V') { ++p.cuts; p.events.push_back("cut"); i += 3; }
            else { p.unknown += "GS " + std::to_string(byte(i + 1)) + ";"; i += 2; }
        } else if (c == 0x0A) {
            std::string line = fromCodePage(text, p.codePage);
            p.lines.push_back(line);
            if (bold) p.bold.push_back(line);
            if (centred) p.centred.push_back(line);
            if (p.events.empty() || p.events.back() != "text") p.events.push_back("text");
            text.clear();
            ++i;
        } else if (c < 0x20) {
            p.unknown += "ctl " + std::to_string(c) + ";";
            ++i;
        } else {
            text += static_cast<char>(c);
            ++i;
        }
    }
    if (!text.empty()) p.unknown += "unterminated text;";
    return p;
}

}  // namespace tavlo::receipt::testing
