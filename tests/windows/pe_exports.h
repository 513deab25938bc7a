// The export table of a DLL as its file on disk carries it.
#pragma once

#include <string>
#include <vector>

struct PeExport {
    unsigned ordinal;
    std::string name;
};

struct PeExportTable {
    bool ok = false;
    std::string moduleName;
    unsigned ordinalBase = 0;
    unsigned functionCount = 0;
    std::vector<PeExport> named;  // in the file's name order
};

PeExportTable readPeExports(const char* path);
