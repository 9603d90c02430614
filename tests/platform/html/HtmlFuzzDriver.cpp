// Runs the fuzz target without libFuzzer (compilers other than clang): a
// fixed set of seeds plus pseudo-random inputs derived from them, so CI
// exercises the same checks in a few seconds.
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    int iterations = argc > 1 ? std::atoi(argv[1]) : 3000;
    const std::vector<std::string> seeds = {
        "<DIV>one two</DIV><P>three</P>",
        "<TABLE><TR><TD>a</TD><TD>b</TD></TR><TR><TD>c</TD></TR></TABLE>x",
        "<UL><LI>a<LI>b</UL><FONT size=2>f</FONT><B>bold</B>",
        "<p>unclosed <i>it<b>both</p><script>s()</script>&#x4E2D;",
    };
    std::mt19937 random(12345);
    for (int i = 0; i < iterations; ++i) {
        std::string input = seeds[i % seeds.size()];
        for (int m = random() % 4; m > 0; --m)
            input.insert(random() % (input.size() + 1), 1, "<>/&;#ab TD"[random() % 11]);
        input += '\0';
        for (int b = 0; b < 96; ++b)
            input += static_cast<char>(random());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    }
    std::printf("%d inputs ran\n", iterations);
    return 0;
}
