#pragma once

#include <cstddef>
#include <functional>

namespace cli {

/// Runs work(i) for every index from 0 to count - 1, shared among the
/// processor's cores, and deliver(i) on the calling thread in index order, each
/// once work(i) is done. Indices are handed out in chunks; the calling thread
/// works too and delivers between its chunks. When deliver returns false, no
/// further chunk is started and nothing more is delivered.
void forEachInOrder(std::size_t count, const std::function<void(std::size_t)>& work,
                    const std::function<bool(std::size_t)>& deliver);

} // namespace cli
