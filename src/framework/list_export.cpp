#include "framework/list_export.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "framework/message.h"
#include "util/text.h"

namespace tavlo {

std::size_t Queue::fieldCount() const {
    std::size_t n = 0;
    while (n < fields.size() && !clip(fields[n].name).empty()) ++n;
    return n;
}

std::string queueFieldName(std::string_view name) {
    std::string n = trim(name);
    if (auto colon = n.find(':'); colon != std::string::npos) n = n.substr(colon + 1);
    return lower(n);
}

namespace ProQClass {

namespace {

void box(const std::string& text, const std::string& title = "", Icon icon = Icon::None) {
    MessageRequest m;
    m.title = title;
    m.text = text;
    m.icon = icon;
    m.buttons = m.defaultButton = ButtonOk;
    showMessage(m);
}

// A number as a text: an optional sign, digits and at most one decimal point.
bool isNumber(std::string_view v) {
    std::string t = trim(v);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    bool digits = false, point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') digits = true;
        else if (t[i] == '.' && !point) point = true;
        else return false;
    }
    return digits;
}

}  // namespace

void LegalizeFileName(std::string& name) {
    const std::size_t n = clip(name).size();
    for (std::size_t i = 0; i < n; ++i)
        if (std::string_view("|><\"?*:/\\").find(name[i]) != std::string_view::npos) name[i] = '_';
}

std::string EncodeXmlEntity(std::string_view text) {
    std::string out;
    for (char c : clip(text)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                // Control characters have no place in XML 1.0, not even as references.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += c;
        }
    }
    return out;
}

bool ExportToAsc(const std::vector<std::string>& lines, const std::string& file, bool trimLines) {
    const std::filesystem::path target(file);
    std::filesystem::path temp = target;
    temp += ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            box("Error Open");
            return false;
        }
        for (const std::string& line : lines) {
            out << (trimLines ? clip(line) : line) << "\r\n";
            if (!out) break;
        }
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            box("Error WriteFile");
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        box("Error WriteFile");
        return false;
    }
    return true;
}

bool ExportToCSV(const Queue& queue, const std::string& file, const std::string& titleLine, bool withHeadings) {
    std::size_t n = queue.fieldCount();
    if (n > kMaxFields) {
        box(std::to_string(n) + " more than max " + std::to_string(kMaxFields), "Too many fields", Icon::Information);
        n = kMaxFields;
    }
    std::vector<std::string> lines;
    if (withHeadings && !trim(titleLine).empty()) lines.push_back(titleLine);
    auto quoted = [](std::string_view v) { return "\"" + replaceAll(clip(v), "\"", "\"\"") + "\""; };
    if (withHeadings) {
        std::string heading;
        for (std::size_t f = 0; f < n; ++f) {
            if (queue.fields[f].group) continue;
            heading += (heading.empty() ? "" : ",") + quoted(queueFieldName(queue.fields[f].name));
        }
        lines.push_back(heading);
    }
    std::vector<bool> numeric(n, !queue.rows.empty());
    for (const auto& row : queue.rows)
        for (std::size_t f = 0; f < n; ++f)
            if (f >= row.size() || !isNumber(row[f])) numeric[f] = false;
    for (const auto& row : queue.rows) {
        std::string line;
        bool first = true;
        for (std::size_t f = 0; f < n; ++f) {
            if (queue.fields[f].group) continue;
            const std::string value = f < row.size() ? row[f] : std::string();
            if (!first) line += ",";
            first = false;
            line += numeric[f] ? trim(value) : quoted(value);
        }
        lines.push_back(line);
    }
    return ExportToAsc(lines, file, true);
}

bool ExportToXML(const Queue& queue, const std::string& file, const std::string& root, const std::string& entryName) {
    const std::string entry = trim(entryName).empty() ? "Entry" : trim(entryName);
    const std::string top = trim(root);
    const std::size_t n = queue.fieldCount();
    std::vector<std::string> lines = {R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)", "<" + top + ">"};
    for (const auto& row : queue.rows) {
        lines.push_back("<" + entry + ">");
        for (std::size_t f = 0; f < n; ++f) {
            const std::string value = f < row.size() ? row[f] : std::string();
            if (trim(value).empty()) continue;
            const std::string name = queueFieldName(queue.fields[f].name);
            lines.push_back("<" + name + ">" + EncodeXmlEntity(value) + "</" + name + ">");
        }
        lines.push_back("</" + entry + ">");
    }
    lines.push_back("</" + top + ">");
    return ExportToAsc(lines, file, true);
}

}  // namespace ProQClass
}  // namespace tavlo
