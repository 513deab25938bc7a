// What a plug-in's directory says, fed anything: the directory-text parser, the
// Windows-1252 conversion that shows a text, the decoders of the answers kolmctl gets
// from the plug-in's side (which a hostile plug-in can write into), and the virtual
// box's panel looked for in the plug-in's memory.
// A text that parses must describe the same signature again.
#include <cstdint>
#include <string>
#include <vector>

#include "box_panel.h"
#include "cp1252.h"
#include "fuzz_check.h"
#include "messages.h"
#include "signature.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text =
        bytes.substr(0, bytes.find('\0'));  // up to the first NUL, as the plug-in's text ends
    std::string why;
    const auto sig = kolmctl::parseSignature(text.c_str(), &why);
    KOLM_CHECK(sig.has_value() || !why.empty());
    if (sig) {
        // "PURE PASCAL " and the description give the same signature back.
        const auto again = kolmctl::parseSignature(("PURE PASCAL " + kolmctl::describe(*sig)).c_str());
        KOLM_CHECK(again && again->name == sig->name && again->params == sig->params &&
                   again->result == sig->result);
    }
    const std::string shown = kolmctl::utf8FromCp1252(bytes);
    for (const char c : shown) KOLM_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    kolmctl::LoadAnswer directory;
    (void)kolmctl::readLoadAnswer(bytes, directory);
    std::vector<kolmctl::Answer> answers;
    (void)kolmctl::readCallsAnswer(bytes, answers);
    kolmctl::Request request;
    (void)kolmctl::readRequest(bytes, request);
    // A panel found at an address is one whose lines read there.
    if (const auto at = kolmctl::findBoxPanel(bytes, 0x1000))
        KOLM_CHECK(kolmctl::boxPanelLines(std::string_view(bytes).substr(*at), 0x1000 + *at).has_value());
    return 0;
}
