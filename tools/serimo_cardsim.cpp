// serimo-cardsim: serves the simulated radio card on a pseudo-terminal, so that the program (or any
// terminal) can be pointed at the printed device path instead of a real card.

#include "sim/card_simulator.h"

#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

struct Options {
    std::string link;
    std::string config;
    CardSimFault fault = CardSimFault::None;
    int lateMs = CCardSimulator::kDefaultLateMs;
    bool verbose = false;
};

struct PendingReply {
    Clock::time_point due;
    std::vector<std::uint8_t> bytes;
    std::size_t sent = 0;
};

// Answers waiting for a client that does not read. A real card has a small buffer and loses the
// oldest; without a bound a client that only sends would grow this process without end.
constexpr std::size_t kMaxPendingBytes = 16 * 1024;

// Drops the oldest answers not yet begun (one half-sent stays, so the line never carries a torn
// answer) until the queue is within its bound.
void BoundPending(std::deque<PendingReply>& pending, const Options& options) {
    std::size_t total = 0;
    for (const PendingReply& reply : pending)
        total += reply.bytes.size() - reply.sent;
    std::size_t dropped = 0, droppedBytes = 0;
    auto it = pending.begin();
    if (it != pending.end() && it->sent > 0)
        ++it;
    while (total > kMaxPendingBytes && it != pending.end()) {
        total -= it->bytes.size();
        droppedBytes += it->bytes.size();
        ++dropped;
        it = pending.erase(it);
    }
    if (dropped > 0 && options.verbose)
        std::fprintf(stderr, "serimo-cardsim: client not reading, %zu oldest answer(s) dropped (%zu bytes)\n",
                     dropped, droppedBytes);
}

void PrintUsage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: serimo-cardsim [--link PATH] [--config FILE] [--fault MODE [--late-ms N]] [--verbose]\n"
        "\n"
        "Serves a simulated radio card on a pseudo-terminal and prints its device path on the\n"
        "first line of the output.\n"
        "\n"
        "  --link PATH     also make PATH a symbolic link to the device (removed on exit)\n"
        "  --config FILE   keep the card's configuration in FILE (541 bytes) between runs\n"
        "  --fault MODE    misbehave: %s\n"
        "  --late-ms N     delay of the late fault in milliseconds (default %d)\n"
        "  --verbose       log each request on standard error\n"
        "  --help          show this text\n",
        CardSimFaultNameList().c_str(), CCardSimulator::kDefaultLateMs);
}

// Returns 0 to go on, else the exit code (after --help or a usage error).
int ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            PrintUsage(stdout);
            return -1;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if ((arg == "--link" || arg == "--config" || arg == "--fault" || arg == "--late-ms") &&
                   !hasValue) {
            std::fprintf(stderr, "serimo-cardsim: %s needs a value\n", arg.c_str());
            return 2;
        } else if (arg == "--link") {
            options.link = argv[++i];
        } else if (arg == "--config") {
            options.config = argv[++i];
        } else if (arg == "--fault") {
            const std::string name = argv[++i];
            if (!ParseCardSimFault(name, options.fault)) {
                std::fprintf(stderr, "serimo-cardsim: unknown fault %s (one of: %s)\n", name.c_str(),
                             CardSimFaultNameList().c_str());
                return 2;
            }
        } else if (arg == "--late-ms") {
            const char* text = argv[++i];
            char* end = nullptr;
            errno = 0;
            const long value = std::strtol(text, &end, 10);
            if (errno != 0 || end == text || *end != '\0' || value < 0 || value > 3600000) {
                std::fprintf(stderr, "serimo-cardsim: --late-ms wants milliseconds from 0 to 3600000\n");
                return 2;
            }
            options.lateMs = static_cast<int>(value);
        } else {
            std::fprintf(stderr, "serimo-cardsim: unknown argument %s\n", arg.c_str());
            PrintUsage(stderr);
            return 2;
        }
    }
    return 0;
}

int OpenMaster(std::string& slavePath) {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) {
        std::fprintf(stderr, "serimo-cardsim: could not open a pseudo-terminal: %s\n", std::strerror(errno));
        return -1;
    }
    const char* name = nullptr;
    termios tio{};
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || (name = ptsname(fd)) == nullptr ||
        tcgetattr(fd, &tio) != 0) {
        std::fprintf(stderr, "serimo-cardsim: could not set up the pseudo-terminal: %s\n",
                     std::strerror(errno));
        close(fd);
        return -1;
    }
    slavePath = name;
    // Raw, so that no echo or CR translation changes the card's bytes before a client sets its own.
    cfmakeraw(&tio);
    if (tcsetattr(fd, TCSANOW, &tio) != 0 || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "serimo-cardsim: could not set up the pseudo-terminal: %s\n",
                     std::strerror(errno));
        close(fd);
        return -1;
    }
    return fd;
}

// Replaces an old link of ours, never a file of the user's.
bool MakeLink(const std::string& link, const std::string& target) {
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "serimo-cardsim: %s exists and is not a symbolic link\n", link.c_str());
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "serimo-cardsim: could not link %s: %s\n", link.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void RemoveLink(const std::string& link, const std::string& target) {
    char buffer[4096];
    const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
    if (n >= 0 && std::string(buffer, static_cast<std::size_t>(n)) == target)
        unlink(link.c_str());
}

// Loads the configuration file, or creates it from the card's defaults when there is none yet.
bool LoadOrCreateConfig(CCardSimulator& card, const std::string& path) {
    const QString file = QString::fromLocal8Bit(path.c_str());
    QString error;
    const QFileInfo info(file);
    const bool ok = info.exists() || info.isSymLink() ? card.LoadConfig(file, &error) : card.SaveConfig(file, &error);
    if (!ok)
        std::fprintf(stderr, "serimo-cardsim: %s\n", error.toLocal8Bit().constData());
    return ok;
}

void SaveConfig(const CCardSimulator& card, const std::string& path) {
    QString error;
    if (!card.SaveConfig(QString::fromLocal8Bit(path.c_str()), &error))
        std::fprintf(stderr, "serimo-cardsim: %s\n", error.toLocal8Bit().constData());
}

int Serve(int master, CCardSimulator& card, const Options& options) {
    std::deque<PendingReply> pending;
    std::uint8_t buffer[4096];
    while (!g_stop) {
        // An answer that is due waits for the line to take it (POLLOUT), never in a loop of failed
        // writes; one that is not due yet sets the time-out.
        int timeout = -1;
        pollfd pfd{master, POLLIN, 0};
        if (!pending.empty()) {
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(pending.front().due - Clock::now());
            if (wait.count() < 0)
                pfd.events |= POLLOUT;
            else
                timeout = static_cast<int>(std::min<long long>(wait.count() + 1, 60000));
        }
        const int ready = poll(&pfd, 1, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "serimo-cardsim: poll: %s\n", std::strerror(errno));
            return 1;
        }

        bool hangup = (pfd.revents & POLLHUP) != 0;
        if (pfd.revents & POLLIN) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0) {
                for (CardSimExchange& exchange : card.Feed(buffer, static_cast<std::size_t>(n))) {
                    if (options.verbose)
                        std::fprintf(stderr, "serimo-cardsim: %s%s\n", exchange.request.c_str(),
                                     exchange.reply.empty() ? ", no answer" : "");
                    if (exchange.configStored && !options.config.empty())
                        SaveConfig(card, options.config);
                    if (!exchange.reply.empty())
                        pending.push_back({Clock::now() + std::chrono::milliseconds(exchange.delayMs),
                                           std::move(exchange.reply), 0});
                }
                BoundPending(pending, options);
            } else if (n < 0 && errno == EIO) {
                hangup = true;
            }
        }
        if (hangup && !(pfd.revents & POLLIN)) {
            // Nobody has the device open: answers would wait for the next client as stale bytes.
            if (!pending.empty() && options.verbose)
                std::fprintf(stderr, "serimo-cardsim: client gone, %zu answer(s) dropped\n", pending.size());
            pending.clear();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        while ((pfd.revents & POLLOUT) && !pending.empty() && pending.front().due <= Clock::now()) {
            PendingReply& reply = pending.front();
            const ssize_t n = write(master, reply.bytes.data() + reply.sent, reply.bytes.size() - reply.sent);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                break;
            if (n < 0) {
                if (options.verbose)
                    std::fprintf(stderr, "serimo-cardsim: answer dropped: %s\n", std::strerror(errno));
                pending.pop_front();
                continue;
            }
            reply.sent += static_cast<std::size_t>(n);
            if (reply.sent < reply.bytes.size())
                break;
            pending.pop_front();
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int code = ParseOptions(argc, argv, options); code != 0)
        return code < 0 ? 0 : code;

    CCardSimulator card;
    card.SetFault(options.fault, options.lateMs);
    if (!options.config.empty() && !LoadOrCreateConfig(card, options.config))
        return 1;

    std::string slavePath;
    const int master = OpenMaster(slavePath);
    if (master < 0)
        return 1;
    if (!options.link.empty() && !MakeLink(options.link, slavePath)) {
        close(master);
        return 1;
    }

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);
    if (options.verbose)
        std::fprintf(stderr, "serimo-cardsim: serving on %s, fault %s\n", slavePath.c_str(),
                     std::string(CardSimFaultName(options.fault)).c_str());

    const int code = Serve(master, card, options);
    if (!options.link.empty())
        RemoveLink(options.link, slavePath);
    close(master);
    return code;
}
