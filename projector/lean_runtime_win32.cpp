// The C++ library's out-of-line throw helpers, replaced for the player programs.
//
// Containers and strings call std::__throw_length_error and its kin when a size is impossible.
// The library's versions build exception objects whose classes hold reference-counted strings,
// which drags in its whole string, stdexcept and random-device code (about a sixth of a player
// program). The engine catches none of these exceptions, so such a throw could only end in
// std::terminate anyway; ending the process at once is the same outcome without the code.
// Linked before the library, these definitions keep its functexcept member out of the program.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void endProcess() {
    ExitProcess(3);
    for (;;) {
    }
}

}  // namespace

namespace std {

void __throw_bad_exception() { endProcess(); }
void __throw_bad_alloc() { endProcess(); }
void __throw_bad_array_new_length() { endProcess(); }
void __throw_bad_cast() { endProcess(); }
void __throw_bad_typeid() { endProcess(); }
void __throw_logic_error(const char*) { endProcess(); }
void __throw_domain_error(const char*) { endProcess(); }
void __throw_invalid_argument(const char*) { endProcess(); }
void __throw_length_error(const char*) { endProcess(); }
void __throw_out_of_range(const char*) { endProcess(); }
void __throw_out_of_range_fmt(const char*, ...) { endProcess(); }
void __throw_runtime_error(const char*) { endProcess(); }
void __throw_range_error(const char*) { endProcess(); }
void __throw_overflow_error(const char*) { endProcess(); }
void __throw_underflow_error(const char*) { endProcess(); }

}  // namespace std

// Global allocation without exceptions: the library's operator new throws std::bad_alloc, which
// links the exception machinery and its thread support. A player that cannot get memory ends.

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) endProcess();
    return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

void* operator new(std::size_t size, std::align_val_t align) {
    void* p = _aligned_malloc(size ? size : 1, static_cast<std::size_t>(align));
    if (!p) endProcess();
    return p;
}
void* operator new[](std::size_t size, std::align_val_t align) { return operator new(size, align); }
void operator delete(void* p, std::align_val_t) noexcept { _aligned_free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { _aligned_free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { _aligned_free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { _aligned_free(p); }
