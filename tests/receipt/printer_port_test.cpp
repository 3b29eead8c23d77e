// Sending to a device file, a network printer and a CUPS queue; printers that are not there.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "fake_printer.h"
#include "receipt/printer_port.h"
#include "receipt/receipt_settings.h"
#include "state/settings.h"
#include "state/globals.h"
#include "support.h"

namespace tavlo::receipt {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

std::string fileText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void script(const std::filesystem::path& p, const std::string& body) {
    std::ofstream(p) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(p, std::filesystem::perms::owner_all);
}

TEST(PrinterTarget, SettingsTextsReadBackAsWritten) {
    struct Case {
        const char* text;
        PrinterTarget::Kind kind;
        const char* where;
        int port;
        const char* canonical;
    };
    using K = PrinterTarget::Kind;
    for (const Case& c : {Case{"none", K::None, "", 9100, "none"}, Case{"", K::None, "", 9100, "none"},
                          Case{"device:/dev/usb/lp0", K::Device, "/dev/usb/lp0", 9100, "device:/dev/usb/lp0"},
                          Case{"NET:192.168.1.50", K::Network, "192.168.1.50", 9100, "net:192.168.1.50:9100"},
                          Case{"net:printer.local:9101", K::Network, "printer.local", 9101, "net:printer.local:9101"},
                          Case{"net:[::1]:9100", K::Network, "::1", 9100, "net:[::1]:9100"},
                          Case{"cups:receipts", K::Cups, "receipts", 9100, "cups:receipts"}}) {
        auto t = PrinterTarget::parse(c.text);
        ASSERT_TRUE(t) << c.text;
        EXPECT_EQ(t->kind, c.kind) << c.text;
        EXPECT_EQ(t->kind == K::Network ? t->host : t->path, c.where) << c.text;
        EXPECT_EQ(t->port, c.port) << c.text;
        EXPECT_EQ(t->text(), c.canonical);
        EXPECT_EQ(PrinterTarget::parse(t->text())->text(), c.canonical);
    }
    // A queue name is one argument of lp, never an option or a path.
    for (const char* bad : {"usb", "net:", "net:host:0", "net:host:70000", "net:host:91a", "cups:-o", "cups:a b", "net:[::1"})
        EXPECT_FALSE(PrinterTarget::parse(bad)) << bad;
}

TEST(ReceiptSettings, ReadBackAfterWritingAndSafeDefaults) {
    support::TempFolder folder;
    const auto file = receiptSettingsFile(folder.path());
    ReceiptSettings none = readReceiptSettings(file);
    EXPECT_FALSE(none.active());
    EXPECT_TRUE(none.valid);
    EXPECT_EQ(none.format.width, 48);
    EXPECT_EQ(none.timeout, 2000ms);

    ReceiptSettings s;
    s.printer = *PrinterTarget::parse("net:10.0.0.9:9100");
    s.format.width = 32;
    s.format.codePage = CodePage::CP1252;
    s.drawer = true;
    s.format.drawerPin = 5;
    s.format.pulseOnMs = 50;
    ASSERT_TRUE(writeReceiptSettings(file, s));
    ReceiptSettings back = readReceiptSettings(file);
    EXPECT_EQ(back.printer.text(), "net:10.0.0.9:9100");
    EXPECT_EQ(back.format.width, 32);
    EXPECT_EQ(back.format.codePage, CodePage::CP1252);
    EXPECT_TRUE(back.drawer);
    EXPECT_EQ(back.format.drawerPin, 5);
    EXPECT_EQ(back.format.pulseOnMs, 50);

    // A longer wait than the till allows is cut to it; an unreadable printer is no printer.
    std::ofstream(file, std::ios::app) << "";
    ASSERT_TRUE(writeSetting(file, kReceiptSection, "Timeout", "60000"));
    ASSERT_TRUE(writeSetting(file, kReceiptSection, "Printer", "lpt1"));
    back = readReceiptSettings(file);
    EXPECT_EQ(back.timeout, 2000ms);
    EXPECT_FALSE(back.valid);
    EXPECT_FALSE(back.active());
}

TEST(PrinterPort, DeliversEveryByteToAFileAndANetworkPrinter) {
    support::TempFolder folder;
    std::string job;
    for (int i = 0; i < 256; ++i) job += static_cast<char>(i);
    job += std::string(200000, 'x');  // more than a socket buffer holds at once

    std::ofstream(folder / "lp0").close();
    auto device = *PrinterTarget::parse("device:" + (folder / "lp0").string());
    EXPECT_TRUE(sendToPrinter(device, job).ok);
    EXPECT_TRUE(sendToPrinter(device, "second").ok);
    EXPECT_EQ(fileText(folder / "lp0"), job + "second");

    testing::FakeNetworkPrinter printer;
    auto net = *PrinterTarget::parse(printer.address());
    SendResult r = sendToPrinter(net, job);
    ASSERT_TRUE(r.ok) << r.error;
    for (int i = 0; i < 500 && printer.jobs().empty(); ++i) ::poll(nullptr, 0, 10);  // the listener's thread
    ASSERT_EQ(printer.jobs().size(), 1u);
    EXPECT_EQ(printer.jobs()[0], job);
}

TEST(PrinterPort, APrinterThatIsNotThereIsToldWithinTheLimit) {
    support::ProgramStateGuard state;
    support::TempFolder folder;
    testing::SilentPrinter silent;
    testing::StuckPrinter stuck;
    struct Case {
        std::string target;
        std::string says;
        std::size_t bytes = 3;
    };
    for (const Case& c : {Case{"device:" + (folder / "no-such-dir" / "lp0").string(), "cannot be opened"},
                          Case{"net:127.0.0.1:" + std::to_string(testing::closedPort()), "does not answer"},
                          Case{silent.address(), "did not answer within 2 seconds"},
                          // More than the connection's buffers hold, to a printer that takes nothing.
                          Case{stuck.address(), "did not answer within 2 seconds", 64u << 20}}) {
        auto start = Steady::now();
        SendResult r = sendToPrinter(*PrinterTarget::parse(c.target), std::string(c.bytes, 'x'));
        auto took = Steady::now() - start;
        EXPECT_FALSE(r.ok) << c.target;
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
        EXPECT_NE(r.error.find("The receipt printer"), std::string::npos) << r.error;
        EXPECT_LT(took, 2500ms) << c.target;  // the bound the till promises, with room for a busy machine
    }
    GLO.LANGUAGENO = kAfrikaans;
    SendResult r = sendToPrinter(*PrinterTarget::parse("net:127.0.0.1:" + std::to_string(testing::closedPort())), "x");
    EXPECT_NE(r.error.find("Die strokiesdrukker"), std::string::npos) << r.error;
}

TEST(PrinterPort, CupsQueueGetsTheJobRawWithoutAShell) {
    support::TempFolder folder;
    const auto lp = folder / "lp";
    script(lp, "for a in \"$@\"; do echo \"[$a]\"; done > \"$(dirname \"$0\")/args\"\ncat > \"$(dirname \"$0\")/job\"");
    PrinterTarget t = *PrinterTarget::parse("cups:receipts");
    t.lpProgram = lp.string();
    std::string job = std::string("\x1b@ R12;$(rm -rf x)\n", 19) + std::string(100000, 'y');
    SendResult r = sendToPrinter(t, job);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(fileText(folder / "args"), "[-d]\n[receipts]\n[-o]\n[raw]\n");
    EXPECT_EQ(fileText(folder / "job"), job);

    script(lp, "cat >/dev/null; exit 1");
    r = sendToPrinter(t, "x");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("refused"), std::string::npos) << r.error;

    // An lp that ends without reading a large job is a refusal, not the end of the till.
    script(lp, "exit 3");
    r = sendToPrinter(t, std::string(4u << 20, 'z'));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("refused"), std::string::npos) << r.error;

    // An lp that never ends is ended at the limit.
    script(lp, "exec sleep 30");
    auto start = Steady::now();
    r = sendToPrinter(t, "x", 300ms);
    EXPECT_FALSE(r.ok);
    EXPECT_LT(Steady::now() - start, 2000ms);

    t.lpProgram = (folder / "missing-lp").string();
    EXPECT_FALSE(sendToPrinter(t, "x").ok);
}

}  // namespace
}  // namespace tavlo::receipt
