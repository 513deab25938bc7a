// The pieces of kolmctl's JSON answers (ports --json, info --json, lines --json): texts
// as JSON strings, and the facts they share, each written one way wherever it appears.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "json_text.h"

namespace kolmctl {

struct FileKind;
struct PortSetting;

// `text` without the two spaces that indent each of its lines in the text form.
std::string unindented(const std::string& text);
// {"reason": WORD, "advice": TEXT}, or null where `reason` is; the advice's lines
// without the two spaces that indent them in the text form.
std::string jsonProblem(const char* reason, const std::string& advice);
// {"container": "ELF", "machine": "x86-64", "text": "x86-64 Linux shared object (ELF)"}.
std::string jsonKind(const FileKind& kind);
// The relays as the lines D0-D3 hold them, [false, true, ...]; null where not known.
std::string jsonRelays(std::optional<std::uint8_t> lines);
// A plug-in's port file: "file", "present", "base" (0: no port) and "problem".
std::string jsonPortFile(const PortSetting& s);

}  // namespace kolmctl
