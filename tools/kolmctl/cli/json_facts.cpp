#include "json_facts.h"

#include <cstdio>

#include "advice.h"
#include "file_kind.h"
#include "json_text.h"
#include "machine_ports.h"
#include "plugin_ports.h"

namespace kolmctl {

namespace {

const char* portFileWord(kolm::PortFile state) {
    switch (state) {
    case kolm::PortFile::unreadable: return "unreadable";
    case kolm::PortFile::noBase: return "noBase";
    case kolm::PortFile::notANumber: return "notANumber";
    case kolm::PortFile::outOfRange: return "outOfRange";
    case kolm::PortFile::notAligned: return "notAligned";
    case kolm::PortFile::twoBases: return "twoBases";
    default: return nullptr;
    }
}

}  // namespace

std::string unindented(const std::string& text) {
    std::string lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::size_t from = text.compare(at, 2, "  ") == 0 ? at + 2 : at;
        lines += text.substr(from, end - from) + (end < text.size() ? "\n" : "");
        at = end + 1;
    }
    return lines;
}

std::string jsonProblem(const char* reason, const std::string& advice) {
    if (reason == nullptr) return "null";
    return "{\"reason\": " + json(reason) + ", \"advice\": " + jsonOrNull(unindented(advice)) + "}";
}

std::string jsonKind(const FileKind& kind) {
    const char* container = kind.container == Container::Elf  ? "\"ELF\""
                            : kind.container == Container::Pe ? "\"PE\""
                                                              : "null";
    const char* machine = kind.machine == Machine::I386     ? "i386"
                          : kind.machine == Machine::X86_64 ? "x86-64"
                                                            : "other";
    return std::string("{\"container\": ") + container + ", \"machine\": " + json(machine) +
           ", \"text\": " + json(describe(kind)) + "}";
}

std::string jsonRelays(std::optional<std::uint8_t> lines) {
    if (!lines) return "null";
    std::string list = "[";
    for (int k = 0; k < 4; ++k) list += std::string(k > 0 ? ", " : "") + jsonBool(((*lines >> k) & 1) != 0);
    return list + "]";
}

std::string jsonPortFile(const PortSetting& s) {
    return "\"file\": " + json(systemTextAsUtf8(s.file)) +
           ", \"present\": " + jsonBool(s.state != kolm::PortFile::absent) +
           ", \"base\": " + std::to_string(s.base) +
           ", \"problem\": " + jsonProblem(portFileWord(s.state), portFileWords(s));
}

}  // namespace kolmctl
