// Starting a readersim for a test or a benchmark: in this process, or as the readersim program in a
// process of its own (a reader that can be killed, stopped or restarted on the same port).
//
//     readersim::Options o;                         // TCP on 127.0.0.1, a free port
//     o.tags = 200;
//     auto sim = readersim::startInProcess(o, &error);   // a running Simulator, or null
//     auto proc = readersim::Process::start(o, &error);  // the program, ready; or null
//     connect to 127.0.0.1:proc->tcpPort() ...
#pragma once

#include "readersim/simulator.h"

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace readersim {

// A started simulator in this process; null (and *error set) when it does not start.
std::unique_ptr<Simulator> startInProcess(const Options& options, std::string* error = nullptr);

// The readersim command line that gives the program `options` (arguments only, no program name).
std::vector<std::string> commandLine(const Options& options);

// The readersim program as a child process.
class Process
{
public:
    // Starts the program with `options` and reads what it prints up to "ready". Null (and *error set
    // to what the program said) when it ends first or is not ready within timeoutMs.
    static std::unique_ptr<Process> start(const Options& options, std::string* error = nullptr,
                                          int timeoutMs = 10000);
    // The same with the arguments as they stand.
    static std::unique_ptr<Process> startWith(const std::vector<std::string>& arguments, std::string* error,
                                              int timeoutMs = 10000);
    // $RIVULET_BIN_DIR/readersim when that exists, else readersim beside the running program.
    static std::string programPath();

    ~Process(); // SIGTERM (after SIGCONT, in case it was stopped), then waits for it
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    int tcpPort() const { return tcpPort_; }
    int udpPort() const { return udpPort_; }
    const std::string& ptyPath() const { return ptyPath_; }
    // The lines it printed up to and including "ready".
    const std::vector<std::string>& output() const { return output_; }
    pid_t pid() const { return pid_; }

    // Ends the program (SIGTERM) and returns what it printed after "ready", such as the reports its
    // wireless readers sent; SIGKILL when it has not ended within timeoutMs.
    std::vector<std::string> finish(int timeoutMs = 10000);
    bool signal(int sig) const; // SIGKILL, SIGCONT, SIGTERM ...
    // SIGSTOP, and returns once the program has stopped: a stop takes effect only when the kernel
    // gets round to it, and a test must not race a reader that still answers.
    bool stop();
    // Waits for the program to end and returns its wait status; -1 when it was already waited for.
    int wait();

private:
    Process() = default;

    pid_t pid_ = -1;
    int out_ = -1;
    int tcpPort_ = 0;
    int udpPort_ = 0;
    std::string ptyPath_;
    std::vector<std::string> output_;
};

} // namespace readersim
