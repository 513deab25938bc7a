#include "serve_hub.h"

#include <chrono>
#include <cstdlib>

namespace kolmctl {

namespace {

constexpr auto kAnswerWait = std::chrono::seconds(20);  // a switch waits at most a slot of 10 s
constexpr std::size_t kMostBytesAtOnce = 1 << 16;       // what one write to a stream takes at most

// The most events kept for the streams: at 1000 readings a second, 30 s of them.
// KOLMCTL_SERVE_EVENTS_KEPT keeps fewer, so that a test overruns a slow stream in a second.
std::size_t mostEventsKept() {
    const char* set = std::getenv("KOLMCTL_SERVE_EVENTS_KEPT");
    const long n = set != nullptr ? std::strtol(set, nullptr, 10) : 0;
    return n > 0 && n < 30000 ? static_cast<std::size_t>(n) : 30000;
}

}  // namespace

// A command and its answer, shared by the thread that waits and the one that runs it.
struct ServeHub::Pending {
    ServeCommand command;
    std::mutex m;
    std::condition_variable done;
    std::optional<ServeAnswer> answer;
};

ServeHub::ServeHub() : mostKept_(mostEventsKept()) {}

ServeAnswer ServeHub::post(const ServeCommand& c) {
    auto p = std::make_shared<Pending>();
    p->command = c;
    {
        const std::lock_guard lock(m_);
        if (closed_) return {503, R"({"error":"kolmctl is ending"})"};
        pending_.push_back(p);
    }
    jobs_.notify_all();
    std::unique_lock lock(p->m);
    if (!p->done.wait_for(lock, kAnswerWait, [&] { return p->answer.has_value(); }))
        return {503, R"({"error":"the plug-in did not answer in time"})"};
    return *p->answer;
}

std::optional<ServeHub::Job> ServeHub::take(double seconds) {
    std::unique_lock lock(m_);
    jobs_.wait_for(lock, std::chrono::duration<double>(seconds),
                   [&] { return !pending_.empty() || stop_ || closed_; });
    if (pending_.empty()) return std::nullopt;
    std::shared_ptr<Pending> p = pending_.front();
    pending_.pop_front();
    return Job{p->command, [p](ServeAnswer a) {
                   {
                       const std::lock_guard l(p->m);
                       p->answer = std::move(a);
                   }
                   p->done.notify_all();
               }};
}

void ServeHub::askStop() {
    {
        const std::lock_guard lock(m_);
        stop_ = running_;
    }
    jobs_.notify_all();
}

bool ServeHub::stopAsked() {
    const std::lock_guard lock(m_);
    const bool asked = stop_ || closed_;
    stop_ = false;
    return asked;
}

void ServeHub::setRunning(bool running) {
    const std::lock_guard lock(m_);
    running_ = running;
    stop_ = false;
}

void ServeHub::publish(const std::string& event, const std::string& json) {
    {
        const std::lock_guard lock(m_);
        std::string text = event.empty() ? std::string() : "event: " + event + "\n";
        text += "data: " + json + "\n\n";
        kept_.push_back(std::move(text));
        if (kept_.size() > mostKept_) {
            kept_.pop_front();
            ++first_;
        }
    }
    events_.notify_all();
}

std::uint64_t ServeHub::nextEvent() {
    const std::lock_guard lock(m_);
    return first_ + kept_.size();
}

ServeHub::Read ServeHub::read(std::uint64_t& next, std::string& text, int waitMs) {
    std::unique_lock lock(m_);
    events_.wait_for(lock, std::chrono::milliseconds(waitMs),
                     [&] { return closed_ || next < first_ + kept_.size(); });
    if (closed_) return Read::Closed;
    if (next < first_) return Read::TooSlow;
    text.clear();
    for (; next < first_ + kept_.size() && text.size() < kMostBytesAtOnce; ++next)
        text += kept_[static_cast<std::size_t>(next - first_)];
    return text.empty() ? Read::Quiet : Read::Events;
}

bool ServeHub::openStream(const std::string& id) {
    const std::lock_guard lock(m_);
    if (closed_ || streams_.size() >= kMostStreams) return false;
    streams_.insert(id);
    return true;
}

void ServeHub::closeStream(const std::string& id) {
    const std::lock_guard lock(m_);
    if (const auto s = streams_.find(id); s != streams_.end()) streams_.erase(s);
}

bool ServeHub::takeControl(const std::string& id) {
    const std::lock_guard lock(m_);
    if (!controller_.empty() && controller_ != id && streams_.contains(controller_)) return false;
    controller_ = id;
    return true;
}

bool ServeHub::controls(const std::string& id) {
    const std::lock_guard lock(m_);
    return controller_ == id || controller_.empty() || !streams_.contains(controller_);
}

std::string ServeHub::field(const std::string& name) {
    const std::lock_guard lock(m_);
    const auto f = fields_.find(name);
    return f == fields_.end() ? "null" : f->second;
}

void ServeHub::setField(const std::string& name, const std::string& json) {
    const std::lock_guard lock(m_);
    fields_[name] = json;
}

void ServeHub::close() {
    {
        const std::lock_guard lock(m_);
        closed_ = true;
        for (const auto& p : pending_) {
            const std::lock_guard l(p->m);
            p->answer = ServeAnswer{503, R"({"error":"kolmctl is ending"})"};
            p->done.notify_all();
        }
        pending_.clear();
    }
    events_.notify_all();
    jobs_.notify_all();
}

bool ServeHub::closed() {
    const std::lock_guard lock(m_);
    return closed_;
}

}  // namespace kolmctl
