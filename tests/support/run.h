#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <termios.h>

namespace testing_support {

struct RunOptions {
    std::string cwd;                                   // empty: the test's own
    std::map<std::string, std::optional<std::string>> env;  // set (value) or unset (nullopt)
    long file_size_limit = -1;                         // RLIMIT_FSIZE in bytes, -1: none
    bool ignore_sigxfsz = false;                       // so a write past the limit fails instead
    bool stdin_is_tty = false;                         // standard input from a pseudo-terminal
    bool stdout_is_tty = false;                        // standard output to that pseudo-terminal
    std::chrono::milliseconds timeout{20000};          // the child is killed after this
};

struct RunResult {
    int status = -1;         // exit status 0..255, or -1 when killed by a signal
    int signal = 0;          // the signal that ended it, if any
    bool timed_out = false;
    std::string out;         // standard output (or the terminal's output in tty modes)
    std::string err;         // standard error
    std::string tty;         // what reached the pseudo-terminal (tty modes)
};

// Runs argv to its end with `input` as the whole of its standard input.
RunResult run(const std::vector<std::string>& argv, const std::string& input, const RunOptions& options = {});

// A running child that a test converses with: wait for a text, then answer.
class Child {
public:
    Child(const std::vector<std::string>& argv, const RunOptions& options = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Writes to the child's standard input (the pipe, or the terminal).
    void send(const std::string& bytes);
    // Closes the input pipe (pipe mode only).
    void close_input();
    // Reads output until `text` has appeared in the stream (stdout, or the
    // terminal in tty modes) after position `from`; false on timeout or end.
    bool wait_for(const std::string& text, std::chrono::milliseconds limit = std::chrono::milliseconds(10000));
    // Sends a signal to the child.
    void signal(int sig);
    // The terminal settings as the child left them (tty modes).
    termios tty_settings() const;
    // Waits for the end and collects what is left.
    RunResult finish();
    const std::string& output() const { return out_; }
    const std::string& tty_output() const { return tty_; }
    // The pid of the child.
    int pid() const { return pid_; }

private:
    void pump(std::chrono::milliseconds limit);
    int pid_ = -1;
    int in_fd_ = -1;    // pipe to stdin (pipe mode)
    int out_fd_ = -1;   // pipe from stdout (when stdout is not the tty)
    int err_fd_ = -1;   // pipe from stderr
    int master_ = -1;   // pty master (tty modes), kept open to read the settings at the end
    bool master_readable_ = false;  // until the terminal's other side has closed
    bool stdout_is_tty_ = false;
    std::chrono::milliseconds timeout_;
    std::string out_, err_, tty_;
    bool finished_ = false;
};

// The settings a fresh pseudo-terminal starts with, which a program that
// changed them must give back.
termios fresh_terminal_settings();

// Terminal settings compared field by field (flags and control characters).
bool same_settings(const termios& a, const termios& b);

}  // namespace testing_support
