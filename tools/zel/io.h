// Input and output helpers shared by the filter commands of the zel tool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace zel_tool {

// Hands the bytes of the named file ("-" = standard input) to `consume` in
// blocks. False when it cannot be read; `reason` then says why ("No such file
// or directory", "Is a directory", "read error", ...).
bool ReadInputBlocks(const std::string& name,
                     const std::function<void(const uint8_t* data, size_t len)>& consume,
                     std::string& reason);

// The whole input in one string; false (with `reason`) when it cannot be read.
bool ReadInput(const std::string& name, std::string& bytes, std::string& reason);

// Writes bytes to standard output; false when the write failed.
bool WriteOutput(const char* data, size_t len);
inline bool WriteOutput(const std::string& s) { return WriteOutput(s.data(), s.size()); }

// Flushes standard output; false (after reporting "zel <command>: write error:
// <reason>" on standard error) when that or an earlier write failed.
bool FinishOutput(const char* command);

}  // namespace zel_tool
