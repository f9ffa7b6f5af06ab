#pragma once
// Runs work for every index of a list on at most `jobs` threads at once: each
// thread takes the next index not yet taken until none is left. Returns when
// every index has been worked on. The command line's fleet form and the main
// window's batch commands both run their devices this way.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace ostrand {

// `work(index)` is called once per index, from the pool's threads. When fewer
// threads than asked can be started, the ones that did start do all the work;
// when none can, the calling thread does it.
template <typename Work>
void ForEachBounded(std::size_t count, std::size_t jobs, Work&& work) {
    std::atomic<std::size_t> next{0};
    const auto drain = [&] {
        for (std::size_t index = next++; index < count; index = next++) work(index);
    };
    const std::size_t threads = std::min(count, std::max<std::size_t>(jobs, 1));
    std::vector<std::jthread> pool;
    pool.reserve(threads);
    for (std::size_t t = 0; t < threads; ++t) {
        try {
            pool.emplace_back(drain);
        } catch (const std::system_error&) {
            break;
        }
    }
    if (pool.empty()) drain();
}

}  // namespace ostrand
