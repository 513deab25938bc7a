// Which plug-in a file is, decided here alone: kolmlpt1 or kolmlpt2 (by the port it
// drives, LPT1 or LPT2), or kolmsim, the plug-in with a virtual box. Before a load
// kolmctl has only the file's name; once loaded, the plug-in's title says it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "plugin.h"

namespace kolmctl {

// The variant a plug-in file's name gives (kolmlpt1..., kolmlpt2...); 0 if neither.
int variantOfFileName(const std::string& path);
// The plug-in variant of a loaded file, from its title ("KOLM en LPT1:"); 0 if neither.
int variantOf(Plugin& p);
// "kolmlpt1", "kolmlpt2": the plug-in of a variant.
std::string variantName(int lpt);
// Whether the loaded file is kolmsim, the plug-in with a virtual box: its title and detail
// say "simulated" as kolmsim's do.
bool virtualBox(Plugin& p);
// The relay lines of kolmsim's virtual box; none for any other file, whatever panel it shows.
std::optional<std::uint8_t> virtualBoxLines(Plugin& p);

}  // namespace kolmctl
