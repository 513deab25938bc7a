// Reading one of the plug-in's settings files whole (the port file, kolmsim.ini, a
// recording), as the plug-in and kolmctl both do: only a regular file is read, never
// a folder, a pipe or a device, and nothing waits on the way. The plug-in reads them
// while the host loads it (on Windows under the loader lock), so a FIFO whose writer
// never comes, a terminal or /dev/zero must answer at once rather than hold the load.
// One file per platform: settings_file_posix.cpp, settings_file_windows.cpp.
#pragma once

namespace kolm {

// What a read gives instead of a length.
constexpr int kNoSuchFile = -1;      // no such file
constexpr int kUnreadableFile = -2;  // there, but it cannot be opened or read (rights, its folder's name)
constexpr int kFolderNotFile = -3;   // a folder of that name
constexpr int kPipeNotFile = -4;     // a FIFO or a socket: a writer could hold the reader forever
constexpr int kDeviceNotFile = -5;   // a device (a terminal, /dev/zero, a serial line)
constexpr int kFileTooLong = -6;     // `capacity` - 1 bytes or longer

// Reads the regular file `path` into `text`, NUL-terminated: its length, or one of the
// answers above. The POSIX build defines the first, the Windows build the second (an
// absolute path, a drive's or a network share's, of any length).
int readSettingsFile(const char* path, char* text, int capacity);
int readSettingsFile(const wchar_t* path, char* text, int capacity);

}  // namespace kolm
