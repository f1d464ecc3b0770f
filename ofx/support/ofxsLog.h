#ifndef OFXS_LOG_H
#define OFXS_LOG_H
// The plug-in's trace log.
//
// When it is written: only while open. open() opens the file (append mode) only
// when a file name was asked for: the environment variable OFX_PLUGIN_LOGFILE, read
// when open() is called, or setFileName(). Without either, open() leaves the log
// closed and every call below is a no-op, so a user's host never finds a stray
// log file; "ofxPluginLog.txt" (in the current directory) is the name used when
// setFileName("") asks for a log without naming it.
//
// Each line is: four spaces per indent level, the printf-formatted text, a
// newline; it is written whole and flushed at once, so lines from several threads
// never interleave. The indent level is kept per thread: nesting on one render
// thread does not shift the lines of another.

#include <string>

namespace OFX {
namespace Log {

// The default file name when a log is requested without a name.
extern const char* const kDefaultFileName;

// Overrides the file name (and requests a log even without OFX_PLUGIN_LOGFILE).
// An empty name means kDefaultFileName. Takes effect at the next open().
void setFileName(const std::string& name);

// Opens the log if a file name was requested; true when the log is open.
bool open();
void close();
bool isOpen();

void indent();
void outdent();

void print(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Written only when condition holds, prefixed "WARNING : " / "ERROR : ".
void warning(bool condition, const char* format, ...) __attribute__((format(printf, 2, 3)));
void error(bool condition, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace Log
} // namespace OFX

#endif
