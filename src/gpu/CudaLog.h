#pragma once

// The support library's log: one printf-style line, written only while its log
// file is open. Declared here so the helpers also build against a test log.
namespace OFX {
namespace Log {
void print(const char* format, ...) __attribute__((format(printf, 1, 2)));
} // namespace Log
} // namespace OFX
