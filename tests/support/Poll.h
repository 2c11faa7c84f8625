#pragma once

#include <chrono>
#include <thread>

namespace torven::test {

// What a wait does between two looks at a condition that needs no event loop: it sleeps.
struct Sleep {
    std::chrono::milliseconds pause{1};
    void operator()() const { std::this_thread::sleep_for(pause); }
};

// Looks at `condition` until it holds or `limit` has passed, running `between` after each miss;
// returns whether it held. Every wait of the tests goes through here: a plain one sleeps between
// looks, a Qt one (WaitUntil) serves events.
template <typename Condition, typename Between = Sleep>
bool WaitFor(Condition&& condition, std::chrono::milliseconds limit, Between&& between = {}) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        between();
    }
    return true;
}

} // namespace torven::test
