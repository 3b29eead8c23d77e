#include "translate/store_source.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "util/text.h"

namespace tavlo {

namespace {

constexpr const char* kApp = "Tavlo";

std::string quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// Words and quoted texts of a line.
struct Token {
    std::string text;
    bool quoted = false;
};

bool tokenize(const std::string& line, std::vector<Token>& out, std::string* why) {
    out.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        Token t;
        if (line[i] == '"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '\\' && i < line.size()) {
                    t.text += line[i++];
                } else if (c == '"') {
                    closed = true;
                    break;
                } else {
                    t.text += c;
                }
            }
            if (!closed) {
                *why = "a quote is not closed";
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') t.text += line[i++];
        }
        out.push_back(std::move(t));
    }
    return true;
}

bool number(const Token& t, int* out) {
    if (t.quoted || t.text.empty()) return false;
    try {
        std::size_t used = 0;
        *out = std::stoi(t.text, &used);
        return used == t.text.size();
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

StoreSource parseStoreSource(const std::string& text) {
    StoreSource src;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    std::vector<Token> tokens;
    auto problem = [&](const std::string& what) { src.problems.push_back("line " + std::to_string(lineNo) + ": " + what); };
    while (std::getline(in, line)) {
        ++lineNo;
        const std::string t = trim(line);
        if (t.empty() || t[0] == '#') continue;
        std::string why;
        if (t[0] == '[') {
            std::string inner = t.substr(1, t.find(']') == std::string::npos ? std::string::npos : t.find(']') - 1);
            if (!tokenize(inner, tokens, &why) || tokens.size() != 2) {
                problem("a structure is [procedure name]");
                continue;
            }
            src.structures.push_back(SourceStructure{tokens[0].text, tokens[1].text, false, {}, {}});
            continue;
        }
        if (!tokenize(t, tokens, &why)) {
            problem(why);
            continue;
        }
        int a = 0, b = 0;
        if (tokens[0].text == "language" && !tokens[0].quoted) {
            if (tokens.size() < 3 || !number(tokens[1], &a)) {
                problem("language number name");
                continue;
            }
            std::string name;
            for (std::size_t k = 2; k < tokens.size(); ++k) name += (k > 2 ? " " : "") + tokens[k].text;
            src.languages.emplace_back(a, name);
        } else if (tokens[0].text == "type" && !tokens[0].quoted) {
            int f1 = 0, f2 = 0, f3 = 0;
            if (tokens.size() != 6 || !number(tokens[1], &a) || !number(tokens[3], &f1) || !number(tokens[4], &f2) ||
                !number(tokens[5], &f3)) {
                problem("type code name text msg tip");
                continue;
            }
            src.types.push_back(ControlType{a, tokens[2].text, static_cast<std::uint8_t>(f1), static_cast<std::uint8_t>(f2),
                                            static_cast<std::uint8_t>(f3)});
        } else if (tokens[0].text == "string" && !tokens[0].quoted) {
            if (tokens.size() != 5 || !tokens[3].quoted || !tokens[4].quoted) {
                problem("string procedure name \"design\" \"translation\"");
                continue;
            }
            SourceStructure s{tokens[1].text, tokens[2].text, true, {}, {}};
            s.design.push_back(VeldEntry{0, 2, tokens[3].text, "", ""});
            s.translated.push_back(VeldEntry{0, 2, tokens[4].text, "", ""});
            src.structures.push_back(std::move(s));
        } else if (number(tokens[0], &a)) {
            if (src.structures.empty() || src.structures.back().single) {
                problem("a control outside a structure");
                continue;
            }
            if (tokens.size() < 2 || !number(tokens[1], &b)) {
                problem("a control is its number and type");
                continue;
            }
            VeldEntry design{a, b, "", "", ""}, translated{a, b, "", "", ""};
            bool ok = true;
            for (std::size_t k = 2; k < tokens.size() && ok; k += 3) {
                if (k + 2 >= tokens.size() || !tokens[k + 1].quoted || !tokens[k + 2].quoted) {
                    ok = false;
                    break;
                }
                const std::string& label = tokens[k].text;
                std::string *d = nullptr, *tr = nullptr;
                if (label == "text") d = &design.TEKS, tr = &translated.TEKS;
                else if (label == "msg") d = &design.BDS, tr = &translated.BDS;
                else if (label == "tip") d = &design.TIP, tr = &translated.TIP;
                else ok = false;
                if (ok) *d = tokens[k + 1].text, *tr = tokens[k + 2].text;
            }
            if (!ok) {
                problem("after number and type come text, msg or tip, each with two quoted texts");
                continue;
            }
            src.structures.back().design.push_back(std::move(design));
            src.structures.back().translated.push_back(std::move(translated));
        } else {
            problem("not a line of the language source: " + tokens[0].text);
        }
    }
    return src;
}

std::optional<StoreSource> readStoreSource(const std::filesystem::path& file, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + file.string();
        return std::nullopt;
    }
    return parseStoreSource(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

std::string writeStoreSource(const StoreSource& src) {
    std::string out;
    for (const auto& [no, name] : src.languages) out += "language " + std::to_string(no) + " " + name + "\n";
    for (const ControlType& t : src.types)
        out += "type " + std::to_string(t.CONTROLEQNO) + " " + t.CONTROLNAAM + " " + std::to_string(t.TEXTTOELAATBAAR) +
               " " + std::to_string(t.HLPTOELAATBAAR) + " " + std::to_string(t.TIPTOELAATBAAR) + "\n";
    for (const SourceStructure& s : src.structures) {
        if (s.single) {
            out += "\nstring " + s.procedure + " " + s.name + " " + quote(s.design.at(0).TEKS) + " " +
                   quote(s.translated.at(0).TEKS) + "\n";
            continue;
        }
        out += "\n[" + s.procedure + " " + s.name + "]\n";
        for (std::size_t i = 0; i < s.design.size(); ++i) {
            const VeldEntry& d = s.design[i];
            const VeldEntry tr = i < s.translated.size() ? s.translated[i] : VeldEntry{};
            out += std::to_string(d.NO) + " " + std::to_string(d.TIPE);
            if (!clip(d.TEKS).empty()) out += " text " + quote(clip(d.TEKS)) + " " + quote(clip(tr.TEKS));
            if (!clip(d.BDS).empty()) out += " msg " + quote(clip(d.BDS)) + " " + quote(clip(tr.BDS));
            if (!clip(d.TIP).empty()) out += " tip " + quote(clip(d.TIP)) + " " + quote(clip(tr.TIP));
            out += "\n";
        }
    }
    return out;
}

bool buildStore(const StoreSource& src, const std::filesystem::path& target, std::string* error) {
    std::filesystem::path temp = target;
    temp += ".building";
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    {
        LanguageStore store;
        auto failed = [&](const std::string& what) {
            if (error) *error = what + ": " + store.error();
            store.close();
            std::filesystem::remove(temp, ec);
            return false;
        };
        if (!store.open(temp, true)) return failed("cannot create " + temp.string());
        if (!store.begin()) return failed("cannot write");
        for (const auto& [no, name] : src.languages)
            if (!store.putLanguage(no, name)) return failed("language " + name);
        for (const ControlType& t : src.types)
            if (!store.putControlType(t)) return failed("type " + t.CONTROLNAAM);
        for (const SourceStructure& s : src.structures) {
            const int tipe = s.single ? 2 : (s.design.empty() ? 0 : s.design[0].TIPE);
            auto no = store.addStructure(static_cast<std::uint8_t>(tipe), kApp, s.procedure, s.name);
            if (!no) return failed("structure " + s.procedure + " " + s.name);
            VeldQ design = s.design, translated = s.translated;
            const std::string d = s.single ? BouStringBuffer(design.at(0).TEKS) : BouVeldBuffer(design);
            const std::string t = s.single ? BouStringBuffer(translated.at(0).TEKS) : BouVeldBuffer(translated);
            if (!store.putDefinition(*no, 1, d) || !store.putDefinition(*no, 2, t))
                return failed("definition of " + s.procedure + " " + s.name);
        }
        if (!store.commit()) return failed("cannot write");
    }
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        if (error) *error = "cannot put " + target.string() + " in place: " + ec.message();
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

StoreSource readStore(LanguageStore& store) {
    StoreSource src;
    src.languages = store.languages();
    src.types = store.controlTypes();
    for (const StructureRow& row : store.structures()) {
        SourceStructure s{row.PROCNAAM, row.STRUKTUURNAAM, row.TIPE == 2, {}, {}};
        auto d = store.definition(row.STRUKTUURNO, 1);
        auto t = store.definition(row.STRUKTUURNO, 2);
        if (s.single) {
            s.design.push_back(VeldEntry{0, 2, d ? StringFromBuffer(*d).value_or("") : "", "", ""});
            s.translated.push_back(VeldEntry{0, 2, t ? StringFromBuffer(*t).value_or("") : "", "", ""});
        } else {
            s.design = d ? OnttrekNaVeldQ(*d).value_or(VeldQ{}) : VeldQ{};
            s.translated = t ? OnttrekNaVeldQ(*t).value_or(VeldQ{}) : VeldQ{};
        }
        src.structures.push_back(std::move(s));
    }
    return src;
}

}  // namespace tavlo
