#include "tests/support/data.h"

#include <random>

namespace testing_support {

std::string random_bytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

std::string text_like(std::size_t n) {
    static const char* words[] = {"volume ", "catalog ", "install ", "package ", "file ", "the ", "of ", "\n"};
    std::mt19937 gen(7);
    std::string s;
    while (s.size() < n) s += words[gen() % 8];
    s.resize(n);
    return s;
}

std::string pack_codes(std::vector<int> codes) {
    codes.push_back(4095);
    if (codes.size() % 2) codes.push_back(0);
    std::string s;
    for (std::size_t i = 0; i < codes.size(); i += 2) {
        s += static_cast<char>(codes[i] >> 4);
        s += static_cast<char>(((codes[i] & 15) << 4) | (codes[i + 1] >> 8));
        s += static_cast<char>(codes[i + 1] & 255);
    }
    return s;
}

}  // namespace testing_support
