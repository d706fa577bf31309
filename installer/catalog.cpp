#include "installer/catalog.h"

#include <cstdio>
#include <limits>

#include <sys/stat.h>

#include "installer/catalog_text.h"

// --- CatalogText: the C runtime's text stream and its field reads ----------

bool CatalogText::open(std::string_view name) {
    if (!file_.open(name)) return false;
    // A directory opens on Linux and fails on every read; on the kit's own
    // system it could not be opened at all, so it is not the catalog.
    struct stat st;
    if (::fstat(file_.fd(), &st) != 0 || S_ISDIR(st.st_mode)) {
        file_.close();
        return false;
    }
    return true;
}

bool CatalogText::close() { return file_.close(); }

bool CatalogText::refill() {
    if (raw_done_) return false;
    long n = file_.read(buffer_.data(), buffer_.size());
    if (n <= 0) {
        raw_done_ = true;
        if (n < 0) failed_ = true;
        return false;
    }
    pos_ = 0;
    fill_ = static_cast<std::size_t>(n);
    return true;
}

int CatalogText::raw() {
    if (pos_ == fill_ && !refill()) return kEnd;
    return buffer_[pos_++];
}

int CatalogText::peek_raw() {
    if (pos_ == fill_ && !refill()) return kEnd;
    return buffer_[pos_];
}

int CatalogText::get() {
    if (pushed_ != kEnd) {
        int c = pushed_;
        pushed_ = kEnd;
        return c;
    }
    if (end_seen_ || failed_) return kEnd;
    int c = raw();
    // Only a carriage return right before a line feed belongs to the line
    // end; a lone one is an ordinary character.
    if (c == '\r' && peek_raw() == '\n') c = raw();
    if (c == 0x1A || (c == kEnd && !failed_)) {
        end_seen_ = true;
        return kEnd;
    }
    return c;
}

void CatalogText::unget(int c) {
    if (c != kEnd) pushed_ = c;
}

std::string CatalogText::read_fixed(std::size_t width) {
    std::string field;
    while (field.size() < width) {
        int c = get();
        if (c == kEnd) break;
        field += static_cast<char>(c);
        if (c == '\n') break;
    }
    get();  // the line end of a full-width line, or whatever stands there
    return field;
}

CatalogText::Field CatalogText::read_number(std::int32_t& value, bool& in_range) {
    int c = get();
    while (is_white(c)) c = get();
    if (c == kEnd) return Field::end;
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = get();
    }
    // Every digit is consumed, as the C reader does; beyond 2^31 the value
    // only has to be known as out of range.
    constexpr std::int64_t kBeyond = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    bool any_digit = false;
    while (c >= '0' && c <= '9') {
        any_digit = true;
        if (magnitude <= kBeyond) magnitude = magnitude * 10 + (c - '0');
        c = get();
    }
    unget(c);
    if (!any_digit) return Field::mismatch;
    std::int64_t v = negative ? -magnitude : magnitude;
    in_range = v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
    value = in_range ? static_cast<std::int32_t>(v) : 0;
    return Field::ok;
}

CatalogText::Field CatalogText::read_text(std::string& text) {
    int c = get();
    while (is_white(c)) c = get();
    if (c == kEnd) return Field::end;
    text.clear();
    while (c != kEnd && !is_white(c)) {
        text += static_cast<char>(c);
        c = get();
    }
    unget(c);
    return Field::ok;
}

void CatalogText::skip_white() {
    int c = get();
    while (is_white(c)) c = get();
    unget(c);
}

// --- Catalog ---------------------------------------------------------------

Catalog::Catalog() = default;
Catalog::~Catalog() = default;
Catalog::Catalog(Catalog&&) noexcept = default;
Catalog& Catalog::operator=(Catalog&&) noexcept = default;

namespace {

// One line of white-space separated fields, read as fscanf reads a format of
// conversions followed by "\n": `count` is what fscanf returns (-1 when the
// text ended before the first field), `refused` marks a field that was read
// but does not fit its record.
struct LineScan {
    CatalogText& text;
    int count = 0;
    bool stopped = false;  // a conversion failed; the rest of the format is not run
    bool refused = false;

    void number(std::int32_t& out) {
        if (stopped) return;
        bool in_range = false;
        CatalogText::Field f = text.read_number(out, in_range);
        if (!accept(f)) return;
        if (!in_range) refused = true;
    }

    void word(std::string& out, std::size_t max_length) {
        if (stopped) return;
        CatalogText::Field f = text.read_text(out);
        if (!accept(f)) return;
        // A NUL would end the name early for the C library and for every
        // system call that sees it; no kit has one.
        if (out.size() > max_length || out.find('\0') != std::string::npos) refused = true;
    }

    // The trailing "\n" of the format: white space skipped, only when every
    // conversion succeeded.
    int finish() {
        if (!stopped) text.skip_white();
        return count;
    }

private:
    bool accept(CatalogText::Field f) {
        if (f == CatalogText::Field::ok) {
            ++count;
            return true;
        }
        if (f == CatalogText::Field::end && count == 0) count = -1;
        stopped = true;
        return false;
    }
};

// A file name from the kit must stay inside its package directory: no
// leading separator, and no ".." that climbs above where it starts.
bool stays_inside(const std::string& name) {
    if (name.empty() || fsys::is_separator(name[0])) return false;
    int depth = 0;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !fsys::is_separator(name[end])) ++end;
        std::string_view part(name.data() + start, end - start);
        if (part == "..") {
            if (--depth < 0) return false;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
        start = end + 1;
    }
    return true;
}

// The header fields are C strings in the old reader: a NUL ends them.
std::string up_to_nul(std::string s) {
    std::string::size_type nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

CatalogProblem problem(MsgKey key, std::int32_t number = 0, std::int32_t capacity = 0) {
    return CatalogProblem{key, number, capacity};
}

// A read that fails looks like the end of the text to the field reads; it
// must not be reported as a short or malformed catalog, nor ever pass for
// its end.
CatalogProblem problem_or_read_error(const CatalogText& text, CatalogProblem p) {
    if (text.failed()) return problem(MSG_CANNOT_READ_VOLUME);
    return p;
}

}  // namespace

bool open_catalog(Catalog& catalog) {
    auto text = std::make_unique<CatalogText>();
    if (!text->open(catalog.catalog_name)) return false;
    catalog.stream = std::move(text);
    return true;
}

void parse_catalog_header(Catalog& catalog) {
    catalog.header = CatalogHeader{};
    if (!catalog.stream) return;
    CatalogText& text = *catalog.stream;
    CatalogHeader& h = catalog.header;
    h.type = up_to_nul(text.read_fixed(kTypeWidth));
    h.licensee = up_to_nul(text.read_fixed(kLicenseeWidth));
    // Line 3: a number nobody uses, read and never tested. Its trailing skip
    // also eats the blanks at the start of line 4; when the number is not
    // there, nothing but its leading white space is consumed.
    std::int32_t unused = 0;
    bool in_range = false;
    if (text.read_number(unused, in_range) == CatalogText::Field::ok) text.skip_white();
    h.kit = up_to_nul(text.read_fixed(kKitWidth));
    h.volume_prefix = up_to_nul(text.read_fixed(kPrefixWidth));
    // Only the space character ends the prefix; a short line keeps its line end.
    std::string::size_type blank = h.volume_prefix.find(' ');
    if (blank != std::string::npos) h.volume_prefix.resize(blank);
}

std::optional<CatalogProblem> parse_package_table(Catalog& catalog, bool& at_capacity) {
    at_capacity = false;
    catalog.packages.clear();
    catalog.package_count = 0;
    if (!catalog.stream) return problem(MSG_UNEXPECTED_EOF);
    CatalogText& text = *catalog.stream;
    auto fail = [&text](CatalogProblem p) { return problem_or_read_error(text, p); };

    std::int32_t count = 0;
    bool in_range = false;
    CatalogText::Field f = text.read_number(count, in_range);
    if (f == CatalogText::Field::end) return fail(problem(MSG_UNEXPECTED_EOF));
    // A count beyond the 32-bit range cannot be shown as what it is, so it
    // counts as no value at all.
    if (f == CatalogText::Field::mismatch || !in_range) return problem(MSG_NO_PACKAGE_COUNT);
    text.skip_white();
    if (count > kMaxPackages) return problem(MSG_TOO_MANY_PACKAGES, count, kMaxPackages);
    if (count < 1) return problem(MSG_NO_PACKAGES);
    at_capacity = count == kMaxPackages;

    catalog.package_count = count;
    catalog.packages.assign(static_cast<std::size_t>(count), PackageRecord{});
    for (PackageRecord& p : catalog.packages) {
        // "%s %s %d %ld\n"
        LineScan line{text};
        line.word(p.name, kMaxPackageName);
        line.word(p.path, kMaxPackagePath);
        line.number(p.selected);
        line.number(p.size);
        int fields = line.finish();
        if (fields < 0) return fail(problem(MSG_UNEXPECTED_EOF));
        if (fields < 4 || line.refused) return fail(problem(MSG_BAD_PACKAGE_LINE));
        p.path += '/';
    }
    return std::nullopt;
}

std::optional<CatalogProblem> parse_file_table(Catalog& catalog) {
    catalog.files.clear();
    catalog.file_count = 0;
    if (!catalog.stream) return std::nullopt;
    CatalogText& text = *catalog.stream;

    // The loop ends only at the true end of the text: after a failed read
    // the next line comes out short and the failure is reported.
    while (!text.at_end()) {
        // Judged before the line is read: the table has no room for it.
        if (catalog.file_count == kMaxFiles) return problem(MSG_TOO_MANY_FILES, kMaxFiles + 1, kMaxFiles);
        FileRecord r;
        // "%d %d %ld %ld %d %ld %ld %s\n"
        LineScan line{text};
        line.number(r.package);
        line.number(r.compressed);
        line.number(r.output_size);
        line.number(r.stored_size);
        line.number(r.disk);
        line.number(r.offset);
        line.number(r.spare);
        line.word(r.name, kMaxFileName);
        int fields = line.finish();
        if (fields < 8 || line.refused || !stays_inside(r.name))
            return problem_or_read_error(text, problem(MSG_BAD_FILE_LINE));
        if (r.package < 0 || r.package >= catalog.package_count) return problem(MSG_BAD_PACKAGE_NUMBER, r.package);
        catalog.files.push_back(std::move(r));
        ++catalog.file_count;
    }

    bool closed = text.close();
    catalog.stream.reset();
    if (!closed) return problem(MSG_CANNOT_CLOSE);
    return std::nullopt;
}

namespace {

template <typename... Args>
std::string format_text(const char* format, Args... args) {
    int n = std::snprintf(nullptr, 0, format, args...);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), format, args...);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace

std::string describe(const CatalogProblem& p, const Catalog& catalog, Language language) {
    const char* format = msg(language, p.key);
    switch (p.key) {
        case MSG_CANNOT_OPEN:
        case MSG_UNEXPECTED_EOF:
        case MSG_BAD_PACKAGE_LINE:
        case MSG_BAD_FILE_LINE:
        case MSG_CANNOT_CLOSE:
        case MSG_CANNOT_READ_VOLUME:
            return format_text(format, catalog.catalog_name.c_str());
        case MSG_TOO_MANY_PACKAGES:
        case MSG_PACKAGES_AT_CAPACITY:
        case MSG_TOO_MANY_FILES:
            return format_text(format, p.number, p.capacity);
        case MSG_BAD_PACKAGE_NUMBER:
            return format_text(format, p.number);
        default:
            // MSG_NO_PACKAGE_COUNT and MSG_NO_PACKAGES take no arguments.
            return format;
    }
}
