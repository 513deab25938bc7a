// The LPT1 plug-in linked into the test, started as a fresh load would start it.
#pragma once

#include <gtest/gtest.h>

#include "bench_trace.h"
#include "entry_points.h"
#include "kolmunit.h"
#include "relays.h"
#include "startup.h"

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override { load(0x00); }

    // The state a new process would see: everything zero, then start-up, with the
    // port holding `portHeld` beforehand. The trace starts after start-up.
    static void load(std::uint8_t portHeld, bool refused = false) {
        kolmsim_reset();
        kolmsim_set_data(kLpt1, portHeld);
        kolmsim_refuse_access(refused ? 1 : 0);
        kolm::resetLibrary();
        kolm::startLibrary();
        kolmsim_trace_clear();
    }
};
