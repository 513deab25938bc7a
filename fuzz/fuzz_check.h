// A broken promise stops the fuzzer's run with a trap, which libFuzzer reports as a
// crash and keeps the input that did it.
#pragma once

#define KOLM_CHECK(cond)               \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)
