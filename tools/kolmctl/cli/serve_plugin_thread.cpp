#include "serve_plugin_thread.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "capture_record.h"
#include "interrupts.h"
#include "json_text.h"
#include "schedule.h"

namespace kolmctl {

void cmdRelay(Plugin& p, const Args& args, Context& cx);

namespace {

constexpr std::int32_t kRelays = 4;
constexpr double kIdleWait = 0.2;     // seconds: Ctrl-C is looked at this often
constexpr double kTallyEvery = 0.25;  // seconds between updates of the capture's counts

struct Owner {
    Plugin& p;
    Context& cx;
    ServeHub& hub;
    CaptureRecord& record;
    bool virtualBox = false;
    std::vector<std::string> names{};  // each channel's, 0 and 1
    bool running = false;
    double started = 0.0;  // steadySeconds() of the running capture's start
};

std::string errorJson(const std::string& message) { return "{\"error\":" + json(message) + "}"; }

// The relay lines as kolmctl knows them: the virtual box's own, or as read before the
// load and set by each switch since; null where it does not know them.
std::string relaysJson(const Owner& o) {
    const auto lines = o.virtualBox ? o.p.boxLines() : o.cx.box.relays();
    if (!lines) return "null";
    std::string out = "[";
    for (std::int32_t k = 0; k < kRelays; ++k)
        out += std::string(k ? "," : "") + (((*lines >> k) & 1) ? "true" : "false");
    return out + "]";
}

std::string captureJson(const Owner& o, const Capture* c) {
    const CaptureTally t = c ? c->tally : CaptureTally{};
    std::string channels = "[";
    if (c)
        for (std::size_t k = 0; k < c->plan.channels.size(); ++k)
            channels += (k ? "," : "") + std::to_string(c->plan.channels[k]);
    return "{\"running\":" + std::string(o.running ? "true" : "false") + ",\"channels\":" + channels +
           "],\"rate\":" + (c && c->plan.period > 0 ? jsonNumber(1.0 / c->plan.period) : "null") +
           ",\"taken\":" + std::to_string(t.taken) + ",\"gaps\":" + std::to_string(t.gaps) +
           ",\"missed\":" + std::to_string(t.missed) + "}";
}

// The readings to the streams and the record; the capture's counts to /api/info now and then.
class PageOutput : public CaptureOutput {
public:
    explicit PageOutput(Owner& o) : o_(o) {}
    void begin(const Capture& c) override { o_.hub.setField("capture", captureJson(o_, &c)); }
    void row(const Capture& c, const Row& r) override {
        o_.record.add(r);
        std::string& l = line_;
        char buf[96];
        std::snprintf(buf, sizeof buf, "{\"slot\":%ld,\"t\":%.6f,\"values\":[", r.slot, r.seconds);
        l = buf;
        for (std::size_t k = 0; k < r.readings.size(); ++k) {
            const Reading& v = r.readings[k];
            std::snprintf(buf, sizeof buf,
                          "%s{\"channel\":%d,\"count\":%d,\"volts\":%s,\"gap\":%s,\"valid\":%s}",
                          k ? "," : "", static_cast<int>(c.plan.channels[k]), static_cast<int>(v.count),
                          v.gap ? "null" : jsonNumber(v.volts).c_str(), v.gap ? "true" : "false",
                          v.valid ? "true" : "false");
            l += buf;
        }
        l += "]}";
        o_.hub.publish("", l);
    }
    void flush(const Capture& c, bool last) override {
        const double now = steadySeconds();
        if (!last && now - shown_ < kTallyEvery) return;
        shown_ = now;
        o_.hub.setField("capture", captureJson(o_, &c));
    }
    void end(const Capture& c, Ending how) override { o_.record.end(c, how); }

private:
    Owner& o_;
    std::string line_;
    double shown_ = 0.0;
};

ServeAnswer switchRelay(Owner& o, const ServeCommand& c) {
    std::ostringstream said;
    Context relayCx{said, said, false, o.cx.session};
    relayCx.box = o.cx.box;
    try {
        cmdRelay(o.p, {std::to_string(c.relay), c.on ? "on" : "off"}, relayCx);
    } catch (const Error& e) {
        o.cx.box = relayCx.box;
        return {502, errorJson(e.message)};
    }
    o.cx.box = relayCx.box;
    const std::string relays = relaysJson(o);
    o.hub.setField("relays", relays);
    const double t = o.running ? steadySeconds() - o.started : NAN;
    if (o.running) o.record.event(t, "relay " + std::to_string(c.relay) + (c.on ? " on" : " off"));
    o.hub.publish("relay", "{\"relay\":" + std::to_string(c.relay) + ",\"on\":" + (c.on ? "true" : "false") +
                               ",\"t\":" + jsonNumber(t) + ",\"relays\":" + relays + "}");
    return {200, "{\"relays\":" + relays + "}"};
}

// What a capture is asked for, checked; empty where it can be taken.
std::string refusal(const ServeCommand& c) {
    if (c.channels.empty() || c.channels.size() > 2) return "channels must be [0], [1] or [0,1]";
    if (std::ranges::any_of(c.channels, [](std::int32_t ch) { return ch != 0 && ch != 1; }))
        return "the interface reads channels 0 and 1";
    if (c.channels.size() == 2 && c.channels[0] == c.channels[1]) return "a channel is given twice";
    if (!(c.rate >= kSlowestRate && c.rate <= kFastestRate)) return "rate must be from 0.001 to 10000 Hz";
    if (!(c.duration >= 0 && c.duration <= kLongestDuration))
        return "duration must be from 0 (until stopped) to 1000 h";
    if (c.duration * c.rate > static_cast<double>(kMostReadings)) return "that makes too many readings";
    return {};
}

void runJob(Owner& o, ServeHub::Job& job);

void startCapture(Owner& o, ServeHub::Job& job) {
    const ServeCommand& cmd = job.command;
    if (o.running) return job.answer({409, errorJson("a capture is running: stop it first")});
    if (const std::string no = refusal(cmd); !no.empty()) return job.answer({400, errorJson(no)});
    const Listed* entry = nullptr;
    try {
        entry = &require(o.p, "EA", {Type::Int});
    } catch (const Error& e) {
        return job.answer({400, errorJson(e.message)});
    }
    Capture c;
    const long count =
        cmd.duration > 0 ? std::max(1L, static_cast<long>(std::ceil(cmd.duration * cmd.rate - 1e-9))) : 0;
    c.plan = {cmd.channels, {}, Values::Both, count, 1.0 / cmd.rate, cmd.duration};
    for (std::int32_t ch : cmd.channels) c.plan.names.push_back(o.names[static_cast<std::size_t>(ch)]);
    if (!o.record.begin(c))
        return job.answer({500, errorJson("no scratch file for the capture's readings could be made "
                                          "in the temporary folder (TMPDIR)")});
    o.running = true;
    o.started = steadySeconds();
    o.hub.setRunning(true);
    job.answer({200, "{\"running\":true}"});
    o.hub.publish("capture", "{\"running\":true}");
    std::vector<std::unique_ptr<CaptureOutput>> outputs;
    outputs.push_back(std::make_unique<PageOutput>(o));
    std::string ending = "stopped";
    std::string message;
    const CapturePause pause = [&](double seconds) {
        if (auto next = o.hub.take(seconds)) runJob(o, *next);
        return o.hub.stopAsked();
    };
    try {
        const Ending how = acquire(o.p, *entry, c, outputs, o.cx.box, pause);
        if (how == Ending::Done) ending = "done";
    } catch (const Error& e) {
        ending = "failed";
        message = e.message;
        o.record.end(c, Ending::OutputFailed);
    }
    o.running = false;
    o.hub.setRunning(false);
    o.hub.setField("capture", captureJson(o, &c));
    o.hub.publish("capture",
                  "{\"running\":false,\"ending\":" + json(ending) + ",\"message\":" + json(message) + "}");
}

void runJob(Owner& o, ServeHub::Job& job) {
    switch (job.command.kind) {
    case ServeCommand::Kind::Start: return startCapture(o, job);
    case ServeCommand::Kind::Relay: return job.answer(switchRelay(o, job.command));
    case ServeCommand::Kind::Clear:
        if (o.running) return job.answer({409, errorJson("a capture is running: stop it first")});
        o.record.clear();
        o.hub.setField("capture", captureJson(o, nullptr));
        o.hub.publish("capture", R"({"running":false,"ending":"cleared","message":""})");
        return job.answer({200, "{}"});
    }
}

}  // namespace

std::vector<std::string> channelNames(Plugin& p) {
    std::vector<std::string> names;
    for (std::int32_t ch = 0; ch < 2; ++ch) {
        const std::string n = nameText(p, "NEA", ch);
        names.push_back(n.empty() ? "channel " + std::to_string(ch) : n);
    }
    return names;
}

void runPluginThread(Plugin& p, Context& cx, ServeHub& hub, CaptureRecord& record,
                     const std::vector<std::string>& names) {
    Owner o{p, cx, hub, record};
    o.virtualBox = virtualBox(p);
    o.names = names;
    hub.setField("title", json(titleText(p, "titre")));
    hub.setField("file", json(std::filesystem::path(p.path()).filename().string()));
    hub.setField("virtual", o.virtualBox ? "true" : "false");
    hub.setField("access", json(o.virtualBox       ? "the virtual box inside the plug-in"
                                : cx.box.reached() ? "the port answers"
                                                   : "not tried yet"));
    hub.setField("relays", relaysJson(o));
    hub.setField("capture", captureJson(o, nullptr));
    hub.setField("max_rate", jsonNumber(kFastestRate));
    while (!interrupted())
        if (auto job = hub.take(kIdleWait)) runJob(o, *job);
    hub.close();
}

}  // namespace kolmctl
