#pragma once

// How the entry-point tables are filled: the loader opened once, each name
// looked up in it, each table loaded once.

#include <dlfcn.h>

#include <string>

#include "OpenClApi.h"

namespace OpenCl::loader {

// libOpenCL.so.1, opened on the first call and never closed (kernels and
// buffers made through it may outlive any owner); null with the reason in
// `error` when it cannot be opened.
void* library(std::string& error);

// Looks `name` up into `slot`; the first missing name is kept in `error`.
template <typename Fn> bool resolve(void* library, const char* name, Fn& slot, std::string& error)
{
    slot = reinterpret_cast<Fn>(dlsym(library, name));
    if (!slot && error.empty())
        error = std::string("libOpenCL.so.1 lacks ") + name;
    return slot != nullptr;
}

// Every call of Api, looked up in `library`.
bool resolveApi(void* library, Api& api, std::string& error);

// A table as loaded: complete, or the reason it is not.
template <typename Table> struct Loaded {
    Table calls{};
    bool ok = false;
    std::string error;

    const Table* table() const { return ok ? &calls : nullptr; }
};

// Opens the loader and fills a table with `resolveAll`.
template <typename Table, typename Resolve> Loaded<Table> load(Resolve resolveAll)
{
    Loaded<Table> loaded;
    if (void* lib = library(loaded.error))
        loaded.ok = resolveAll(lib, loaded.calls, loaded.error);
    return loaded;
}

} // namespace OpenCl::loader
