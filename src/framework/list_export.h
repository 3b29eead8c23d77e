#pragma once
// Lists in memory (queues) written out as CSV, XML or plain text lines, and the helpers they use
// (ProQClass). A queue is described field by field (name, group, dimensions) with its rows as
// texts, so any list the program keeps can be viewed and exported the same way.
//
// Files are written whole or not at all: the lines go to a temporary file beside the target,
// which then replaces it, so a failed export never destroys the file that was there. Values are
// written in full; CSV doubles the quotes inside values; XML is declared as the UTF-8 it is.
#include <string>
#include <string_view>
#include <vector>

namespace tavlo {

struct QueueField {
    std::string name;     // "NTQ:TEKS"; written as "teks"
    bool group = false;   // a group: left out of CSV headings and rows
    int dimensions = 0;   // an array field (cannot be viewed)
    enum class Kind { Text, Number, Decimal, Date } kind = Kind::Text;
};

struct Queue {
    std::vector<QueueField> fields;  // counted up to the first field whose name is blank
    std::vector<std::vector<std::string>> rows;  // one text per field
    std::size_t fieldCount() const;
};

// The name a field is written under: lower case, without the prefix up to the first ":".
std::string queueFieldName(std::string_view name);

namespace ProQClass {

inline constexpr std::size_t kMaxFields = 1024;

// Each of | > < " ? * : / \ within the name's length (trailing blanks aside) becomes "_".
void LegalizeFileName(std::string& name);
// The text without trailing blanks, & < > " ' written as entities.
std::string EncodeXmlEntity(std::string_view text);

// Writes the lines, each followed by CR LF (trailing blanks off when trim). False after the
// box "Error Open" or "Error WriteFile"; the file that was there then stays as it was.
bool ExportToAsc(const std::vector<std::string>& lines, const std::string& file, bool trim);
bool ExportToCSV(const Queue& queue, const std::string& file, const std::string& titleLine, bool withHeadings);
bool ExportToXML(const Queue& queue, const std::string& file, const std::string& root, const std::string& entry = "");

}  // namespace ProQClass
}  // namespace tavlo
