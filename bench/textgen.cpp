// Writes SIZE bytes of text-like data to standard output: lines of words
// drawn from a fixed made-up vocabulary with a skewed frequency, as prose
// and source code have. The same size always gives the same bytes.
//
// usage: textgen SIZE
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// xorshift64*: small, fast, and the same everywhere.
struct Random {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::uint64_t next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 2685821657736338717ull;
    }
    // Uniform in [0, n).
    std::size_t below(std::size_t n) { return static_cast<std::size_t>((next() >> 11) % n); }
};

constexpr std::size_t kVocabulary = 4000;
constexpr std::size_t kLineWidth = 72;

std::vector<std::string> make_vocabulary(Random& rng) {
    static const std::array<const char*, 24> syllables = {
        "ka", "ve", "lo", "tri", "an", "sel", "mu", "dor", "pe", "qui", "ran", "ste",
        "ol", "bu", "nex", "ti", "gra", "fo", "ul", "zen", "ce", "mar", "is", "po"};
    std::vector<std::string> words;
    words.reserve(kVocabulary);
    for (std::size_t i = 0; i < kVocabulary; ++i) {
        std::string w;
        std::size_t parts = 1 + rng.below(4);
        for (std::size_t p = 0; p < parts; ++p) w += syllables[rng.below(syllables.size())];
        words.push_back(w);
    }
    return words;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: textgen SIZE\n", stderr);
        return 2;
    }
    const unsigned long long size = std::strtoull(argv[1], nullptr, 10);
    Random rng;
    const std::vector<std::string> words = make_vocabulary(rng);

    std::string out;
    out.reserve(1 << 20);
    std::size_t column = 0;
    unsigned long long written = 0;
    while (written < size) {
        // Cubing a uniform value favours the first words: a few are common,
        // most are rare.
        const double u = static_cast<double>(rng.next() >> 11) / 9007199254740992.0;
        const std::string& w = words[static_cast<std::size_t>(u * u * u * kVocabulary)];
        if (column + w.size() + 1 > kLineWidth) {
            out += rng.below(8) == 0 ? ".\n" : "\n";
            column = 0;
        } else if (column > 0) {
            out += rng.below(12) == 0 ? ", " : " ";
            column += 2;
        }
        out += w;
        column += w.size();
        if (out.size() >= (1u << 20)) {
            std::size_t take = out.size();
            if (written + take > size) take = static_cast<std::size_t>(size - written);
            if (std::fwrite(out.data(), 1, take, stdout) != take) return 1;
            written += take;
            out.clear();
        }
    }
    return 0;
}
