// vantel in a browser: the calls the JavaScript module makes, and what the
// browser gives the interpreter where the native driver uses the system.
//
// - Files: a run's files live in emscripten's in-memory file system. The
//   module writes the source (its data lines after END included) and the
//   files the program may read into a fresh folder, calls vantel_web_run,
//   and reads back the listing and whatever the program wrote. The
//   interpreter opens them through the C library, as it does natively.
// - The clock: the C library's clock_gettime and localtime_r, which
//   emscripten answers from the browser's Date: a time of day in
//   milliseconds, as natively.
// - The stack: the interpreter's stack is reserved when the module is
//   linked, at the bottom of memory, so that running past it traps instead
//   of overwriting data (CMakeLists.txt gives its size and why). Calls
//   themselves take the browser's own stack, which a page cannot enlarge;
//   a program that needs more of it than the browser gives ends with a
//   RangeError, which the JavaScript module reports.
//
// Every run takes a fresh instance of the module, so nothing of one run,
// not even a run the browser stopped halfway, is seen by the next.
#include <emscripten/emscripten.h>

#include <string>

#include "driver/run.h"

extern "C" {

// Runs vantel on the source file, as `vantel SOURCE` does (with the fast
// paths off when fastPaths is 0, as under VANTEL_PLAIN=1), and returns the
// process's exit status: like any process's, the low 8 bits of the status.
EMSCRIPTEN_KEEPALIVE int vantel_web_run(const char* source, int fastPaths) {
    vantel::RunSettings settings;
    settings.fastPaths = fastPaths != 0;
    const char* const arguments[] = {source};
    return vantel::RunVantel(1, arguments, settings) & 0xFF;
}

// The listing file's name for a source name, as vantel derives it.
EMSCRIPTEN_KEEPALIVE const char* vantel_web_listing_name(const char* source) {
    static std::string name;
    name = vantel::ListingNameFor(source);
    return name.c_str();
}

} // extern "C"
