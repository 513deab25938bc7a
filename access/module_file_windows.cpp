// The file beside the plug-in on Windows: the folder of the DLL's own file, by its
// UTF-16 name, so that a folder named in any script, or deeper than MAX_PATH, is found.
#include <windows.h>

#include "module_file.h"
#include "win_module_path.h"

namespace kolm {

int readBesideModule(const char* name, char* text, int capacity) {
    WidePath path;
    if (!path.text || !placeNameBesideModule(ownModule(), name, path.text)) return kUnreadableFile;
    return readSettingsFile(path.text, text, capacity);
}

}  // namespace kolm
