// The files the plug-in may read (its port file; kolmsim's signal file and the recordings
// that file names): files in the folder of the plug-in's own file, found from the
// module's own path (never the current folder, which belongs to the host and the
// user's documents). One file per platform: module_file_posix.cpp, module_file_windows.cpp.
#pragma once

#include "settings_file.h"

namespace kolm {

// Reads the file `name` beside this library's file into `text`, NUL-terminated, as
// readSettingsFile does: its length, or why not. A folder that cannot be named is
// kUnreadableFile: the file may be there, so it is never taken as absent.
int readBesideModule(const char* name, char* text, int capacity);

}  // namespace kolm
