/* Exit handlers of the plug-in run when a host unloads it, as they do in a
 * module that gcc links (its crtbeginS.o does this; zig's link has no such
 * object). Without it, static destructors and the handlers nvcc's code
 * registers with atexit() stay registered after dlclose() and the host crashes
 * at exit, calling into unmapped code.
 *
 * The handle's value is its own address, as in crtbeginS.o: clang-compiled
 * code passes &__dso_handle to __cxa_atexit, atexit() passes __dso_handle. */

extern int __cxa_finalize(void* dso);

__attribute__((visibility("hidden"))) void* __dso_handle = &__dso_handle;

__attribute__((destructor)) static void run_exit_handlers(void)
{
    __cxa_finalize(&__dso_handle);
}
