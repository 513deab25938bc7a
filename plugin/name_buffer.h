// Names handed to the host live in a 21-byte buffer per entry point (20 characters
// and the NUL), overwritten by that entry point's next call.
#pragma once

#include <cstddef>

namespace kolm {

struct NameBuffer {
    static constexpr std::size_t capacity = 20;
    char text[capacity + 1];

    // Copies `prefix` and, if `digit` is not NUL, that digit; truncates at 20 characters.
    const char* set(const char* prefix, char digit = '\0') {
        std::size_t n = 0;
        for (const char* p = prefix; n < capacity && *p != '\0'; ++p) text[n++] = *p;
        if (digit != '\0' && n < capacity) text[n++] = digit;
        text[n] = '\0';
        return text;
    }
};

}  // namespace kolm
