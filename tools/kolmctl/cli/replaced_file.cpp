#include "replaced_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "exit_codes.h"

namespace kolmctl {

namespace {

constexpr int kTries = 100;  // other kolmctl runs writing to the same target at once

Error cannotWrite(const std::string& path, int error) {
    return Error{kOutputFailed,
                 "cannot write " + path + (error != 0 ? std::string(": ") + std::strerror(error) : "")};
}

}  // namespace

ReplacedFile::ReplacedFile(const std::string& target) : target_(target) {
    int error = EEXIST;
    for (int n = 1; n <= kTries && error == EEXIST; ++n) {
        temporary_ = target + ".kolmctl-" + std::to_string(n) + ".tmp";
        error = createNew(temporary_);
    }
    if (error != 0) throw cannotWrite(target, error);
    errno = 0;
    out_.open(temporary_, std::ios::binary | std::ios::trunc);
    if (!out_) {
        error = errno;
        std::remove(temporary_.c_str());
        throw cannotWrite(target, error);
    }
}

void ReplacedFile::commit(bool keep) {
    errno = 0;
    out_.close();
    int error = out_ ? 0 : (errno != 0 ? errno : EIO);
    if (error == 0) error = replaceWith(temporary_, target_);
    if (error == 0) return;
    if (!keep) discard();
    throw cannotWrite(target_, error);
}

void ReplacedFile::discard() {
    if (out_.is_open()) out_.close();
    std::remove(temporary_.c_str());
}

}  // namespace kolmctl
