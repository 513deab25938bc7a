#include "messages.h"

#include <limits>
#include <type_traits>

#include "wire.h"

namespace kolmctl {

namespace {

constexpr std::uint8_t kMaxArgs = 8;

// The last code of each of kolmctl's enums on the wire: a reader refuses any above it.
constexpr Type lastCode(Type) { return Type::Pointer; }
constexpr Target lastCode(Target) { return Target::Psad; }
constexpr TextState lastCode(TextState) { return TextState::Unreadable; }
constexpr LoadOutcome lastCode(LoadOutcome) { return LoadOutcome::UnreadableDirectory; }

// A list on the wire: its length as an N, then its elements; a reader refuses more than `most`.
template <typename N, typename V>
struct Counted {
    V& items;
    std::size_t most;
};
template <typename N, typename V>
Counted<N, V> counted(V& items, std::size_t most = std::numeric_limits<N>::max()) {
    return {items, most};
}

// Each message is described once, field by field, by a fields(io, message) below; the
// writer and the reader walk that one description. A flag and a code are one byte, an
// optional data-lines byte a flag and the byte.
class Put {
public:
    template <typename... T>
    void operator()(const T&... fields) {
        (one(fields), ...);
    }
    void check(bool) {}
    const std::string& bytes() const { return w_.bytes(); }

private:
    template <typename T>
    void one(const T& v) {
        if constexpr (std::is_same_v<T, bool>) w_.put(static_cast<std::uint8_t>(v ? 1 : 0));
        else if constexpr (std::is_enum_v<T>) w_.put(static_cast<std::uint8_t>(v));
        else if constexpr (std::is_arithmetic_v<T>) w_.put(v);
        else if constexpr (std::is_same_v<T, std::string>) w_.text(v);
        else if constexpr (std::is_same_v<T, std::optional<std::uint8_t>>)
            (*this)(v.has_value(), v.value_or(0));
        else fields(*this, v);
    }
    template <typename N, typename V>
    void one(const Counted<N, V>& list) {
        w_.put(static_cast<N>(list.items.size()));
        for (const auto& item : list.items) fields(*this, item);
    }
    WireWriter w_;
};

class Get {
public:
    explicit Get(const std::string& bytes) : r_(bytes) {}
    template <typename... T>
    void operator()(T&&... fields) {
        (one(fields), ...);
    }
    // A field was there but holds what no writer writes.
    void check(bool sense) {
        if (!sense) r_.fail();
    }
    bool ok() const { return r_.ok(); }

private:
    template <typename T>
    void one(T& v) {
        if constexpr (std::is_same_v<T, bool>) v = r_.get<std::uint8_t>() != 0;
        else if constexpr (std::is_enum_v<T>) {
            const auto code = r_.get<std::uint8_t>();
            v = static_cast<T>(code);
            if constexpr (requires { lastCode(v); }) check(code <= static_cast<std::uint8_t>(lastCode(v)));
        } else if constexpr (std::is_arithmetic_v<T>) v = r_.get<T>();
        else if constexpr (std::is_same_v<T, std::string>) v = r_.text();
        else if constexpr (std::is_same_v<T, std::optional<std::uint8_t>>) {
            bool there = false;
            std::uint8_t lines = 0;
            (*this)(there, lines);
            v = there ? std::optional(lines) : std::nullopt;
        } else fields(*this, v);
    }
    template <typename N, typename V>
    void one(Counted<N, V>& list) {
        const auto n = r_.get<N>();
        check(n <= list.most);
        list.items.clear();
        for (N k = 0; k < n && ok(); ++k) fields(*this, list.items.emplace_back());
    }
    WireReader r_;
};

// M, or M const: the writer describes a const message, the reader fills one.
template <typename M, typename Of>
concept Is = std::is_same_v<std::remove_const_t<M>, Of>;

template <typename Io>
void fields(Io& io, Is<Arg> auto& a) {
    io(a.type, a.i, a.d);  // a Pointer argument's double, pointed at beside the plug-in
}

template <typename Io>
void fields(Io& io, Is<Call> auto& c) {
    io(c.target, c.index, counted<std::uint8_t>(c.args, kMaxArgs));
}

template <typename Io>
void fields(Io& io, Is<Request> auto& q) {
    io(q.kind);
    io.check(q.kind == Request::Load || q.kind == Request::Calls);
    if (q.kind == Request::Load) io(q.path);
    else io(counted<std::uint32_t>(q.calls));
}

template <typename Io>
void fields(Io& io, Is<Answer> auto& a) {
    auto& abi = a.result.abi;
    io(a.result.called, a.result.value.i, a.result.value.d, a.result.value.address);
    io(abi.checked, abi.brokenRegs, abi.espError, abi.fpuDepth, abi.expectedFpuDepth);
    io(a.textState, a.text, a.pointeeRead, a.pointee, a.at);
}

template <typename Io>
void fields(Io& io, Is<DirectoryEntryRead> auto& e) {
    io(e.text, e.textState, e.entry, e.exported);
}

template <typename Io>
void fields(Io& io, Is<LoadAnswer> auto& a) {
    io(a.outcome, a.detail, a.address, a.walkProblem, counted<std::uint32_t>(a.entries, kMaxEntries));
    io(a.peaD, a.psad, a.portHandle, a.simulated, a.boxLines);
}

template <typename... M>
std::string encode(const M&... message) {
    Put io;
    io(message...);
    return io.bytes();
}

template <typename... M>
bool decode(const std::string& bytes, M&&... message) {
    Get io(bytes);
    io(message...);
    return io.ok();
}

}  // namespace

std::string loadRequest(const std::string& path) { return encode(Request{Request::Load, path, {}}); }
std::string callsRequest(const std::vector<Call>& calls) {
    return encode(Request{Request::Calls, {}, calls});
}
bool readRequest(const std::string& bytes, Request& out) { return decode(bytes, out); }

std::string loadAnswer(const LoadAnswer& a) { return encode(a); }
bool readLoadAnswer(const std::string& bytes, LoadAnswer& out) { return decode(bytes, out); }

std::string callsAnswer(const std::vector<Answer>& answers, std::optional<std::uint8_t> boxLines) {
    return encode(counted<std::uint32_t>(answers), boxLines);
}

bool readCallsAnswer(const std::string& bytes, std::vector<Answer>& out,
                     std::optional<std::uint8_t>* boxLines) {
    std::optional<std::uint8_t> lines;
    const bool ok = decode(bytes, counted<std::uint32_t>(out), lines);
    if (boxLines != nullptr) *boxLines = lines;
    return ok;
}

}  // namespace kolmctl
