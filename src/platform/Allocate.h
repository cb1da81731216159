// How the system takes memory. Every allocation is `new (std::nothrow)`,
// checked where it is made: on failure the caller prints its own reason and
// the operation fails, as the system has no exceptions to carry it. What is
// taken is owned by a std::unique_ptr from the start, so every failure path
// gives it back. Nothing calls malloc, free or realloc. The process-wide
// instances, made once at start-up before anything could report a failure,
// are the exception: plain `new`, as the program cannot run without them.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

// An object, or null when no memory is left.
template <typename T, typename... Args>
std::unique_ptr<T> allocate(Args&&... args) {
    return std::unique_ptr<T>(new (std::nothrow) T(std::forward<Args>(args)...));
}

// `count` elements, left uninitialised as a file read or copy fills them
// (`count` may be 0); null when no memory is left.
template <typename T>
std::unique_ptr<T[]> allocateArray(size_t count) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}
