// The till's archiver, run for the exchange with the accounting package:
//   tavlo_zip -add <archive> <files...>
//   tavlo_zip -test <archive>
//   tavlo_zip -ext -over=all <archive>
// Names resolve against the working folder; ".zip" is added to an archive named without it.
// Exit status 0 on success, otherwise the archive module's status.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "exchange/archive.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::current_path(ec);
    if (ec) {
        std::cerr << "tavlo_zip: the working folder cannot be read: " << ec.message() << "\n";
        return tavlo::archive::CannotRead;
    }
    const tavlo::archive::Result result = tavlo::archive::runCommand(args, folder);
    if (!result.ok()) std::cerr << "tavlo_zip: " << result.message << "\n";
    return result.status;
}
