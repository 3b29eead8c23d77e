// Lists written as CSV and XML, read back with Python's own csv and xml.etree parsers.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "support.h"
#include "framework/list_export.h"

namespace tavlo {
namespace {

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a Python snippet on the file; its printed output.
std::string python(const std::string& code, const std::filesystem::path& file) {
    const std::filesystem::path script = file.parent_path() / "check.py";
    std::ofstream(script) << "import sys, csv, json, xml.etree.ElementTree as ET\npath = sys.argv[1]\n" << code;
    std::string out;
    FILE* p = popen(("python3 '" + script.string() + "' '" + file.string() + "' 2>&1").c_str(), "r");
    if (!p) return "no python";
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

Queue sample() {
    Queue q;
    q.fields = {{"Q:CODE"}, {"Q:QTY", false, 0, QueueField::Kind::Number}, {"Q:GRP", true}, {"Q:NOTE"}, {""}, {"Q:AFTER"}};
    q.rows = {
        {"A&B", "3", "", "Tom's <b> & \"x\"", "", "hidden"},
        {"12", "4", "", "two && at the end &&", "", "x"},
        {"12a", "5", "", "", "", ""},
        {"", "", "", "", "", ""},
    };
    return q;
}

TEST(ListExport, XmlIsWellFormedAndHoldsTheValues) {
    support::TempFolder folder;
    const auto file = folder / "queue.xml";
    ASSERT_TRUE(ProQClass::ExportToXML(sample(), file.string(), "Queue"));
    const std::string text = slurp(file);
    EXPECT_EQ(text.substr(0, 57), R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)" "\r\n");
    EXPECT_NE(text.find("<note>Tom&apos;s &lt;b&gt; &amp; &quot;x&quot;</note>"), std::string::npos);
    EXPECT_NE(text.find("<code>A&amp;B</code>\r\n<qty>3</qty>"), std::string::npos);
    EXPECT_NE(text.find("<Entry>\r\n</Entry>"), std::string::npos) << "a row of blanks: its two lines alone";
    EXPECT_EQ(text.find("after"), std::string::npos) << "fields end at the first blank name";
    const std::string parsed = python(
        "root = ET.parse(path).getroot()\n"
        "print(root.tag, len(root))\n"
        "for e in root: print(json.dumps([(c.tag, c.text) for c in e]))\n",
        file);
    EXPECT_EQ(parsed,
              "Queue 4\n"
              "[[\"code\", \"A&B\"], [\"qty\", \"3\"], [\"note\", \"Tom's <b> & \\\"x\\\"\"]]\n"
              "[[\"code\", \"12\"], [\"qty\", \"4\"], [\"note\", \"two && at the end &&\"]]\n"
              "[[\"code\", \"12a\"], [\"qty\", \"5\"]]\n"
              "[]\n");
}

TEST(ListExport, CsvQuotesTextDoublesQuotesAndLeavesNumbersBare) {
    support::TempFolder folder;
    const auto file = folder / "queue.csv";
    Queue q = sample();
    q.rows.pop_back();  // a blank value is not a number: without it QTY is all numbers
    ASSERT_TRUE(ProQClass::ExportToCSV(q, file.string(), "My queue", true));
    const std::string text = slurp(file);
    EXPECT_EQ(text.substr(0, 10), "My queue\r\n");
    EXPECT_NE(text.find("\r\n\"code\",\"qty\",\"note\"\r\n"), std::string::npos) << "groups left out";
    EXPECT_NE(text.find("\"12\",4,"), std::string::npos) << "12 and 12a in one column: every row quoted";
    const std::string parsed = python(
        "rows = list(csv.reader(open(path, newline='')))\n"
        "print(json.dumps(rows))\n",
        file);
    EXPECT_EQ(parsed,
              "[[\"My queue\"], [\"code\", \"qty\", \"note\"], [\"A&B\", \"3\", \"Tom's <b> & \\\"x\\\"\"], "
              "[\"12\", \"4\", \"two && at the end &&\"], [\"12a\", \"5\", \"\"]]\n");

    // Without headings: data lines only, even with a title line.
    ASSERT_TRUE(ProQClass::ExportToCSV(sample(), file.string(), "My queue", false));
    EXPECT_EQ(slurp(file).substr(0, 7), "\"A&B\",\"");
}

TEST(ListExport, LongValuesAreWrittenWholeAndAFailedWriteKeepsTheOldFile) {
    support::TempFolder folder;
    const auto file = folder / "lines.txt";
    const std::string longLine(3000, 'x');
    ASSERT_TRUE(ProQClass::ExportToAsc({"one  ", "", longLine}, file.string(), true));
    EXPECT_EQ(slurp(file), "one\r\n\r\n" + longLine + "\r\n");
    ASSERT_TRUE(ProQClass::ExportToAsc({"one  "}, file.string(), false));
    EXPECT_EQ(slurp(file), "one  \r\n");

    support::MessageScript messages;
    EXPECT_FALSE(ProQClass::ExportToAsc({"x"}, (folder / "missing" / "f.txt").string(), true));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Error Open");
    EXPECT_EQ(slurp(file), "one  \r\n");
}

TEST(ListExport, FileNamesAndEntities) {
    struct Case {
        std::string in, out;
    };
    for (const Case& c : {Case{"a/b:c?.csv", "a_b_c_.csv"}, Case{"x|y<z>\"*\\.xml  ", "x_y_z____.xml  "}, Case{"plain", "plain"}}) {
        std::string name = c.in;
        ProQClass::LegalizeFileName(name);
        EXPECT_EQ(name, c.out);
    }
    EXPECT_EQ(ProQClass::EncodeXmlEntity("Tom's <b> & \"x\"   "), "Tom&apos;s &lt;b&gt; &amp; &quot;x&quot;");
    EXPECT_EQ(ProQClass::EncodeXmlEntity("a&&"), "a&amp;&amp;");
    EXPECT_EQ(ProQClass::EncodeXmlEntity(std::string(2000, '<')).size(), 8000u) << "no silent cut";
    EXPECT_EQ(queueFieldName("NTQ:TEKS"), "teks");
}

}  // namespace
}  // namespace tavlo
