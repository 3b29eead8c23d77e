#pragma once
// The archiver the till ships (tools/tavlo_zip): zip archives for the exchange with the
// accounting package. It knows three command lines, each run in a working folder against which
// relative names resolve:
//
//   -add <base> <files...>    packs the files into <base>.zip (".zip" is added when missing)
//   -test <archive>           reads every entry and checks its CRC
//   -ext -over=all <base>     unpacks <base>.zip into the working folder, replacing files
//
// Invariants:
// 1. An archive appears under its name only when complete: it is written under a temporary
//    name beside it, flushed to the disk and renamed. An archive already there is never replaced.
// 2. Unpacking is all or nothing: every entry is checked before anything is written (relative
//    names only, no "..", no links or devices, no duplicates, within the entry count and total
//    size caps); entries are then written under temporary names and renamed into place only
//    when all of them have been read with their CRC right and their sizes as declared.
// 3. Nothing is ever written outside the working folder: folders are walked without following
//    links, and names are created relative to them.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavlo::archive {

// Exit statuses of the tool.
enum Status : int {
    Ok = 0,
    Usage = 1,        // a command line the tool does not know
    CannotRead = 2,   // the archive or a file to pack is missing or unreadable, not a zip archive
    Damaged = 3,      // an entry's data does not match its CRC or size
    Refused = 4,      // an archive the tool will not unpack (see invariant 2)
    CannotWrite = 5,  // the archive or an unpacked file could not be written
    Exists = 6,       // -add: the archive is already there
};

struct Limits {
    std::uint64_t maxEntries = 4096;
    std::uint64_t maxTotalBytes = std::uint64_t{1} << 30;  // unpacked, over all entries
};

struct Result {
    int status = Ok;
    std::string message;  // what went wrong, for the tool's error output
    bool ok() const { return status == Ok; }
};

// The archive a base name stands for: ".zip" added when the name has no extension of that
// name (letter case ignored), relative names taken from the working folder.
std::filesystem::path archivePath(const std::string& base, const std::filesystem::path& folder);

Result addFiles(const std::filesystem::path& archive, const std::vector<std::string>& files,
                const std::filesystem::path& folder);
Result testArchive(const std::filesystem::path& archive);
Result extractAll(const std::filesystem::path& archive, const std::filesystem::path& folder, bool overwrite,
                  const Limits& limits = {});

// One of the three command lines (the arguments after the program's name).
Result runCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                  const Limits& limits = {});

}  // namespace tavlo::archive
