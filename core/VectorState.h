#pragma once

namespace core {

/// Clears the upper halves of the AVX registers. Some libraries (Qt 6.4's string
/// hashing among them) return with those halves in use; until they are cleared,
/// the SSE instructions of code built for the x86-64 baseline, such as ours, wait
/// on them, and the calculation runs many times slower (thirty times for the
/// logarithms measured). Does nothing on processors without AVX and on other
/// architectures. Call it before heavy arithmetic that follows library calls.
void clearVectorUpperState();

} // namespace core
