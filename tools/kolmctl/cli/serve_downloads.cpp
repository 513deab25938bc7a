#include "serve_downloads.h"

#include <sstream>

#include "json_text.h"

namespace kolmctl {

namespace {

Download noCapture() {
    return {409, "no capture has ended since the last clear\n", "text/plain; charset=utf-8", ""};
}

}  // namespace

ServeDownloads::ServeDownloads(CaptureRecord& record, const std::string& pluginPath, std::string title,
                               std::vector<std::string> names)
    : record_(record),
      plugin_(pluginPath),
      title_(std::move(title)),
      names_(std::move(names)),
      file_(calibrationFile(pluginPath)),
      calibrations_(readCalibrations(file_)) {}

std::string ServeDownloads::channelsJson() {
    const std::lock_guard lock(m_);
    std::string out = "[";
    for (std::size_t k = 0; k < names_.size(); ++k) {
        out += (k ? ",{" : "{") + std::string("\"number\":") + std::to_string(k) +
               ",\"name\":" + json(names_[k]) + ",\"calibration\":";
        const auto& c = calibrations_[k];
        out += c ? "{\"name\":" + json(c->name) + ",\"unit\":" + json(c->unit) +
                       ",\"a\":" + jsonNumber(c->a) + ",\"b\":" + jsonNumber(c->b) + "}"
                 : "null";
        out += "}";
    }
    return out + "]";
}

ServeAnswer ServeDownloads::setCalibration(std::int32_t k, const std::string& body) {
    std::optional<Calibration> c;
    if (!body.empty()) {
        const auto o = parseFlatJson(body);
        const auto text = [&](const char* n) { return o && o->count(n) ? o->at(n).text : std::nullopt; };
        const auto number = [&](const char* n) { return o && o->count(n) ? o->at(n).number : std::nullopt; };
        if (!text("name") || !text("unit") || !number("a") || !number("b") ||
            text("name")->find('\n') != std::string::npos || text("unit")->find('\n') != std::string::npos)
            return {400,
                    R"({"error":"a calibration is {\"name\":\"T\",\"unit\":\"°C\",\"a\":20,\"b\":-10}"})"};
        c = Calibration{*text("name"), *text("unit"), *number("a"), *number("b")};
    }
    const std::lock_guard lock(m_);
    Calibrations changed = calibrations_;
    changed[static_cast<std::size_t>(k)] = c;
    try {
        writeCalibrations(file_, changed);
    } catch (const Error& e) {
        return {500, "{\"error\":" + json(e.message) + "}"};
    }
    calibrations_ = changed;
    return {200, "{\"file\":" + json(file_) + "}"};
}

Download ServeDownloads::csv(bool french) {
    const auto ended = record_.ended();
    if (!ended) return noCapture();
    CsvExtras extras;
    {
        const std::lock_guard lock(m_);
        extras = {calibrations_, file_, ended->events};
    }
    std::ostringstream text;
    const auto rows = csvRows({text, "the download"}, french ? kCsvFrench : kCsvRfc, plugin_, title_, extras);
    rows->begin(ended->capture);
    if (!record_.replay([&](const Row& r) { rows->row(ended->capture, r); }))
        return {500, "the readings could not be read back\n", "text/plain; charset=utf-8", ""};
    rows->flush(ended->capture, true);
    rows->end(ended->capture, ended->how);
    return {200, text.str(), "text/csv; charset=utf-8", french ? "kolm-fr.csv" : "kolm.csv"};
}

Download ServeDownloads::svg() {
    const auto ended = record_.ended();
    if (!ended) return noCapture();
    const Capture& c = ended->capture;
    PlotSeries series(c.plan.names, kPlotPoints);
    std::vector<double> volts;
    if (!record_.replay([&](const Row& r) { chartPoint(series, volts, r); }))
        return {500, "the readings could not be read back\n", "text/plain; charset=utf-8", ""};
    return {200, chartOf(c, title_, series), "image/svg+xml", "kolm.svg"};
}

}  // namespace kolmctl
