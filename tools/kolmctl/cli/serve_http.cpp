#include "serve_http.h"

#include <thread>

// The server's bounds: threads (so clients at once), the request line and each header.
#define CPPHTTPLIB_THREAD_POOL_COUNT      48
#define CPPHTTPLIB_REQUEST_URI_MAX_LENGTH 2048
#define CPPHTTPLIB_HEADER_MAX_LENGTH      4096
#include <httplib.h>

#include "exit_codes.h"
#include "json_text.h"
#include "serve_downloads.h"
#include "serve_hub.h"
#include "serve_page.h"
#include "serve_platform.h"

namespace kolmctl {

namespace {

constexpr std::size_t kMostBody = 4096;   // bytes: the API's bodies are a few words
constexpr std::size_t kMostHeaders = 48;  // a browser sends about 15
constexpr int kStreamQuiet = 15000;       // ms: a stream says it is alive this often
// bytes the system may hold for one client: a page that stops reading falls behind the
// events kolmctl keeps in seconds, instead of hiding megabytes in the system's buffers.
constexpr int kSendBuffer = 64 * 1024;

using HttpRequest = httplib::Request;
using HttpResponse = httplib::Response;

void text(HttpResponse& res, int status, const std::string& body) {
    res.status = status;
    res.set_content(body + "\n", "text/plain; charset=utf-8");
}

void answer(HttpResponse& res, const ServeAnswer& a) {
    res.status = a.status;
    res.set_content(a.json, "application/json");
}

std::string bearer(const HttpRequest& req) {
    const std::string auth = req.get_header_value("Authorization");
    const std::string scheme = "Bearer ";
    return auth.rfind(scheme, 0) == 0 ? auth.substr(scheme.size()) : std::string();
}

std::string clientOf(const HttpRequest& req) {
    const std::string id = req.get_header_value("X-Kolm-Client");
    return id.empty() ? req.get_param_value("client") : id;
}

std::optional<std::int32_t> indexIn(const HttpRequest& req, std::int32_t count) {
    const std::string k = req.matches[1];
    if (k.size() != 1 || k[0] < '0' || k[0] >= '0' + count) return std::nullopt;
    return k[0] - '0';
}

}  // namespace

struct HttpServer::Impl {
    ServeHub& hub;
    ServeDownloads& downloads;
    std::string token;
    Listening at;
    httplib::Server server;
    std::thread listening;

    // The checks every request passes before it is routed: its size, its Host and
    // Origin, its token.
    httplib::Server::HandlerResponse admit(const HttpRequest& req, HttpResponse& res) const {
        using R = httplib::Server::HandlerResponse;
        if (req.headers.size() > kMostHeaders) return text(res, 431, "too many header fields"), R::Handled;
        if (!hostAllowed(req.get_header_value("Host"), at))
            return text(res, 403, "this server answers only requests sent to its own address"), R::Handled;
        if (req.has_header("Origin") && !originAllowed(req.get_header_value("Origin"), at))
            return text(res, 403, "requests from other sites' pages are refused"), R::Handled;
        const std::string given = req.has_param("token") ? req.get_param_value("token") : bearer(req);
        if (!sameToken(given, token))
            return text(res, 401, "the token is missing or wrong: open the address kolmctl printed"),
                   R::Handled;
        res.set_header("Cache-Control", "no-store");
        res.set_header("Referrer-Policy", "no-referrer");
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("X-Frame-Options", "DENY");
        return R::Unhandled;
    }

    std::string info(const HttpRequest& req) {
        return "{\"title\":" + hub.field("title") + ",\"file\":" + hub.field("file") +
               ",\"virtual\":" + hub.field("virtual") + ",\"access\":" + hub.field("access") +
               ",\"channels\":" + downloads.channelsJson() + ",\"relays\":" + hub.field("relays") +
               ",\"capture\":" + hub.field("capture") + ",\"max_rate\":" + hub.field("max_rate") +
               ",\"controller\":" + (hub.controls(clientOf(req)) ? "true" : "false") + "}";
    }

    void stream(const HttpRequest& req, HttpResponse& res) {
        const std::string client = clientOf(req);
        if (!hub.openStream(client)) return text(res, 503, "too many clients: close a page and try again");
        auto next = std::make_shared<std::uint64_t>(hub.nextEvent());
        ServeHub& h = hub;
        res.set_chunked_content_provider(
            "text/event-stream; charset=utf-8",
            [&h, next](std::size_t offset, httplib::DataSink& sink) {
                if (offset == 0) return sink.write(": kolmctl\n\n", 11);
                std::string events;
                switch (h.read(*next, events, kStreamQuiet)) {
                case ServeHub::Read::Events: return sink.write(events.data(), events.size());
                case ServeHub::Read::Quiet: return sink.write(": quiet\n\n", 9);
                case ServeHub::Read::TooSlow: {
                    // It fell behind what is kept: cut off, it reloads what it needs.
                    const std::string said = "event: overrun\ndata: {}\n\n";
                    sink.write(said.data(), said.size());
                    sink.done();
                    return true;
                }
                case ServeHub::Read::Closed: sink.done(); return true;
                }
                return false;
            },
            [&h, client](bool) { h.closeStream(client); });
    }

    void relay(const HttpRequest& req, HttpResponse& res) {
        const auto k = indexIn(req, 4);
        if (!k || (req.body != "on" && req.body != "off"))
            return answer(res, {400, R"({"error":"PUT /api/relays/K (0 to 3) with the body on or off"})"});
        if (!hub.takeControl(clientOf(req)))
            return answer(res, {409, R"({"error":"another page switches the relays"})"});
        ServeCommand c;
        c.kind = ServeCommand::Kind::Relay;
        c.relay = *k;
        c.on = req.body == "on";
        answer(res, hub.post(c));
    }

    void start(const HttpRequest& req, HttpResponse& res) {
        const auto o = parseFlatJson(req.body);
        ServeCommand c;
        const auto number = [&](const char* name, double otherwise) {
            const auto f = o->find(name);
            return f == o->end() ? std::optional(otherwise) : f->second.number;
        };
        const auto channels = o ? o->find("channels") : decltype(o->find(""))();
        const auto rate = o ? number("rate", 10.0) : std::nullopt;
        const auto duration = o ? number("duration", 0.0) : std::nullopt;
        if (!o || !rate || !duration || (channels != o->end() && !channels->second.numbers))
            return answer(
                res, {400, R"({"error":"POST /api/capture/start with {\"channels\":[0,1],\"rate\":10}"})"});
        c.channels = {0, 1};
        if (channels != o->end()) {
            c.channels.clear();
            for (double ch : *channels->second.numbers)
                c.channels.push_back(static_cast<std::int32_t>(ch == 1 ? 1 : ch == 0 ? 0 : -1));
        }
        c.rate = *rate;
        c.duration = *duration;
        answer(res, hub.post(c));
    }

    void routes() {
        server.set_payload_max_length(kMostBody);
        // Set on the listening socket, inherited by each connection it accepts.
        server.set_socket_options([](socket_t s) {
            listenAlone(static_cast<std::uintptr_t>(s));
            setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&kSendBuffer),
                       sizeof kSendBuffer);
        });
        server.set_pre_routing_handler(
            [this](const HttpRequest& req, HttpResponse& res) { return admit(req, res); });
        server.Get("/", [](const HttpRequest&, HttpResponse& res) {
            const std::string_view page = servePage();
            res.set_content(page.data(), page.size(), "text/html; charset=utf-8");
        });
        server.Get("/api/info", [this](const HttpRequest& req, HttpResponse& res) {
            answer(res, {200, info(req)});
        });
        server.Get("/api/stream", [this](const HttpRequest& req, HttpResponse& res) { stream(req, res); });
        server.Put(R"(/api/relays/(\d+))",
                   [this](const HttpRequest& req, HttpResponse& res) { relay(req, res); });
        server.Post("/api/capture/start",
                    [this](const HttpRequest& req, HttpResponse& res) { start(req, res); });
        server.Post("/api/capture/stop", [this](const HttpRequest&, HttpResponse& res) {
            hub.askStop();
            answer(res, {200, "{}"});
        });
        server.Post("/api/capture/clear", [this](const HttpRequest&, HttpResponse& res) {
            ServeCommand c;
            c.kind = ServeCommand::Kind::Clear;
            answer(res, hub.post(c));
        });
        server.Put(R"(/api/calibration/(\d+))", [this](const HttpRequest& req, HttpResponse& res) {
            const auto k = indexIn(req, 2);
            answer(res, k ? downloads.setCalibration(*k, req.body)
                          : ServeAnswer{400, R"({"error":"channel 0 or 1"})"});
            if (res.status == 200) hub.publish("calibration", downloads.channelsJson());
        });
        server.Delete(R"(/api/calibration/(\d+))", [this](const HttpRequest& req, HttpResponse& res) {
            const auto k = indexIn(req, 2);
            answer(res,
                   k ? downloads.setCalibration(*k, "") : ServeAnswer{400, R"({"error":"channel 0 or 1"})"});
            if (res.status == 200) hub.publish("calibration", downloads.channelsJson());
        });
        server.Get("/api/capture.csv", [this](const HttpRequest& req, HttpResponse& res) {
            const Download d = downloads.csv(req.get_param_value("lang") == "fr");
            res.status = d.status;
            res.set_content(d.body, d.type);
            if (d.status == 200)
                res.set_header("Content-Disposition", "attachment; filename=\"" + d.name + "\"");
        });
        server.Get("/api/capture.svg", [this](const HttpRequest&, HttpResponse& res) {
            const Download d = downloads.svg();
            res.status = d.status;
            res.set_content(d.body, d.type);
            if (d.status == 200)
                res.set_header("Content-Disposition", "attachment; filename=\"" + d.name + "\"");
        });
    }
};

std::string networkAddress() {
    const socket_t s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) return {};
    sockaddr_in outward{};
    outward.sin_family = AF_INET;
    outward.sin_port = htons(9);
    inet_pton(AF_INET, "198.51.100.1", &outward.sin_addr);  // a documentation address
    sockaddr_in own{};
    socklen_t size = sizeof own;
    char text[INET_ADDRSTRLEN] = "";
    const bool found = connect(s, reinterpret_cast<const sockaddr*>(&outward), sizeof outward) == 0 &&
                       getsockname(s, reinterpret_cast<sockaddr*>(&own), &size) == 0 &&
                       inet_ntop(AF_INET, &own.sin_addr, text, sizeof text) != nullptr;
    httplib::detail::close_socket(s);
    return found ? text : std::string();
}

HttpServer::HttpServer(ServeHub& hub, ServeDownloads& downloads, std::string token)
    : impl_(new Impl{hub, downloads, std::move(token), {}, {}, {}}) {
    impl_->routes();
}

HttpServer::~HttpServer() { stop(); }

int HttpServer::bind(const std::string& address, int port) {
    const int bound = port == 0                                   ? impl_->server.bind_to_any_port(address)
                      : impl_->server.bind_to_port(address, port) ? port
                                                                  : -1;
    if (bound <= 0)
        throw Error{kFailed, "cannot listen on " + address + ":" + std::to_string(port) +
                                 (port != 0 ? " (is the port in use? --port 0 picks a free one)" : "")};
    impl_->at = {address, bound};
    return bound;
}

void HttpServer::start() {
    impl_->listening = std::thread([this] { impl_->server.listen_after_bind(); });
}

void HttpServer::stop() {
    impl_->hub.close();
    impl_->server.stop();
    if (impl_->listening.joinable()) impl_->listening.join();
}

}  // namespace kolmctl
