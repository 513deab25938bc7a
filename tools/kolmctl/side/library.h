// The platform's library loader, the one place kolmctl touches it: dlopen on Linux
// (library_posix.cpp), LoadLibraryA on Windows (library_windows.cpp).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace kolmctl {

class Library {
public:
    // nullptr, with the loader's message in `error`, when the loader refuses the file.
    static std::unique_ptr<Library> open(const std::string& path, std::string& error);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    const void* symbol(const char* name) const;
    // Where the library's file is mapped in this process: its segments (Linux) or its
    // image (Windows), code, constants and data alike.
    struct Range {
        const void* at;
        std::size_t size;
    };
    std::vector<Range> image() const;
    // The name under which this library exports exactly `address`; empty if none.
    std::string exportAt(const void* address) const;

private:
    explicit Library(void* handle) : handle_(handle) {}
    void* handle_;
};

// Copies `n` bytes from `from` if they can all be read, without faulting when they
// cannot: the plug-in's addresses are not trusted.
bool copyIfReadable(void* to, const void* from, std::size_t n);

// How this process reaches a parallel port now, as it shows from outside the plug-in:
// the ppdev device it holds open (Linux) or the port helper DLL loaded in it
// (Windows); empty when neither.
std::string portHandleHeld();
// Whether the simulated box (libkolmsim) stands in for the port in this process.
bool simulatedBoxLoaded();

}  // namespace kolmctl
