// serve: the page and the HTTP API of one loaded plug-in, until Ctrl-C. The command's
// own thread keeps the plug-in (serve_plugin_thread.h); the HTTP threads reach it
// through the hub.
#include "capture_record.h"
#include "interrupts.h"
#include "options.h"
#include "serve_downloads.h"
#include "serve_http.h"
#include "serve_platform.h"
#include "serve_plugin_thread.h"

namespace kolmctl {

namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr const char* kAll = "0.0.0.0";

struct ServeOptions {
    int port = 0;
    std::string listen = kLoopback;
    bool open = false;
};

const OptionRule kServeOptions[] = {
    {"--port", "a port number (0: a free one)", nullptr},
    {"--listen", "an IPv4 address of this machine (0.0.0.0: all)", nullptr},
    {"--open", nullptr, nullptr},
};

// An IPv4 address in its four numbers.
bool ipv4(const std::string& s) {
    int parts = 0;
    std::size_t at = 0;
    while (at <= s.size()) {
        const std::size_t dot = std::min(s.find('.', at), s.size());
        const std::string part = s.substr(at, dot - at);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(part) > 255)
            return false;
        ++parts;
        at = dot + 1;
    }
    return parts == 4;
}

ServeOptions parse(const Args& args) {
    const Options o = parseOptions(args, kServeOptions);
    noArgs(o.operands);
    ServeOptions s;
    if (o.has("--port")) {
        s.port = parseInt(o.value("--port", ""), "--port");
        if (s.port < 0 || s.port > 65535) throw Error{kUsage, "--port must be from 0 (a free one) to 65535"};
    }
    s.listen = o.value("--listen", kLoopback);
    if (!ipv4(s.listen))
        throw Error{
            kUsage,
            "--listen must be an IPv4 address of this machine such as 192.168.1.20 (0.0.0.0: all), not \"" +
                s.listen + "\""};
    s.open = o.has("--open");
    return s;
}

}  // namespace

void checkServe(const Args& args) { parse(args); }

void cmdServe(Plugin& p, const Args& args, Context& cx) {
    const ServeOptions o = parse(args);
    cx.box.requirePort(p);
    const std::vector<std::string> names = channelNames(p);
    CaptureRecord record;
    ServeDownloads downloads(record, p.path(), titleText(p, "titre"), names);
    ServeHub hub;
    const std::string token = randomToken();
    HttpServer server(hub, downloads, token);
    const int port = server.bind(o.listen, o.port);
    const auto address = [&](const std::string& host) {
        return "http://" + host + ":" + std::to_string(port) + "/?token=" + token;
    };
    // On all addresses, this machine's own one for the first line, the network's for the class.
    const std::string url = address(o.listen == kAll ? kLoopback : o.listen);
    cx.out << url << "\n";
    cx.out.flush();
    if (const std::string own = networkAddress(); o.listen == kAll && !own.empty())
        remark(cx.err, "on the network: " + address(own));
    if (o.listen != kLoopback)
        remark(cx.err, "listening on " + o.listen +
                           ": anyone on the network with this address (token included) sees the readings, "
                           "starts captures and switches the relays");
    server.start();
    if (o.open && !openBrowser(url)) remark(cx.err, "no browser could be opened: open the address above");
    remark(cx.err, "serving the page until Ctrl-C");
    runPluginThread(p, cx, hub, record, names);
    server.stop();
    remark(cx.err, "stopped serving (" + interruptName() + ")");
}

}  // namespace kolmctl
