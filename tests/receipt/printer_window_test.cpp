// The Receipt Printer window from User Details: the settings as typed drive the test page and
// the drawer test, OK keeps them.
#include <gtest/gtest.h>

#include "data/file_manager.h"
#include "escpos_decoder.h"
#include "fake_printer.h"
#include "test_runtime.h"
#include "operators/user_details.h"
#include "receipt/receipt_settings.h"
#include "support.h"

namespace tavlo::receipt {
namespace {

TEST(ReceiptPrinterWindow, TestPageAndDrawerTestUseTheTypedSettingsAndOkKeepsThem) {
    support::ProgramStateGuard state;
    support::TempFolder folder;
    auto ctx = std::make_shared<Context>(folder.path());
    testing::FakeNetworkPrinter printer;
    TestRuntime rt;
    rt.onOpen("ReceiptPrinterSetup", [&](TestWindow& s) {
        EXPECT_EQ(s.text("Printer"), "none");
        s.type("Printer", "lpt1:");
        s.press("TestPage");  // not understood: said, and nothing sent
        s.type("Printer", printer.address());
        s.type("Width", "32");
        s.type("CodePage", "1252");
        s.tick("Drawer");
        s.type("DrawerPin", "5");
        s.press("TestPage");
        s.press("DrawerTest");
        s.press("OK");
    });
    UserDetails details;
    details.setContext(ctx);
    auto w = rt.open(details);
    w.press("ReceiptPrinter");
    ASSERT_EQ(rt.messages.size(), 1u);
    EXPECT_NE(rt.messages[0].text.find("net:host:9100"), std::string::npos);

    for (int i = 0; i < 500 && printer.jobs().size() < 2; ++i) ::poll(nullptr, 0, 10);
    ASSERT_EQ(printer.jobs().size(), 2u);
    auto page = testing::decode(printer.jobs()[0]);
    EXPECT_EQ(page.codePage, 16);
    EXPECT_TRUE(page.hasLine("ê ë ô ï é è û â î ö ü")) << page.all();
    EXPECT_TRUE(page.hasLine("12345678901234567890123456789012")) << page.all();  // the ruler of 32 columns
    EXPECT_EQ(page.cuts, 1);
    EXPECT_TRUE(page.kicks.empty());
    auto drawer = testing::decode(printer.jobs()[1]);
    ASSERT_EQ(drawer.kicks.size(), 1u);
    EXPECT_EQ(drawer.kicks[0].pin, 1);

    ReceiptSettings kept = readReceiptSettings(receiptSettingsFile(folder.path()));
    EXPECT_EQ(kept.printer.text(), printer.address());
    EXPECT_EQ(kept.format.width, 32);
    EXPECT_EQ(kept.format.codePage, CodePage::CP1252);
    EXPECT_TRUE(kept.drawer);
    EXPECT_EQ(kept.format.drawerPin, 5);
    rt.finish(w);
}

}  // namespace
}  // namespace tavlo::receipt
