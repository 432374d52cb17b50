#include "readersim/launch.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>

extern char** environ;

namespace readersim {

namespace {

bool executable(const std::string& path)
{
    return ::access(path.c_str(), X_OK) == 0;
}

std::string number(double v)
{
    std::ostringstream s;
    s.precision(17);
    s << v;
    return s.str();
}

bool startsWith(const std::string& s, const char* prefix)
{
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

int portOf(const std::string& hostPort)
{
    std::string host;
    int port = 0;
    return parseHostPort(hostPort, &host, &port) ? port : 0;
}

} // namespace

std::unique_ptr<Simulator> startInProcess(const Options& options, std::string* error)
{
    auto sim = std::make_unique<Simulator>(options);
    if (!sim->start(error)) {
        return nullptr;
    }
    return sim;
}

std::vector<std::string> commandLine(const Options& o)
{
    const Options defaults;
    std::vector<std::string> a;
    auto add = [&a](const char* option, const std::string& value) {
        a.emplace_back(option);
        a.push_back(value);
    };
    add("--family", o.family);
    if (o.tcp) {
        add("--tcp", o.tcpHost + ":" + std::to_string(o.tcpPort));
    }
    if (o.udp) {
        add("--udp", (o.udpHost.empty() ? o.tcpHost : o.udpHost) + ":" + std::to_string(o.udpPort));
    }
    if (o.pty) {
        a.emplace_back("--pty");
    }
    if (o.allowAnyAddress) {
        a.emplace_back("--allow-any-address");
    }
    add("--tags", std::to_string(o.tags));
    add("--rate", number(o.rate));
    add("--seed", std::to_string(o.seed));
    if (o.latencyMs != defaults.latencyMs) {
        add("--latency", std::to_string(o.latencyMs));
    }
    if (o.dropP != defaults.dropP) {
        add("--drop", number(o.dropP));
    }
    if (o.corruptP != defaults.corruptP) {
        add("--corrupt", number(o.corruptP));
    }
    if (o.cutAfter != defaults.cutAfter) {
        add("--cut-after", std::to_string(o.cutAfter));
    }
    if (o.faultReports) {
        a.emplace_back("--fault-reports");
    }
    if (o.heartbeatMs != defaults.heartbeatMs) {
        add("--heartbeat", std::to_string(o.heartbeatMs));
    }
    if (o.rebootMs != defaults.rebootMs) {
        add("--reboot-ms", std::to_string(o.rebootMs));
    }
    if (o.wireless) {
        add("--wireless-server", o.wirelessHost + ":" + std::to_string(o.wirelessPort));
    }
    if (o.reconnectMs != defaults.reconnectMs) {
        add("--reconnect-ms", std::to_string(o.reconnectMs));
    }
    if (o.ioEventMs != defaults.ioEventMs) {
        add("--io-events", std::to_string(o.ioEventMs));
    }
    if (o.reportClock) {
        a.emplace_back("--time-stamp");
    }
    return a;
}

std::string Process::programPath()
{
    if (const char* dir = std::getenv("RIVULET_BIN_DIR")) {
        std::string p = std::string(dir) + "/readersim";
        if (executable(p)) {
            return p;
        }
    }
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return "readersim";
    }
    std::string dir(self, size_t(n));
    return dir.substr(0, dir.find_last_of('/') + 1) + "readersim";
}

std::unique_ptr<Process> Process::start(const Options& options, std::string* error, int timeoutMs)
{
    return startWith(commandLine(options), error, timeoutMs);
}

std::unique_ptr<Process> Process::startWith(const std::vector<std::string>& arguments, std::string* error,
                                            int timeoutMs)
{
    std::string dummy;
    std::string& err = error ? *error : dummy;
    const std::string program = programPath();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        err = std::string("pipe: ") + std::strerror(errno);
        return nullptr;
    }
    // What it prints on stdout and stderr comes here, so a refusal arrives as the error text.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    std::vector<std::string> args{program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& s : args) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    std::unique_ptr<Process> p(new Process);
    const int spawned = posix_spawn(&p->pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    p->out_ = pipeFds[0];
    if (spawned != 0) {
        p->pid_ = -1;
        err = program + ": " + std::strerror(spawned);
        return nullptr;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string pending;
    for (;;) {
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            p->output_.push_back(line);
            if (line == "ready") {
                return p;
            }
            if (startsWith(line, "tcp ")) {
                p->tcpPort_ = portOf(line.substr(4));
            } else if (startsWith(line, "udp ")) {
                p->udpPort_ = portOf(line.substr(4));
            } else if (startsWith(line, "pty ")) {
                p->ptyPath_ = line.substr(4);
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        pollfd pf{p->out_, POLLIN, 0};
        if (left <= 0 || ::poll(&pf, 1, int(left)) == 0) {
            err = "readersim was not ready in time";
            break;
        }
        char buf[512];
        const ssize_t n = ::read(p->out_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            err.clear();
            for (const std::string& line : p->output_) {
                err += line + "\n";
            }
            err += pending;
            if (err.empty()) {
                err = "readersim ended without a word";
            }
            break;
        }
        pending.append(buf, size_t(n));
    }
    return nullptr; // the destructor ends it
}

Process::~Process()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGCONT);
        ::kill(pid_, SIGTERM);
        wait();
    }
    if (out_ >= 0) {
        ::close(out_);
    }
}

std::vector<std::string> Process::finish(int timeoutMs)
{
    std::vector<std::string> lines;
    if (pid_ <= 0) {
        return lines;
    }
    ::kill(pid_, SIGCONT);
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string pending;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        pollfd pf{out_, POLLIN, 0};
        if (left <= 0 || ::poll(&pf, 1, int(left)) <= 0) {
            ::kill(pid_, SIGKILL);
            break;
        }
        char buf[512];
        const ssize_t n = ::read(out_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        pending.append(buf, size_t(n));
    }
    wait();
    size_t at = 0;
    for (size_t nl; (nl = pending.find('\n', at)) != std::string::npos; at = nl + 1) {
        lines.push_back(pending.substr(at, nl - at));
    }
    if (at < pending.size()) {
        lines.push_back(pending.substr(at));
    }
    return lines;
}

bool Process::signal(int sig) const
{
    return pid_ > 0 && ::kill(pid_, sig) == 0;
}

bool Process::stop()
{
    if (!signal(SIGSTOP)) {
        return false;
    }
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid_, &status, WUNTRACED);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r == pid_ && !WIFSTOPPED(status)) {
            pid_ = -1; // it ended meanwhile
        }
        return r == pid_ && WIFSTOPPED(status);
    }
}

int Process::wait()
{
    if (pid_ <= 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
}

} // namespace readersim
