#pragma once
// Helpers shared by the fuzz targets: splitting the input into fields and
// failing loudly when a property of the code under test does not hold.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

// The input as text (bytes as given, NULs included).
inline std::string_view Text(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// Takes the text up to the next LF off `in` (the LF dropped). Lets a seed
// file give a few short fields on its first lines and the subject text
// after them.
inline std::string TakeLine(std::string_view& in)
{
    std::size_t lf = in.find('\n');
    std::string line(in.substr(0, lf));
    in = lf == std::string_view::npos ? std::string_view() : in.substr(lf + 1);
    return line;
}

// A property that must hold for every input: prints what failed and aborts,
// which libFuzzer reports as a crash with the input saved.
[[noreturn]] inline void Fail(const char* what, std::string_view detail = {})
{
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    if (!detail.empty())
        std::fprintf(stderr, "  %.*s\n", static_cast<int>(detail.size() > 400 ? 400 : detail.size()),
                     detail.data());
    std::abort();
}

} // namespace fuzz

#define FUZZ_CHECK(cond, detail)                                                                   \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::fuzz::Fail(#cond, detail);                                                           \
    } while (0)
