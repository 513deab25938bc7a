// kolmctl serve's plug-in thread: the one that calls the plug-in. It runs the commands
// the HTTP threads post (a capture, a relay switch, a clear), a relay switch during a
// capture too (between its readings), and publishes what happens to the streams.
#pragma once

#include <string>
#include <vector>

#include "commands.h"
#include "serve_hub.h"

namespace kolmctl {

class CaptureRecord;

// Each channel's name as the plug-in gives it ("channel 1" where it gives none), 0 and 1.
std::vector<std::string> channelNames(Plugin& p);
// Fills the hub's fields of /api/info that the plug-in gives, then runs the posted
// commands until Ctrl-C (or another watched signal); `names` from channelNames.
void runPluginThread(Plugin& p, Context& cx, ServeHub& hub, CaptureRecord& record,
                     const std::vector<std::string>& names);

}  // namespace kolmctl
