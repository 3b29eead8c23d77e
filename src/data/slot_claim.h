#pragma once
// Claims on numbered slots of a lock file in the data folder. A claim is held until it is
// released or its holder ends, so a till that dies frees its claims at once. Claims made through
// different SlotClaim objects exclude each other, inside one process too (each claim has its own
// open file description). Used to give every open till screen a sales number of its own.
#include <cstdint>
#include <filesystem>
#include <string>

namespace tavlo {

class SlotClaim {
public:
    SlotClaim() = default;
    ~SlotClaim() { release(); }
    SlotClaim(SlotClaim&& other) noexcept;
    SlotClaim& operator=(SlotClaim&& other) noexcept;
    SlotClaim(const SlotClaim&) = delete;
    SlotClaim& operator=(const SlotClaim&) = delete;

    // Claims slot n of the lock file (created, usable by every user of the folder, when missing).
    // False when someone else holds it, or when the file cannot be used (then *error says why).
    bool tryClaim(const std::filesystem::path& file, std::uint32_t slot, std::string* error = nullptr);
    void release();
    bool held() const { return fd_ >= 0; }
    std::uint32_t slot() const { return slot_; }

private:
    int fd_ = -1;
    std::uint32_t slot_ = 0;
};

// Opens (creating when missing) a file in a shared data folder so that every user of the folder
// can open it for writing too; -1 with *error on failure. Symbolic links are refused.
int openSharedFile(const std::filesystem::path& file, std::string* error);

}  // namespace tavlo
