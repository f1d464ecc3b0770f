// zelk-lut: generates the bundled looks and brings users' own .cube looks into
// the bundle.

#include "Commands.h"

#include "LutError.h"

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
        std::fprintf(stderr, "zelk-lut: %s\n%s", e.what(), zelk::lut::cli::usageText());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zelk-lut: %s\n", e.what());
        return 1;
    }
}
