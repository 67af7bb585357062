#include "scene/import_child.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <thread>
#include <vector>

#include "scene/import_reply.h"

namespace trivane {

namespace {

constexpr const char* kProgram = "trivane-import";
constexpr auto kProgressEvery = std::chrono::milliseconds(100);
// Of the child's stderr, the end is kept: its last line is the reason.
constexpr size_t kKeptErrorBytes = 4096;

bool isProgram(const std::filesystem::path& path) { return ::access(path.c_str(), X_OK) == 0; }

std::string numberText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// The last non-empty line of the child's stderr.
std::string lastLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    const size_t start = text.find_last_of('\n');
    return std::string(start == std::string_view::npos ? text : text.substr(start + 1));
}

struct Pipe {
    int read = -1;
    int write = -1;
};

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// In the forked child: only system calls until exec, since other threads of
// the viewer may have held locks at the fork.
[[noreturn]] void becomeImporter(const char* program, char* const argv[], int input, const Pipe& out,
                                 const Pipe& err, const ImportLimits& limits) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The thread that forked may block signals; the importer starts with
    // none blocked, so that a fault ends it as it would end any program.
    sigset_t none;
    ::sigemptyset(&none);
    ::pthread_sigmask(SIG_SETMASK, &none, nullptr);
    const rlimit memory{static_cast<rlim_t>(limits.memoryBytes), static_cast<rlim_t>(limits.memoryBytes)};
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_AS, &memory);
    ::setrlimit(RLIMIT_CORE, &noCore);
    if (::dup2(input, STDIN_FILENO) < 0 || ::dup2(out.write, STDOUT_FILENO) < 0 ||
        ::dup2(err.write, STDERR_FILENO) < 0)
        ::_exit(127);
    // Nothing else of the viewer's is the importer's business.
    if (::syscall(SYS_close_range, 3U, ~0U, 0U) != 0) {
        const long open = ::sysconf(_SC_OPEN_MAX);
        for (long fd = 3; fd < (open > 0 ? open : 1024); ++fd) ::close(static_cast<int>(fd));
    }
    ::execv(program, argv);
    ::_exit(127);
}

class ChildRun {
public:
    ChildRun(const ImportLimits& limits, const ReadProgress& progress) : limits_(limits), progress_(progress) {}
    ~ChildRun() {
        closeFd(out_);
        closeFd(err_);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // What the child said on stderr (its end), for warnings.
    const std::string& errors() const { return errors_; }
    // The reply, or the failure in why.
    bool run(const std::string& program, const char* path, std::vector<uint8_t>& reply, std::string& why);

private:
    bool start(const std::string& program, const char* path, std::string& why);
    void drain(int& fd, bool isReply);
    std::string verdict(int status) const;

    const ImportLimits& limits_;
    const ReadProgress& progress_;
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    std::vector<uint8_t> reply_;
    std::string errors_;
    bool tooLarge_ = false, timedOut_ = false;
};

bool ChildRun::start(const std::string& program, const char* path, std::string& why) {
    Pipe out, err;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) == 0) out = {fds[0], fds[1]};
    if (::pipe2(fds, O_CLOEXEC) == 0) err = {fds[0], fds[1]};
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    std::string arg0 = program, arg1 = path;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    if (out.read >= 0 && err.read >= 0 && input >= 0) pid_ = ::fork();
    const int error = errno;
    if (pid_ == 0) becomeImporter(program.c_str(), argv, input, out, err, limits_);
    closeFd(out.write);
    closeFd(err.write);
    int in = input;
    closeFd(in);
    out_ = out.read;
    err_ = err.read;
    if (pid_ < 0) {
        why = "the importer could not be started (" + std::generic_category().message(error) + ")";
        return false;
    }
    ::fcntl(out_, F_SETFL, O_NONBLOCK);
    ::fcntl(err_, F_SETFL, O_NONBLOCK);
    return true;
}

void ChildRun::drain(int& fd, bool isReply) {
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) return;
        if (got <= 0) {
            closeFd(fd);
            return;
        }
        if (!isReply) {
            errors_.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(got));
            if (errors_.size() > 2 * kKeptErrorBytes) errors_.erase(0, errors_.size() - kKeptErrorBytes);
        } else if (static_cast<int64_t>(reply_.size()) + got > limits_.replyBytes) {
            tooLarge_ = true;
            closeFd(fd);
            return;
        } else {
            reply_.insert(reply_.end(), chunk, chunk + got);
        }
    }
}

bool ChildRun::run(const std::string& program, const char* path, std::vector<uint8_t>& reply, std::string& why) {
    if (!start(program, path, why)) return false;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point begun = Clock::now();
    const auto allowed = std::chrono::duration<double>(limits_.seconds);
    Clock::time_point told = begun;
    int status = 0;
    for (;;) {
        if (out_ >= 0 || err_ >= 0) {
            pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
            ::poll(fds, 2, static_cast<int>(kProgressEvery.count()));
            if (out_ >= 0 && fds[0].revents != 0) drain(out_, true);
            if (err_ >= 0 && fds[1].revents != 0) drain(err_, false);
        } else {
            const pid_t done = ::waitpid(pid_, &status, WNOHANG);
            if (done == pid_) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const Clock::time_point now = Clock::now();
        if (progress_ && now - told >= kProgressEvery) {
            told = now;
            if (!progress_(0)) {
                why = kCancelled;
                return false;
            }
        }
        if (tooLarge_ || now - begun > allowed) {
            timedOut_ = !tooLarge_;
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
    }
    pid_ = -1;
    why = verdict(status);
    reply = std::move(reply_);
    return why.empty();
}

std::string ChildRun::verdict(int status) const {
    if (tooLarge_)
        return "the importer's reply is larger than the " + std::to_string(limits_.replyBytes >> 20) + " MiB allowed";
    if (timedOut_) return "the importer took longer than " + numberText(limits_.seconds) + " s";
    if (WIFSIGNALED(status)) {
        const char* name = ::sigdescr_np(WTERMSIG(status));
        return std::string("the importer crashed (") + (name != nullptr ? name : "signal") + ")";
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 0) return {};
    if (code == kImportExitOutOfMemory) {
        const int64_t mib = limits_.memoryBytes >> 20;
        return "the importer ran out of its " +
               (mib % 1024 == 0 ? std::to_string(mib >> 10) + " GiB" : std::to_string(mib) + " MiB") +
               " of memory";
    }
    const std::string reason = lastLine(errors_);
    if (code == 127 && reason.empty()) return "the importer could not be run";
    return "the importer could not read it: " + (reason.empty() ? "exit status " + std::to_string(code) : reason);
}

}  // namespace

ImportLimits importLimits() {
    ImportLimits limits;
    if (const char* mib = std::getenv("TRIVANE_IMPORT_MEMORY_MB")) {
        const int64_t value = std::strtoll(mib, nullptr, 10);
        if (value > 0 && value < (int64_t{1} << 40)) limits.memoryBytes = value << 20;
    }
    if (const char* seconds = std::getenv("TRIVANE_IMPORT_SECONDS")) {
        double value = 0.0;
        std::from_chars(seconds, seconds + std::strlen(seconds), value);
        if (value > 0.0 && value < 1e6) limits.seconds = value;
    }
    return limits;
}

std::string importerPath() {
    if (const char* chosen = std::getenv("TRIVANE_IMPORT"); chosen != nullptr && *chosen != '\0') return chosen;
    std::error_code unknown;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", unknown);
    if (!unknown) {
        const std::filesystem::path here = self.parent_path();
        for (const std::filesystem::path& candidate :
             {here / kProgram, here / ".." / kProgram / kProgram, here / ".." / "apps" / kProgram / kProgram})
            if (isProgram(candidate)) return candidate.lexically_normal().string();
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "";
    while (!dirs.empty()) {
        const size_t colon = dirs.find(':');
        const std::filesystem::path candidate = std::filesystem::path(dirs.substr(0, colon)) / kProgram;
        if (!candidate.parent_path().empty() && isProgram(candidate)) return candidate.string();
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    }
    return {};
}

LoadedModel importModel(const char* path, int64_t fileSize, const SceneState& current, const ReadProgress& progress,
                        const ImportLimits& limits) {
    LoadedModel model;
    const std::string program = importerPath();
    if (program.empty()) {
        model.failure = std::string("the importer ") + kProgram + " is not installed";
        return model;
    }
    std::vector<uint8_t> reply;
    std::string why;
    ChildRun child(limits, progress);
    if (!child.run(program, path, reply, why)) {
        model.failure = why;
        return model;
    }
    // A texture that could not be used leaves its material plain; the
    // importer's warnings say which.
    std::string_view said = child.errors();
    while (!said.empty()) {
        const size_t end = std::min(said.find('\n'), said.size());
        std::fprintf(stderr, "%s: %.*s\n", path, static_cast<int>(end), said.data());
        said.remove_prefix(std::min(end + 1, said.size()));
    }
    if (progress && !progress(static_cast<size_t>(fileSize))) {
        model.failure = kCancelled;
        return model;
    }
    return readImportReply(reply.data(), reply.size(), current);
}

}  // namespace trivane
