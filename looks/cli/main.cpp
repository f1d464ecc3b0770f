// zelk-lut: generates the bundled looks and brings users' own looks into the
// bundle.

#include "Commands.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return zelk::lut::cli::run(args);
    } catch (const zelk::lut::cli::UsageError& e) {
        std::fprintf(stderr, "zelk-lut: %s\n%s", e.what(),
                     zelk::lut::cli::commandUsage(e.command()).c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zelk-lut: %s\n", e.what());
        return 1;
    }
}
