// The queue viewer the translator opens on its control lists: rows shown, a record viewed,
// exported to CSV after the save dialog, and a list with dimensioned fields refused.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "framework/list.h"
#include "test_runtime.h"
#include "support.h"
#include "translate/queue_viewer.h"

namespace tavlo {
namespace {

TEST(QueueViewer, ShowsViewsAndExportsAList) {
    support::TempFolder folder;
    VeldQ list = {VeldEntry{0, 25, "Customers", "", ""}, VeldEntry{1, 9, "&OK", "Accept \"it\"", ""}};
    QueueViewer viewer(veldQueue(list), "VeldQ");
    TestRuntime rt;
    auto w = rt.open(viewer);
    ASSERT_TRUE(w.isOpen());
    EXPECT_EQ(viewer.window().title, "VeldQ");
    ListControl* l = viewer.window().listOf(viewer.list());
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->size(), 2u);
    EXPECT_EQ(l->columns[0].heading, "VQ:NO");
    EXPECT_EQ(l->columns[2].picture, "@s255");
    EXPECT_EQ(l->columns[1].picture, "@n-15");

    std::vector<std::string> recordTitles;
    rt.onOpen("ProQViewRecord", [&](TestWindow& r) {
        recordTitles.push_back(r.window().title);
        r.closeBox();
    });
    w.selectRow("List", 1);
    w.press("View");
    EXPECT_EQ(recordTitles, std::vector<std::string>{"Record"});

    const auto file = folder / "veldq.csv";
    rt.popupAnswers.push_back(1);
    rt.fileAnswers.push_back(file.string());
    w.press("Export");
    ASSERT_EQ(rt.popups.size(), 1u);
    EXPECT_EQ(rt.popups[0], (std::vector<std::string>{"Csv", "Xml"}));
    ASSERT_FALSE(rt.messages.empty());
    EXPECT_EQ(rt.messages.back().title, "Exported");
    std::ifstream in(file, std::ios::binary);
    const std::string csv((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(csv, "VeldQ\r\n\"no\",\"tipe\",\"teks\",\"bds\",\"tip\"\r\n0,25,\"Customers\",\"\",\"\"\r\n"
                   "1,9,\"&OK\",\"Accept \"\"it\"\"\",\"\"\r\n");
    rt.finish(w);
}

TEST(QueueViewer, AListWithDimensionedFieldsIsRefused) {
    Queue q;
    q.fields = {{"Q:CODE"}, {"Q:AMOUNTS", false, 12}};
    q.rows = {{"A", "1"}};
    QueueViewer viewer(q, "");
    TestRuntime rt;
    auto w = rt.open(viewer);
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_EQ(rt.messages[0].text, "Column: 2 has 12 dimensions|Cannot view a queue wih dimensioned fields");
    EXPECT_EQ(rt.messages[0].title, "Queue");
    EXPECT_FALSE(w.isOpen());
}

}  // namespace
}  // namespace tavlo
