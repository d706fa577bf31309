#include "tests/support/run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;

void set_nonblock(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Appends whatever is readable on fd; returns false once the fd has ended.
bool drain(int& fd, std::string& into) {
    if (fd < 0) return false;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            into.append(buf, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
        // 0, or EIO from a pty master whose slave side has closed.
        close(fd);
        fd = -1;
        return false;
    }
}

[[noreturn]] void exec_child(const std::vector<std::string>& argv, const RunOptions& o) {
    if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) _exit(126);
    for (const auto& [name, value] : o.env) {
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
    if (o.file_size_limit >= 0) {
        rlimit rl{static_cast<rlim_t>(o.file_size_limit), static_cast<rlim_t>(o.file_size_limit)};
        setrlimit(RLIMIT_FSIZE, &rl);
    }
    ::signal(SIGXFSZ, o.ignore_sigxfsz ? SIG_IGN : SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

}  // namespace

Child::Child(const std::vector<std::string>& argv, const RunOptions& o)
    : stdout_is_tty_(o.stdout_is_tty), timeout_(o.timeout) {
    int in_pipe[2] = {-1, -1}, out_pipe[2] = {-1, -1}, err_pipe[2] = {-1, -1};
    if (!o.stdin_is_tty) {
        EXPECT_EQ(pipe(in_pipe), 0);
    }
    if (!o.stdout_is_tty) {
        EXPECT_EQ(pipe(out_pipe), 0);
    }
    EXPECT_EQ(pipe(err_pipe), 0);
    ::signal(SIGPIPE, SIG_IGN);

    if (o.stdin_is_tty || o.stdout_is_tty) {
        winsize ws{};
        ws.ws_row = 25;
        ws.ws_col = 80;
        pid_ = forkpty(&master_, nullptr, nullptr, &ws);
    } else {
        pid_ = fork();
    }
    if (pid_ < 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return;
    }
    if (pid_ == 0) {
        if (!o.stdin_is_tty) dup2(in_pipe[0], 0);
        if (!o.stdout_is_tty) dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
            if (fd > 2) close(fd);
        exec_child(argv, o);
    }
    if (!o.stdin_is_tty) {
        close(in_pipe[0]);
        in_fd_ = in_pipe[1];
        set_nonblock(in_fd_);
    }
    if (!o.stdout_is_tty) {
        close(out_pipe[1]);
        out_fd_ = out_pipe[0];
        set_nonblock(out_fd_);
    }
    close(err_pipe[1]);
    err_fd_ = err_pipe[0];
    set_nonblock(err_fd_);
    if (master_ >= 0) {
        set_nonblock(master_);
        master_readable_ = true;
    }
}

Child::~Child() {
    if (!finished_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {in_fd_, out_fd_, err_fd_, master_})
        if (fd >= 0) close(fd);
}

void Child::send(const std::string& bytes) {
    int fd = in_fd_ >= 0 ? in_fd_ : master_;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pump(std::chrono::milliseconds(10));
            continue;
        }
        if (n <= 0) return;  // the child has gone
        done += static_cast<size_t>(n);
    }
}

void Child::close_input() {
    if (in_fd_ >= 0) close(in_fd_);
    in_fd_ = -1;
}

void Child::pump(std::chrono::milliseconds limit) {
    pollfd fds[3];
    int n = 0;
    int master = master_readable_ ? master_ : -1;
    for (int fd : {out_fd_, err_fd_, master})
        if (fd >= 0) fds[n++] = {fd, POLLIN, 0};
    if (n == 0) return;
    poll(fds, static_cast<nfds_t>(n), static_cast<int>(limit.count()));
    drain(out_fd_, out_);
    drain(err_fd_, err_);
    if (master_readable_) {
        // drain() closes a descriptor at its end; the master must stay open.
        int copy = ::dup(master_);
        set_nonblock(copy);
        if (!drain(copy, tty_)) master_readable_ = false;
        if (copy >= 0) ::close(copy);
    }
}

bool Child::wait_for(const std::string& text, std::chrono::milliseconds limit) {
    const std::string& stream = stdout_is_tty_ ? tty_ : out_;
    auto end = Clock::now() + limit;
    while (stream.find(text) == std::string::npos) {
        if (Clock::now() >= end) return false;
        if (out_fd_ < 0 && err_fd_ < 0 && !master_readable_) return false;
        pump(std::chrono::milliseconds(20));
    }
    return true;
}

void Child::signal(int sig) {
    if (pid_ > 0) kill(pid_, sig);
}

termios Child::tty_settings() const {
    termios t{};
    if (master_ >= 0) tcgetattr(master_, &t);
    return t;
}

RunResult Child::finish() {
    RunResult r;
    close_input();
    if (pid_ <= 0) return r;
    auto end = Clock::now() + timeout_;
    int wstatus = 0;
    for (;;) {
        pid_t w = waitpid(pid_, &wstatus, WNOHANG);
        if (w == pid_) break;
        if (Clock::now() >= end) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &wstatus, 0);
            r.timed_out = true;
            break;
        }
        pump(std::chrono::milliseconds(20));
    }
    finished_ = true;
    // Collect what is still in the pipes.
    for (int i = 0; i < 50 && (out_fd_ >= 0 || err_fd_ >= 0); ++i) pump(std::chrono::milliseconds(10));
    if (master_readable_) pump(std::chrono::milliseconds(20));
    if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) r.signal = WTERMSIG(wstatus);
    r.out = stdout_is_tty_ ? tty_ : out_;
    r.err = err_;
    r.tty = tty_;
    return r;
}

RunResult run(const std::vector<std::string>& argv, const std::string& input, const RunOptions& options) {
    Child child(argv, options);
    child.send(input);
    return child.finish();
}

termios fresh_terminal_settings() {
    int master, slave;
    termios t{};
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) == 0) {
        tcgetattr(slave, &t);
        close(master);
        close(slave);
    }
    return t;
}

bool same_settings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

}  // namespace testing_support
