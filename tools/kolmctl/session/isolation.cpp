#include "isolation.h"

#include "side.h"

namespace kolmctl {

namespace {

class SameProcess : public Isolation {
public:
    Exchange ask(const std::string& request, const FailureLine&) override {
        Exchange e;
        e.status = Exchange::Answered;
        e.answer = side_.handle(request);
        e.step = step_;
        return e;
    }

private:
    std::int32_t step_ = 0;
    Side side_{&step_};
};

}  // namespace

std::unique_ptr<Isolation> Isolation::start(const SessionOptions& options) {
    if (options.sameProcess) return std::make_unique<SameProcess>();
    return startApart(options);
}

}  // namespace kolmctl
