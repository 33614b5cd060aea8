#pragma once

#include <functional>

// Which calls a faulty platform fails: each call is offered to the predicate,
// and the first `count` it accepts fail (all of them when count is 0).
template <typename Call>
class FaultBudget {
public:
    using Predicate = std::function<bool(const Call&)>;

    FaultBudget(Predicate fails, int count) : fails_(std::move(fails)), failAll_(count == 0), remaining_(count) {}

    bool Fails(const Call& call) {
        if (!failAll_ && remaining_ == 0) return false;
        if (!fails_(call)) return false;
        ++failures;
        if (!failAll_) --remaining_;
        return true;
    }

    int failures = 0;

private:
    Predicate fails_;
    bool failAll_;
    int remaining_;
};
