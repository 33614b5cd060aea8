#pragma once

#include <utility>

// The pattern of every platform seam of the program. A subsystem that reaches
// the platform where a test must make it fail declares one interface over the
// calls, derived from Seam<Interface>, and defines `static Interface& Real()`:
// the implementation that calls Win32. The program reaches the platform only
// through Interface::Current(), which is the real implementation unless a test
// (or the benchmark's counting build) has put another in force with a Scope.
template <typename Interface>
class Seam {
public:
    static Interface& Current() { return installed_ != nullptr ? *installed_ : Interface::Real(); }

    // Puts a replacement in force for its own lifetime, then the one before back.
    class Scope {
    public:
        explicit Scope(Interface* replacement) : previous_(std::exchange(installed_, replacement)) {}
        ~Scope() { installed_ = previous_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Interface* previous_;
    };

private:
    inline static Interface* installed_ = nullptr;
};
