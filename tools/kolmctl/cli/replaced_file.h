// A file kolmctl writes (a chart, a capture's rows), written beside its target under a
// temporary name and put in the target's place only when whole: an earlier file of
// that name survives whatever ends kolmctl before.
#pragma once

#include <fstream>
#include <string>

namespace kolmctl {

class ReplacedFile {
public:
    // Creates the temporary file; Error kOutputFailed, with the system's reason, if it cannot.
    explicit ReplacedFile(const std::string& target);
    ReplacedFile(const ReplacedFile&) = delete;
    ReplacedFile& operator=(const ReplacedFile&) = delete;

    std::ostream& stream() { return out_; }
    const std::string& temporary() const { return temporary_; }
    // Closes it and puts it in the target's place; Error kOutputFailed if it cannot,
    // the temporary file then kept, or removed where `keep` is false.
    void commit(bool keep);
    // Removes the temporary file.
    void discard();

private:
    std::string target_;
    std::string temporary_;
    std::ofstream out_;
};

// The platform's part (replaced_file_posix.cpp, replaced_file_windows.cpp), each 0 or
// the errno value of why not: creates `path` empty where nothing is; puts `from` in
// place of `to`, over a file there.
int createNew(const std::string& path);
int replaceWith(const std::string& from, const std::string& to);

}  // namespace kolmctl
