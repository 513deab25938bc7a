// kolmctl serve's HTTP side: the page and the API, on threads of their own, that reach
// the plug-in only through the hub (serve_hub.h) and the capture's record.
#pragma once

#include <memory>
#include <string>

#include "serve_access.h"

namespace kolmctl {

class ServeHub;

// This machine's IPv4 address on the network: the one a route outward picks (nothing is
// sent); empty where there is no such route.
std::string networkAddress();

class ServeDownloads;

class HttpServer {
public:
    HttpServer(ServeHub& hub, ServeDownloads& downloads, std::string token);
    ~HttpServer();  // stops it
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds `address` and `port` (0: a free one); the port it has. Error kFailed where it cannot.
    int bind(const std::string& address, int port);
    void start();  // answers requests from now on, on its own threads
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kolmctl
