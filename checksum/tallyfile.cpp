// tallyfile [count] file: skips count bytes (194 by default, the fixed header
// of the kit's data files) and prints the position-weighted checksum of the
// rest of the file.
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include "checksum/count.h"
#include "checksum/fnexp.h"
#include "checksum/tally.h"
#include "common/trace.h"

namespace {

constexpr char kUsage[] = "usage: tallyfile [count] file\n";
constexpr char kOpenError[] = " error(tallyfile): can't open '%s'\n";
constexpr char kReadError[] = " error(tallyfile): can't read '%s'\n";
constexpr char kResult[] = "skip=%lu bytes=%lu checksum=%lu\n";

constexpr std::int32_t kDefaultSkip = 194;
// Largest read; the buffer is the one block buffer of the run.
constexpr std::size_t kBlockSize = 32767;
constexpr int kFailureStatus = 1;

// Every failure of the tool ends here: one message on standard error, status 1.
// `argument` is the file argument as typed, never its expansion, so the user
// recognises it.
[[noreturn]] void fatal(const char* format, const char* argument) {
    if (argument == nullptr) {
        std::fputs(format, stderr);
    } else {
        std::fprintf(stderr, format, argument);
    }
    std::exit(kFailureStatus);
}

// Closes the file on every way out of the main routine.
class InputFile {
public:
    explicit InputFile(const char* name) : fd_(::open(name, O_RDONLY | O_CLOEXEC)) {}
    ~InputFile() {
        if (fd_ >= 0) ::close(fd_);  // a failing close changes nothing read
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool is_open() const { return fd_ >= 0; }
    int fd() const { return fd_; }

private:
    int fd_;
};

unsigned long as_unsigned(std::uint32_t value) { return value; }

}  // namespace

int main(int argc, char** argv) {
    TraceScope scope("tallyfile");

    if (argc != 2 && argc != 3) fatal(kUsage, nullptr);
    const std::int32_t count = argc == 3 ? tally::parse_count(argv[1]) : kDefaultSkip;
    const char* typed = argv[argc - 1];

    // A name too long for the tool is refused like one that cannot be
    // opened: cutting it could open some other file.
    const char* name = tally::fnexp(typed);
    if (name == nullptr) fatal(kOpenError, typed);
    const InputFile file(name);
    if (!file.is_open()) fatal(kOpenError, typed);

    // A negative count is refused by the seek and everything is summed; a
    // count past the end leaves nothing to read. Both are what the tool has
    // always done, so the outcome is not checked.
    static_cast<void>(::lseek(file.fd(), count, SEEK_CUR));

    const tally::Weights weights = tally::make_weights();
    tally::Tally sum(weights);
    std::array<unsigned char, kBlockSize> block;
    for (;;) {
        const ssize_t got = ::read(file.fd(), block.data(), block.size());
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            // A checksum of part of a file would pass for the real one.
            fatal(kReadError, typed);
        }
        sum.add(block.data(), static_cast<std::size_t>(got));
    }

    std::printf(kResult, as_unsigned(static_cast<std::uint32_t>(count)), as_unsigned(sum.bytes()),
                as_unsigned(sum.checksum()));
    return 0;
}
