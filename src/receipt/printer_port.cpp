#include "receipt/printer_port.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <cstring>
#include <vector>

#include "state/globals.h"
#include "util/text.h"

extern char** environ;

namespace tavlo::receipt {
namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left before the deadline, at least 0.
int left(Clock::time_point deadline) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return ms < 0 ? 0 : static_cast<int>(ms);
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

std::string seconds(std::chrono::milliseconds limit) {
    auto tenths = (limit.count() + 50) / 100;
    std::string s = std::to_string(tenths / 10);
    if (tenths % 10) s += (GLO.afrikaans() ? "," : ".") + std::to_string(tenths % 10);
    return s;
}

SendResult failure(const PrinterTarget& t, std::string_view afrikaans, std::string_view english,
                   const std::string& detail = {}) {
    std::string text = std::string(byLanguage("Die strokiesdrukker ", "The receipt printer ")) + t.describe() + " " +
                       std::string(byLanguage(afrikaans, english));
    if (!detail.empty()) text += " (" + detail + ")";
    return {false, text};
}

SendResult timedOut(const PrinterTarget& t, std::chrono::milliseconds limit) {
    std::string s = seconds(limit);
    return failure(t, "het nie binne " + s + " sekondes geantwoord nie. Is dit aan, met papier?",
                   "did not answer within " + s + " seconds. Is it on, with paper?");
}

// Writes everything to a non-blocking descriptor, waiting for room until the deadline.
// 0 when written, else an errno (ETIMEDOUT at the deadline).
int writeAll(int fd, std::string_view bytes, Clock::time_point deadline, bool socket) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = socket ? ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL)
                           : ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return errno;
        pollfd p{fd, POLLOUT, 0};
        int r = ::poll(&p, 1, left(deadline));
        if (r == 0) return ETIMEDOUT;
        if (r < 0 && errno != EINTR) return errno;
        // A hung-up socket is a reader that went away (lp ended, the printer closed): the same
        // as a refused write, so the caller tells it by what the reader said, not as a fault.
        if (r > 0 && (p.revents & (POLLERR | POLLHUP)) && !(p.revents & POLLOUT)) return socket ? EPIPE : EIO;
    }
    return 0;
}

SendResult toDevice(const PrinterTarget& t, std::string_view bytes, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    Fd fd(::open(t.path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_APPEND));
    if (fd.get() < 0)
        return failure(t, "kan nie oopgemaak word nie.", "cannot be opened.", std::strerror(errno));
    int err = writeAll(fd.get(), bytes, deadline, false);
    if (err == ETIMEDOUT) return timedOut(t, limit);
    if (err != 0) return failure(t, "het nie alles aanvaar nie.", "did not take the slip.", std::strerror(err));
    return {};
}

// getaddrinfo with the deadline: a name server that does not answer must not hold the till. The
// look-up runs on a thread of its own; when it is late it is left to finish and free its result.
int resolve(const PrinterTarget& t, Clock::time_point deadline, addrinfo*& out) {
    struct Lookup {
        std::mutex m;
        std::condition_variable done;
        bool finished = false, abandoned = false;
        int rc = EAI_AGAIN;
        addrinfo* result = nullptr;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host = t.host, port = std::to_string(t.port)] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* result = nullptr;
        int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &result);
        std::lock_guard g(lookup->m);
        if (lookup->abandoned) {
            if (rc == 0) ::freeaddrinfo(result);
            return;
        }
        lookup->rc = rc;
        lookup->result = rc == 0 ? result : nullptr;
        lookup->finished = true;
        lookup->done.notify_one();
    }).detach();
    std::unique_lock g(lookup->m);
    if (!lookup->done.wait_until(g, deadline, [&] { return lookup->finished; })) {
        lookup->abandoned = true;
        return EAI_AGAIN;
    }
    out = lookup->result;
    return lookup->rc;
}

SendResult toNetwork(const PrinterTarget& t, std::string_view bytes, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    addrinfo* found = nullptr;
    int rc = resolve(t, deadline, found);
    if (rc == EAI_AGAIN && left(deadline) == 0) return timedOut(t, limit);
    if (rc != 0) return failure(t, "se adres is onbekend.", "has an address that is not known.", ::gai_strerror(rc));
    std::string lastError;
    for (addrinfo* a = found; a; a = a->ai_next) {
        Fd fd(::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (fd.get() < 0) {
            lastError = std::strerror(errno);
            continue;
        }
        int rc = ::connect(fd.get(), a->ai_addr, a->ai_addrlen);
        if (rc < 0 && errno != EINPROGRESS) {
            lastError = std::strerror(errno);
            continue;
        }
        if (rc < 0) {
            pollfd p{fd.get(), POLLOUT, 0};
            int r;
            do r = ::poll(&p, 1, left(deadline));
            while (r < 0 && errno == EINTR);
            if (r == 0) {
                ::freeaddrinfo(found);
                return timedOut(t, limit);
            }
            int soError = 0;
            socklen_t len = sizeof soError;
            ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &soError, &len);
            if (soError != 0) {
                lastError = std::strerror(soError);
                continue;
            }
        }
        ::freeaddrinfo(found);
        int err = writeAll(fd.get(), bytes, deadline, true);
        if (err == ETIMEDOUT) return timedOut(t, limit);
        if (err != 0) return failure(t, "het die verbinding verbreek.", "broke the connection.", std::strerror(err));
        ::shutdown(fd.get(), SHUT_WR);
        return {};
    }
    ::freeaddrinfo(found);
    return failure(t, "antwoord nie.", "does not answer.", lastError);
}

// lp reads the job from its standard input; the argument list goes to the program as it is,
// never through a shell. The input is a socket rather than a pipe, so that an lp that stops
// reading early is an error to report (MSG_NOSIGNAL), not a SIGPIPE that ends the till.
SendResult toCups(const PrinterTarget& t, std::string_view bytes, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    int pipeFds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeFds) != 0)
        return failure(t, "kan nie bereik word nie.", "cannot be reached.", std::strerror(errno));
    Fd readEnd(pipeFds[0]), writeEnd(pipeFds[1]);
    ::shutdown(readEnd.get(), SHUT_WR);
    Fd devNull(::open("/dev/null", O_WRONLY | O_CLOEXEC));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, readEnd.get(), 0);
    if (devNull.get() >= 0) posix_spawn_file_actions_adddup2(&actions, devNull.get(), 1);
    std::vector<std::string> args{t.lpProgram, "-d", t.path, "-o", "raw"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = ::posix_spawnp(&pid, t.lpProgram.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return failure(t, "se program lp kan nie begin nie.", "cannot be reached: lp did not start.", std::strerror(rc));
    readEnd.reset();
    ::fcntl(writeEnd.get(), F_SETFL, O_NONBLOCK);
    int err = writeAll(writeEnd.get(), bytes, deadline, true);
    writeEnd.reset();  // end of the job

    int status = 0;
    for (;;) {
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (r < 0 && errno != EINTR) break;
        if (left(deadline) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return timedOut(t, limit);
        }
        ::poll(nullptr, 0, 5);
    }
    if (err != 0 && err != EPIPE && err != ECONNRESET) return failure(t, "het nie alles aanvaar nie.", "did not take the slip.", std::strerror(err));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return failure(t, "se ry het die werk geweier.", "queue refused the job.",
                       "lp " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1));
    return {};
}

}  // namespace

std::optional<PrinterTarget> PrinterTarget::parse(std::string_view text) {
    std::string s = trim(text);
    PrinterTarget t;
    auto after = [&](std::string_view prefix) -> std::optional<std::string> {
        if (s.size() <= prefix.size() || !equalsNoCase(s.substr(0, prefix.size()), prefix)) return std::nullopt;
        return s.substr(prefix.size());
    };
    if (s.empty() || equalsNoCase(s, "none")) return t;
    if (auto p = after("device:")) {
        t.kind = Kind::Device;
        t.path = *p;
        return t;
    }
    if (auto p = after("cups:")) {
        if (p->find_first_of(" \t/") != std::string::npos || (*p)[0] == '-') return std::nullopt;
        t.kind = Kind::Cups;
        t.path = *p;
        return t;
    }
    if (auto p = after("net:")) {
        t.kind = Kind::Network;
        std::string hostPart = *p, portPart;
        if (hostPart[0] == '[') {
            auto close = hostPart.find(']');
            if (close == std::string::npos) return std::nullopt;
            portPart = hostPart.substr(close + 1);
            hostPart = hostPart.substr(1, close - 1);
            if (!portPart.empty() && portPart[0] != ':') return std::nullopt;
            if (!portPart.empty()) portPart.erase(0, 1);
        } else if (auto colon = hostPart.rfind(':'); colon != std::string::npos) {
            portPart = hostPart.substr(colon + 1);
            hostPart.erase(colon);
        }
        if (hostPart.empty()) return std::nullopt;
        t.host = hostPart;
        if (!portPart.empty()) {
            if (portPart.size() > 5 || portPart.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
            t.port = std::stoi(portPart);
            if (t.port < 1 || t.port > 65535) return std::nullopt;
        }
        return t;
    }
    return std::nullopt;
}

std::string PrinterTarget::text() const {
    switch (kind) {
        case Kind::None: return "none";
        case Kind::Device: return "device:" + path;
        case Kind::Cups: return "cups:" + path;
        case Kind::Network:
            return "net:" + (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + std::to_string(port);
    }
    return "none";
}

std::string PrinterTarget::describe() const {
    std::string t = text();
    auto colon = t.find(':');
    return colon == std::string::npos ? t : t.substr(colon + 1);
}

SendResult sendToPrinter(const PrinterTarget& target, std::string_view bytes, std::chrono::milliseconds limit) {
    switch (target.kind) {
        case PrinterTarget::Kind::None: return {false, std::string(byLanguage("Geen strokiesdrukker is gekies nie.", "No receipt printer is set."))};
        case PrinterTarget::Kind::Device: return toDevice(target, bytes, limit);
        case PrinterTarget::Kind::Network: return toNetwork(target, bytes, limit);
        case PrinterTarget::Kind::Cups: return toCups(target, bytes, limit);
    }
    return {false, "?"};
}

}  // namespace tavlo::receipt
