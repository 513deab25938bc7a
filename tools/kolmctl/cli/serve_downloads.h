// What kolmctl serve's page downloads and sets beside the readings: the last capture as
// kolmctl read's CSV (its events and calibration in # lines) and as kolmctl's chart, and
// the channels' calibration, kept in its file (calibration.h).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "calibration.h"
#include "capture_record.h"
#include "serve_hub.h"

namespace kolmctl {

struct Download {
    int status = 200;
    std::string body;
    std::string type;
    std::string name;  // the file's name for the browser
};

class ServeDownloads {
public:
    // `pluginPath` the loaded file's, `title` its title; `names` each channel's (0 and 1).
    ServeDownloads(CaptureRecord& record, const std::string& pluginPath, std::string title,
                   std::vector<std::string> names);

    // /api/info's channels: [{"number":0,"name":"EA0","calibration":null|{...}}, ...].
    std::string channelsJson();
    // Sets channel `k`'s calibration from a JSON body, or clears it where `body` is empty,
    // and saves them all.
    ServeAnswer setCalibration(std::int32_t k, const std::string& body);
    Download csv(bool french);
    Download svg();

private:
    CaptureRecord& record_;
    std::string plugin_;
    std::string title_;
    std::vector<std::string> names_;
    std::mutex m_;
    std::string file_;  // the calibration file
    Calibrations calibrations_{};
};

}  // namespace kolmctl
