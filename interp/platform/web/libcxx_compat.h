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

// Arrays whose elements start uninitialised: the text arena's chunks.
template <class T>
requires is_unbounded_array_v<T> unique_ptr<T> make_unique_for_overwrite(size_t count) {
    return unique_ptr<T>(new remove_extent_t<T>[count]);
}

template <class T>
requires(!is_array_v<T>) unique_ptr<T> make_unique_for_overwrite() {
    return unique_ptr<T>(new T);
}

} // namespace std
#endif
