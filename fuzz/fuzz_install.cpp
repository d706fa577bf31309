// The whole installation on a kit made from the fuzz input: a catalog, two
// volume files and the answers typed, installed into a fresh directory.
// Whatever the kit holds, the run ends normally or with one fatal message,
// and nothing is written outside its directory.
//
// Input: the catalog, volume 1, volume 2 and the answers, in that order,
// each part ended by the line "@@". Missing answers are "e" and Enter.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "installer/catalog.h"
#include "installer/driver.h"
#include "installer/fatal.h"
#include "tests/support/fake_console.h"

using fuzzcheck::expect;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPartEnd = "\n@@\n";
// Bounds that keep one run small: the answers (every disk request and
// question takes one), and the bytes the expander may write in all.
constexpr std::size_t kMostAnswers = 64;
constexpr std::int64_t kMostExpanded = 1 << 20;
// A file-size limit on this process, so a fault that would fill the disk
// fails a write instead.
constexpr rlim_t kFileSizeLimit = 4 << 20;

// root/a/b/run: a name that climbs one or two levels still lands in a
// directory the check below looks at.
struct Sandbox {
    fs::path root;
    fs::path run;
    // The directory libFuzzer works in: its corpus and artifact names may be
    // relative, so every run comes back here.
    fs::path home = fs::current_path();

    Sandbox() {
        char templ[] = "/tmp/kitfuzz.XXXXXX";
        expect(::mkdtemp(templ) != nullptr, "no temporary directory");
        root = templ;
        run = root / "a" / "b" / "run";
        fs::create_directories(run);
        rlimit limit{kFileSizeLimit, kFileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);
    }
    ~Sandbox() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
};

Sandbox& sandbox() {
    static Sandbox box;
    return box;
}

std::vector<std::string> parts_of(std::string_view input) {
    std::vector<std::string> parts;
    while (parts.size() < 3) {
        std::size_t end = input.find(kPartEnd);
        if (end == std::string_view::npos) break;
        parts.emplace_back(input.substr(0, end));
        input.remove_prefix(end + kPartEnd.size());
    }
    parts.emplace_back(input);
    return parts;
}

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    expect(static_cast<bool>(out), "cannot write the kit");
}

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool climbs(std::string_view text) { return text.find("..") != std::string_view::npos; }

// Kits this target leaves aside: a package path, or a typed one, is the
// user's choice and may lead anywhere; and an expansion bounded only by a
// huge catalog size would fill the disk with allowed bytes.
bool worth_running(const fs::path& catalog_path, const std::string& answers) {
    if (climbs(answers)) return false;
    Catalog c;
    c.catalog_name = catalog_path.string();
    if (!open_catalog(c)) return true;
    parse_catalog_header(c);
    bool at_capacity = false;
    if (parse_package_table(c, at_capacity)) return true;
    for (const PackageRecord& p : c.packages)
        if (climbs(p.path)) return false;
    if (parse_file_table(c)) return true;
    std::int64_t expanded = 0;
    for (const FileRecord& f : c.files)
        if (f.compressed != 0 && f.output_size > 0) expanded += f.output_size;
    return expanded <= kMostExpanded;
}

std::set<std::string> entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

void make_writable(const fs::path& dir) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Sandbox& box = sandbox();
    std::vector<std::string> parts = parts_of(std::string_view(reinterpret_cast<const char*>(data), size));
    parts.resize(4);
    std::string answers = parts[3].empty() ? "e\n\n\n\n\n\n\n\n" : parts[3].substr(0, kMostAnswers);

    make_writable(box.run);
    fs::remove_all(box.run);
    fs::create_directories(box.run / "c:");
    write(box.run / "CATALOG.DAT", parts[0]);
    write(box.run / "VOL1.DAT", parts[1]);
    write(box.run / "VOL2.DAT", parts[2]);
    if (!worth_running(box.run / "CATALOG.DAT", answers)) return -1;

    expect(::chdir(box.run.c_str()) == 0, "cannot enter the kit");
    testing_support::FakeConsole console(answers);
    int status;
    try {
        status = install_main(console.con, {"c"});
    } catch (const FatalExit& e) {
        status = e.status;
        expect(!console.out.text().empty(), "a fatal end without a message");
    }
    expect(::chdir(box.home.c_str()) == 0, "cannot leave the kit");
    expect(status == 0 || status == kFatalStatus, "an unexpected status");

    // Nothing beside the run directory, nothing in it but the kit and what
    // was installed under the destination drive, and the kit untouched.
    expect(entries(box.root) == std::set<std::string>{"a"}, "written outside the kit directory");
    expect(entries(box.root / "a") == std::set<std::string>{"b"}, "written outside the kit directory");
    expect(entries(box.root / "a" / "b") == std::set<std::string>{"run"}, "written outside the kit directory");
    for (const std::string& name : entries(box.run)) {
        bool kit_file = name == "CATALOG.DAT" || name == "VOL1.DAT" || name == "VOL2.DAT";
        expect(kit_file || name.rfind("c:", 0) == 0, "written beside the kit, not under the destination");
    }
    expect(read(box.run / "CATALOG.DAT") == parts[0] && read(box.run / "VOL1.DAT") == parts[1] &&
               read(box.run / "VOL2.DAT") == parts[2],
           "the kit was changed");
    return 0;
}
