// Shared pieces of the fuzz targets: a private scratch folder, whole-file
// reads and writes, a big-stack worker thread, and the file sandbox that
// keeps a fuzzed program's INPUT() and OUTPUT() inside the scratch folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace fuzz {

// The scratch folder of this process (made on first use, in /dev/shm when it
// exists), without a trailing '/'.
const std::string& ScratchDir();
// Removes every file of the scratch folder, so no input sees another's files.
void ClearScratch();

void WriteFile(const std::string& path, std::string_view data);
// Every file of the scratch folder by name, with its content.
std::map<std::string, std::string> ScratchFiles();
std::string ReadFile(const std::string& path);

// The listing with the two timing lines cut to their words, so that runs
// can be compared.
std::string MaskedListing(const std::string& listing);

// Runs job on one persistent thread with a 1 GiB stack (deep expressions in
// recursive functions need it, as in the real program) and waits for it.
void RunOnBigStack(const std::function<void()>& job);

// While a sandboxed run is active, every file the code under test opens by
// name is confined to the scratch folder: a name without '/' is taken inside
// it, the two names given here are allowed as they are, anything else cannot
// be opened. All writes together are capped at writeCap bytes; beyond it a
// write fails as on a full disk.
void BeginSandbox(std::string allowedA, std::string allowedB, std::size_t writeCap);
void EndSandbox();

// Aborts with a message (a finding) when the condition does not hold.
void Check(bool condition, const char* what);

} // namespace fuzz
