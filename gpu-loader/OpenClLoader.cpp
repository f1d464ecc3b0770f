#include "OpenClLoader.h"

namespace OpenCl::loader {

namespace {

struct Library {
    void* handle = nullptr;
    std::string error;
};

Library open_library()
{
    Library lib;
    lib.handle = dlopen("libOpenCL.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!lib.handle) {
        const char* why = dlerror();
        lib.error = why ? why : "libOpenCL.so.1 could not be loaded";
    }
    return lib;
}

} // namespace

void* library(std::string& error)
{
    static const Library lib = open_library(); // thread-safe one-time load
    if (!lib.handle)
        error = lib.error;
    return lib.handle;
}

} // namespace OpenCl::loader
