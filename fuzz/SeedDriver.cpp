// Runs a fuzz target without libFuzzer (for compilers other than clang):
// every file of its seed corpus, then pseudo-random variants of them, so the
// normal test suite exercises the same properties in a second or two.
//
// usage: fuzz_NAME CORPUS_FOLDER [VARIANTS]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void RunOne(const std::string& input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

// A seed with a few bytes replaced, inserted or removed.
std::string Variant(std::string input, std::mt19937& random)
{
    for (int edits = 1 + static_cast<int>(random() % 4); edits > 0; --edits) {
        std::size_t at = input.empty() ? 0 : random() % input.size();
        auto byte = static_cast<char>(random());
        switch (random() % 3) {
        case 0:
            if (!input.empty())
                input[at] = byte;
            break;
        case 1:
            input.insert(at, 1, byte);
            break;
        default:
            if (!input.empty())
                input.erase(at, 1);
        }
    }
    return input;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER [VARIANTS]\n", argv[0]);
        return 2;
    }
    std::vector<std::string> seeds;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        RunOne(seeds.back());
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seeds in %s\n", argv[1]);
        return 1;
    }
    int variants = argc > 2 ? std::atoi(argv[2]) : 0;
    std::mt19937 random(12345);
    for (int i = 0; i < variants; ++i)
        RunOne(Variant(seeds[static_cast<std::size_t>(i) % seeds.size()], random));
    std::printf("%zu seeds and %d variants ran\n", seeds.size(), variants);
    return 0;
}
