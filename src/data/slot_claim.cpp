#include "data/slot_claim.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace tavlo {

int openSharedFile(const std::filesystem::path& file, std::string* error) {
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        if (error) {
            *error = "File " + file.string() + " could not be opened: " + std::strerror(errno) + ".";
            if (errno == EACCES || errno == EPERM)
                *error += " Give every till user read and write access to it (for example chmod 666).";
            else if (errno == ELOOP)
                *error += " It is a symbolic link; remove it.";
            else if (errno == EISDIR)
                *error += " It is a folder; remove it.";
        }
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (error) *error = "File " + file.string() + " is not a regular file; remove it.";
        return -1;
    }
    // The file is shared by every till user of the folder; our umask must not lock others out.
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 0666) != 0666) ::fchmod(fd, 0666);
    return fd;
}

SlotClaim::SlotClaim(SlotClaim&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), slot_(std::exchange(other.slot_, 0)) {}

SlotClaim& SlotClaim::operator=(SlotClaim&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        slot_ = std::exchange(other.slot_, 0);
    }
    return *this;
}

bool SlotClaim::tryClaim(const std::filesystem::path& file, std::uint32_t slot, std::string* error) {
    release();
    int fd = openSharedFile(file, error);
    if (fd < 0) return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(slot);
    lock.l_len = 1;
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        int e = errno;
        ::close(fd);
        if (e != EAGAIN && e != EACCES && error) *error = "File " + file.string() + " could not be locked: " + std::strerror(e);
        return false;
    }
    fd_ = fd;
    slot_ = slot;
    return true;
}

void SlotClaim::release() {
    if (fd_ >= 0) ::close(fd_);  // closing the description drops its lock
    fd_ = -1;
    slot_ = 0;
}

}  // namespace tavlo
