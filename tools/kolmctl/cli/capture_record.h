// The readings of kolmctl serve's last capture, kept whole for the downloads (the CSV
// and the chart) in a scratch file that the system deletes when kolmctl ends: memory
// stays flat however long the capture. Written by the plug-in's thread; read by the
// HTTP threads once the capture has ended.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "capture_outputs.h"
#include "serve_platform.h"

namespace kolmctl {

class CaptureRecord {
public:
    // Forgets the previous capture; false (and the previous one stays): no scratch file.
    bool begin(const Capture& c);
    void add(const Row& r);
    void event(double seconds, const std::string& text);
    void end(const Capture& c, Ending how);
    void clear();

    struct Ended {
        Capture capture;
        Ending how;
        std::vector<CaptureEvent> events;
    };
    // The capture that ended last; none while one runs or after a clear.
    std::optional<Ended> ended();
    // Its rows in their order, each handed to `each`; false where they could not be read back.
    bool replay(const std::function<void(const Row&)>& each);

private:
    std::mutex m_;
    ScratchFile file_;
    std::size_t channels_ = 0;
    long rows_ = 0;
    bool failed_ = false;  // a row could not be written: the downloads say so
    std::optional<Ended> ended_;
    std::vector<CaptureEvent> events_;
    std::vector<unsigned char> buffer_;
};

}  // namespace kolmctl
