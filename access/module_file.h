// The files the plug-in may read (its port file; kolmsim's signal file and the recordings
// that file names): files in the folder of the plug-in's own file, found from the
// module's own path (never the current folder, which belongs to the host and the
// user's documents). One file per platform: module_file_posix.cpp, module_file_windows.cpp.
#pragma once

namespace kolm {

constexpr int kNoSuchFile = -1;      // no such file, or the plug-in's folder is unknown
constexpr int kUnreadableFile = -2;  // there, but not readable whole within `capacity` - 1 bytes

// Reads the file `name` beside this library's file into `text`, NUL-terminated: its
// length, or one of the two answers above. Plain open and read: nothing kept after it.
int readBesideModule(const char* name, char* text, int capacity);

}  // namespace kolm
