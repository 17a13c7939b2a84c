// What the C++ library of the WebAssembly toolchain (Debian's emscripten,
// with libc++ 14) lacks of C++20 and the interpreter uses. Included before
// every source of the WebAssembly build (see CMakeLists.txt); native builds
// never see it. Each piece steps aside once the library has it.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>

#if !defined(__cpp_lib_smart_ptr_for_overwrite)
namespace std {

// An array whose elements start uninitialised (the text arena's chunks:
// the one form the interpreter uses).
template <class T> unique_ptr<T> make_unique_for_overwrite(size_t count) {
    static_assert(is_unbounded_array_v<T>, "only arrays of unknown bound are provided");
    return unique_ptr<T>(new remove_extent_t<T>[count]);
}

} // namespace std
#endif
