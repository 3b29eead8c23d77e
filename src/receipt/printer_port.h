#pragma once
// Where the receipt printer's bytes go: a device file (a USB printer's /dev/usb/lp0), a network
// printer's raw port (host:9100), or a CUPS queue that takes raw data (lp -d queue -o raw).
// Every send ends within its time limit: a printer that is off, unplugged or out of paper gives
// a message, never a till that hangs.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tavlo::receipt {

struct PrinterTarget {
    enum class Kind { None, Device, Network, Cups };
    Kind kind = Kind::None;
    std::string path;   // Device: the file; Cups: the queue
    std::string host;   // Network
    int port = 9100;    // Network
    std::string lpProgram = "lp";  // Cups: the program that queues the job (found on PATH)

    // "none", "device:/dev/usb/lp0", "net:host:9100" (":9100" may be left out; "[::1]:9100"),
    // "cups:queue". nullopt for anything else.
    static std::optional<PrinterTarget> parse(std::string_view text);
    std::string text() const;         // the settings form
    std::string describe() const;     // for messages: the file, host:port or queue
};

struct SendResult {
    bool ok = true;
    std::string error;  // what went wrong, in the current language, naming the printer
};

// Sends the bytes and returns within the time limit (plus the time to end a stuck lp).
SendResult sendToPrinter(const PrinterTarget& target, std::string_view bytes,
                         std::chrono::milliseconds limit = std::chrono::milliseconds(2000));

}  // namespace tavlo::receipt
