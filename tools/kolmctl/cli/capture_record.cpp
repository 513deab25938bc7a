#include "capture_record.h"

#include <cstring>
#include <utility>

#include "serve_platform.h"

namespace kolmctl {

namespace {

// A row in the file: its slot, its time, then each channel's count, volts and flags.
constexpr std::size_t kHead = sizeof(long long) + sizeof(double);
constexpr std::size_t kValue = sizeof(std::int32_t) + sizeof(double) + 1;

template <typename T>
void put(unsigned char*& at, T v) {
    std::memcpy(at, &v, sizeof v);
    at += sizeof v;
}

template <typename T>
T get(const unsigned char*& at) {
    T v;
    std::memcpy(&v, at, sizeof v);
    at += sizeof v;
    return v;
}

}  // namespace

bool CaptureRecord::begin(const Capture& c) {
    ScratchFile file = scratchFile();
    if (!file) return false;  // the previous capture stays
    const std::lock_guard lock(m_);
    file_ = std::move(file);
    failed_ = false;
    channels_ = c.plan.channels.size();
    rows_ = 0;
    ended_.reset();
    events_.clear();
    buffer_.resize(kHead + channels_ * kValue);
    return true;
}

void CaptureRecord::add(const Row& r) {
    const std::lock_guard lock(m_);
    if (failed_) return;
    unsigned char* at = buffer_.data();
    put(at, static_cast<long long>(r.slot));
    put(at, r.seconds);
    for (const Reading& v : r.readings) {
        put(at, v.count);
        put(at, v.volts);
        put(at, static_cast<unsigned char>((v.valid ? 1 : 0) | (v.gap ? 2 : 0)));
    }
    failed_ = std::fwrite(buffer_.data(), buffer_.size(), 1, file_.get()) != 1;
    rows_ += failed_ ? 0 : 1;
}

void CaptureRecord::event(double seconds, const std::string& text) {
    const std::lock_guard lock(m_);
    events_.push_back({seconds, text});
}

void CaptureRecord::end(const Capture& c, Ending how) {
    const std::lock_guard lock(m_);
    if (file_) failed_ = failed_ || std::fflush(file_.get()) != 0;
    ended_ = Ended{c, how, events_};
}

void CaptureRecord::clear() {
    const std::lock_guard lock(m_);
    file_.reset();
    rows_ = 0;
    ended_.reset();
    events_.clear();
}

std::optional<CaptureRecord::Ended> CaptureRecord::ended() {
    const std::lock_guard lock(m_);
    return ended_;
}

bool CaptureRecord::replay(const std::function<void(const Row&)>& each) {
    const std::lock_guard lock(m_);
    if (failed_ || !file_ || std::fseek(file_.get(), 0, SEEK_SET) != 0) return false;
    std::vector<Reading> values(channels_);
    for (long n = 0; n < rows_; ++n) {
        if (std::fread(buffer_.data(), buffer_.size(), 1, file_.get()) != 1) return false;
        const unsigned char* at = buffer_.data();
        const auto slot = get<long long>(at);
        const auto seconds = get<double>(at);
        for (Reading& v : values) {
            v.count = get<std::int32_t>(at);
            v.volts = get<double>(at);
            const auto flags = get<unsigned char>(at);
            v.valid = (flags & 1) != 0;
            v.gap = (flags & 2) != 0;
        }
        each(Row{static_cast<long>(slot), seconds, values});
    }
    return std::fseek(file_.get(), 0, SEEK_END) == 0;
}

}  // namespace kolmctl
