// The plug-in's side of kolmctl: the only code that touches the plug-in. It loads
// the library, walks the function directory and makes the calls it is asked for,
// copying every text and value the plug-in gives into its answer, so that nothing
// of the plug-in's memory is ever read on kolmctl's side. It runs wherever kolmctl's
// isolation puts it; requests and answers are bytes (messages.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "library.h"
#include "messages.h"
#include "signature.h"

namespace kolmctl {

class Side {
public:
    // `step` is where the side says what it is doing (a Step, or a call of the batch).
    explicit Side(volatile std::int32_t* step) : step_(step) {}
    // The answer to one request; empty for a request that is garbled.
    std::string handle(const std::string& request);

private:
    LoadAnswer load(const std::string& path);
    void walk(LoadAnswer& d);
    std::vector<Answer> calls(const std::vector<Call>& batch);
    Answer callOne(const Call& c);
    // The virtual box's panel in the library's memory, if it carries one; its lines now.
    void locateBoxPanel();
    std::optional<std::uint8_t> boxLines() const;

    volatile std::int32_t* step_;
    std::unique_ptr<Library> library_;
    const void* directoryFn_ = nullptr;
    std::vector<std::pair<const void*, std::optional<Signature>>> entries_;
    const char* boxPanel_ = nullptr;
};

}  // namespace kolmctl
