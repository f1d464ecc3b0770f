#pragma once

#include "Options.h"

#include <string>
#include <vector>

namespace zelk::lut::cli {

// Runs one command line (without the program name); returns the exit status.
// Failures of the input throw LutError (exit status 1), a command line that
// does not fit throws UsageError (exit status 2).
int run(const std::vector<std::string>& args);

// The commands, one function each.
int commandGenerate(const Options& o);
int commandConvert(const Options& o);
int commandExport(const Options& o);
int commandInfo(const Options& o);
int commandList(const Options& o);
int commandAdd(const Options& o);
int commandRemove(const Options& o);
int commandBake(const Options& o);
int commandOcioConfig(const Options& o);

} // namespace zelk::lut::cli
