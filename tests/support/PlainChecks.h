#pragma once
// Checks for the Windows tests that must run where no Windows Qt is built: they print what failed and
// count it; main returns whether any did.

#include <cstdint>
#include <cstdio>
#include <string>

namespace plain {

inline int failures = 0;

inline void compare(long long actual, long long expected, const char* what, int line) {
    if (actual == expected)
        return;
    std::printf("FAIL line %d: %s is %lld, expected %lld\n", line, what, actual, expected);
    ++failures;
}

inline void compareText(const std::string& actual, const std::string& expected, int line) {
    if (actual == expected)
        return;
    std::printf("FAIL line %d: \"%s\", expected \"%s\"\n", line, actual.c_str(), expected.c_str());
    ++failures;
}

inline std::string text(const unsigned char* bytes, std::uint32_t count) {
    return std::string(reinterpret_cast<const char*>(bytes), count);
}

inline int finish(const char* what) {
    if (failures == 0)
        std::printf("%s: all passed\n", what);
    else
        std::printf("%s: %d failed\n", what, failures);
    return failures == 0 ? 0 : 1;
}

} // namespace plain

#define COMPARE(actual, expected) plain::compare((actual), (expected), #actual, __LINE__)
#define COMPARE_TEXT(actual, expected) plain::compareText((actual), (expected), __LINE__)
