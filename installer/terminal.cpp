#include "installer/terminal.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

namespace {

// The settings found at start-up, for the signal handlers: they must be
// reachable without any object, so they are the one true global here.
struct SavedTerminal {
    termios settings{};
    int fd = -1;
    volatile sig_atomic_t saved = 0;
};
SavedTerminal g_saved;

void write_all(int fd, const char* data, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;  // errors of printing are ignored
        data += w;
        n -= static_cast<std::size_t>(w);
    }
}

void on_terminating_signal(int sig) {
    if (g_saved.saved) tcsetattr(g_saved.fd, TCSANOW, &g_saved.settings);
    // End the way the signal would have ended us, so the shell sees it.
    signal(sig, SIG_DFL);
    raise(sig);
}

void install_handlers() {
    struct sigaction sa {};
    sa.sa_handler = on_terminating_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &sa, nullptr);
}

// Code page 850, bytes 0x80 to 0xFF, as UTF-8.
constexpr const char* kCp850[128] = {
    "\u00C7", "\u00FC", "\u00E9", "\u00E2", "\u00E4", "\u00E0", "\u00E5", "\u00E7",
    "\u00EA", "\u00EB", "\u00E8", "\u00EF", "\u00EE", "\u00EC", "\u00C4", "\u00C5",
    "\u00C9", "\u00E6", "\u00C6", "\u00F4", "\u00F6", "\u00F2", "\u00FB", "\u00F9",
    "\u00FF", "\u00D6", "\u00DC", "\u00F8", "\u00A3", "\u00D8", "\u00D7", "\u0192",
    "\u00E1", "\u00ED", "\u00F3", "\u00FA", "\u00F1", "\u00D1", "\u00AA", "\u00BA",
    "\u00BF", "\u00AE", "\u00AC", "\u00BD", "\u00BC", "\u00A1", "\u00AB", "\u00BB",
    "\u2591", "\u2592", "\u2593", "\u2502", "\u2524", "\u00C1", "\u00C2", "\u00C0",
    "\u00A9", "\u2563", "\u2551", "\u2557", "\u255D", "\u00A2", "\u00A5", "\u2510",
    "\u2514", "\u2534", "\u252C", "\u251C", "\u2500", "\u253C", "\u00E3", "\u00C3",
    "\u255A", "\u2554", "\u2569", "\u2566", "\u2560", "\u2550", "\u256C", "\u00A4",
    "\u00F0", "\u00D0", "\u00CA", "\u00CB", "\u00C8", "\u0131", "\u00CD", "\u00CE",
    "\u00CF", "\u2518", "\u250C", "\u2588", "\u2584", "\u00A6", "\u00CC", "\u2580",
    "\u00D3", "\u00DF", "\u00D4", "\u00D2", "\u00F5", "\u00D5", "\u00B5", "\u00FE",
    "\u00DE", "\u00DA", "\u00DB", "\u00D9", "\u00FD", "\u00DD", "\u00AF", "\u00B4",
    "\u00AD", "\u00B1", "\u2017", "\u00BE", "\u00B6", "\u00A7", "\u00F7", "\u00B8",
    "\u00B0", "\u00A8", "\u00B7", "\u00B9", "\u00B3", "\u00B2", "\u25A0", "\u00A0",
};

}  // namespace

void restore_terminal() {
    if (g_saved.saved) tcsetattr(g_saved.fd, TCSANOW, &g_saved.settings);
}

bool locale_is_utf8() {
    if (std::setlocale(LC_CTYPE, "") == nullptr) return false;
    const char* codeset = nl_langinfo(CODESET);
    bool utf8 = codeset != nullptr && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
    std::setlocale(LC_CTYPE, "C");
    return utf8;
}

// --- ScriptKeys ---------------------------------------------------------

bool ScriptKeys::fill() {
    if (at_end_) return false;
    for (;;) {
        ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            at_end_ = true;
            return false;
        }
        pos_ = 0;
        end_ = static_cast<std::size_t>(n);
        return true;
    }
}

int ScriptKeys::read_key() {
    if (pos_ == end_ && !fill()) return kEndOfInput;
    return static_cast<unsigned char>(buffer_[pos_++]);
}

std::optional<std::string> ScriptKeys::read_line(std::size_t keep) {
    std::string line;
    bool any = false;
    for (;;) {
        if (pos_ == end_ && !fill()) break;
        char c = buffer_[pos_++];
        any = true;
        if (line.size() < keep) line += c;
        if (c == '\n') return line;
    }
    if (!any) return std::nullopt;
    // A last line without its line feed counts as a whole line.
    if (line.size() < keep) line += '\n';
    return line;
}

// --- TerminalKeys -------------------------------------------------------

TerminalKeys::TerminalKeys(int fd) : fd_(fd) {
    // The echo goes to the terminal itself; without a controlling terminal,
    // to the terminal the keys come from.
    echo_fd_ = ::open("/dev/tty", O_WRONLY | O_CLOEXEC);
    if (echo_fd_ < 0) echo_fd_ = ::dup(fd_);
    if (tcgetattr(fd_, &g_saved.settings) == 0) {
        g_saved.fd = fd_;
        g_saved.saved = 1;
        install_handlers();
        key_mode_ = g_saved.settings;
        // Keys one at a time, not echoed; ISIG stays, so Ctrl-C still ends the run.
        key_mode_.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ECHONL));
        key_mode_.c_iflag &= static_cast<tcflag_t>(~(ICRNL | INLCR | IGNCR));
        key_mode_.c_cc[VMIN] = 1;
        key_mode_.c_cc[VTIME] = 0;
        tcsetattr(fd_, TCSANOW, &key_mode_);
    }
}

TerminalKeys::~TerminalKeys() {
    restore_terminal();
    g_saved.saved = 0;
    if (echo_fd_ >= 0) ::close(echo_fd_);
}

void TerminalKeys::discard_pending() { tcflush(fd_, TCIFLUSH); }

int TerminalKeys::read_key() {
    unsigned char c;
    for (;;) {
        ssize_t n = ::read(fd_, &c, 1);
        if (n == 1) return c;
        if (n < 0 && errno == EINTR) continue;
        return kEndOfInput;
    }
}

void TerminalKeys::echo(char key) {
    if (echo_fd_ >= 0) write_all(echo_fd_, &key, 1);
}

std::optional<std::string> TerminalKeys::read_line(std::size_t keep) {
    // The path is typed in the terminal's own line mode, so it can be edited.
    if (g_saved.saved) tcsetattr(fd_, TCSANOW, &g_saved.settings);
    std::string line;
    bool any = false;
    bool done = false;
    char buf[256];
    while (!done) {
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        any = true;
        for (ssize_t i = 0; i < n && !done; ++i) {
            if (line.size() < keep) line += buf[i];
            done = buf[i] == '\n';
        }
    }
    if (g_saved.saved) tcsetattr(fd_, TCSANOW, &key_mode_);
    if (!any) return std::nullopt;
    if (!done && line.size() < keep) line += '\n';
    return line;
}

// --- PlainSink ----------------------------------------------------------

void PlainSink::write(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= 65536) flush();
}

void PlainSink::flush() {
    write_all(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
}

// --- TerminalSink -------------------------------------------------------

std::string TerminalSink::render(std::string_view text, bool utf8, int& column) {
    std::string out;
    out.reserve(text.size() + 16);
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\t': {
                int next = (column / 8 + 1) * 8;
                out.append(static_cast<std::size_t>(next - column), ' ');
                column = next;
                break;
            }
            case '\r':
            case '\n':
                out += ch;
                column = 0;
                break;
            case '\b':
                out += ch;
                if (column > 0) --column;
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += '^';
                    out += static_cast<char>(c == 0x7F ? '?' : c + '@');
                    column += 2;
                } else if (c >= 0x80 && utf8) {
                    out += kCp850[c - 0x80];
                    ++column;
                } else {
                    out += ch;
                    ++column;
                }
        }
    }
    return out;
}

void TerminalSink::write(std::string_view text) {
    buffer_ += render(text, utf8_, column_);
    // On a terminal every text shows at once.
    flush();
}

void TerminalSink::flush() {
    write_all(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
}
