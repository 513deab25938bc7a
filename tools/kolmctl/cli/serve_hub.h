// What kolmctl serve's threads share. The plug-in belongs to one thread (the owner: it
// runs the captures and the relay switches); the HTTP threads post commands to it and
// read what it publishes: the readings, the relay switches and the capture's start and
// end, as events in a bounded buffer that each stream reads at its own pace. A stream
// that falls further behind than the buffer holds is cut off, so memory stays bounded.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kolmctl {

// What an HTTP request asks of the plug-in's thread.
struct ServeCommand {
    enum class Kind { Start, Relay, Clear } kind = Kind::Start;
    std::vector<std::int32_t> channels;  // Start
    double rate = 0.0;                   // Start: readings a second
    double duration = 0.0;               // Start: seconds; 0: until stopped
    std::int32_t relay = 0;              // Relay
    bool on = false;                     // Relay
};

// Its answer: an HTTP status and a JSON body.
struct ServeAnswer {
    int status = 200;
    std::string json;
};

class ServeHub {
public:
    ServeHub();
    // The most streams open at once (the page of each screen of a class).
    static constexpr std::size_t kMostStreams = 32;

    // --- the HTTP threads ---
    // Runs `c` on the plug-in's thread and waits for its answer (503 if none comes in time
    // or the server is ending).
    ServeAnswer post(const ServeCommand& c);
    void askStop();  // the running capture ends at its next slot

    enum class Read { Events, Quiet, TooSlow, Closed };
    // The events from `next` on into `text` (SSE-framed), waiting up to `waitMs` for one.
    Read read(std::uint64_t& next, std::string& text, int waitMs);
    std::uint64_t nextEvent();  // where a new stream starts: the next event published

    // A stream of client `id` opens (false: too many are open) and closes.
    bool openStream(const std::string& id);
    void closeStream(const std::string& id);
    // Whether client `id` may switch the relays: it does, or no open stream does.
    bool takeControl(const std::string& id);
    bool controls(const std::string& id);

    // The JSON value of a named field of /api/info, as the owner last set it.
    std::string field(const std::string& name);
    void setField(const std::string& name, const std::string& json);

    // --- the plug-in's thread ---
    // A posted command, waiting up to `seconds` for one; run it and call `answer`.
    struct Job {
        ServeCommand command;
        std::function<void(ServeAnswer)> answer;
    };
    std::optional<Job> take(double seconds);
    void publish(const std::string& event, const std::string& json);  // "": a reading
    bool stopAsked();                                                 // and clears the request
    void setRunning(bool running);

    // Ends the streams and refuses further commands.
    void close();
    bool closed();

private:
    struct Pending;
    std::mutex m_;
    std::condition_variable events_;
    std::condition_variable jobs_;
    std::deque<std::string> kept_;
    std::uint64_t first_ = 0;  // the number of kept_.front()
    const std::size_t mostKept_;
    std::deque<std::shared_ptr<Pending>> pending_;
    std::multiset<std::string> streams_;
    std::string controller_;
    std::map<std::string, std::string> fields_;
    bool stop_ = false, running_ = false, closed_ = false;
};

}  // namespace kolmctl
