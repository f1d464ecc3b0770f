// A host may load and unload a plug-in many times in one session (rescanning
// its plug-in folders, or loading it only while an effect is in use). Each
// cycle must give back all it took and leave none of its code registered:
// LeakSanitizer looks for lost blocks after every cycle, and the process must
// still exit cleanly after the last one.

#include <sanitizer/lsan_interface.h>

#include <dlfcn.h>

#include "RenderFixture.h"

using namespace zelktest;

namespace {

bool stillLoaded(const std::string& binary)
{
    void* handle = ::dlopen(binary.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    ::dlclose(handle);
    return true;
}

} // namespace

TEST(Unload, LoadRenderUnloadThreeTimesLosesNothing)
{
    TestBundle bundle;
    bundle.addLook("Grey", constantLut(33, 0.25f));
    const std::string binary = bundle.path() + "/Contents/Linux-x86-64/ZELK-Look-Lib.ofx";
    for (int cycle = 1; cycle <= 3; ++cycle) {
        {
            Session session(bundle);
            session.instance().setParam("color", 1.0);
            Frame src(64, 32, 0.5f);
            Frame dst(64, 32, -1.0f);
            ASSERT_EQ(session.render(src, dst), kOfxStatOK) << "cycle " << cycle;
            ASSERT_EQ(*dst.at(63, 31), 0.25f) << "cycle " << cycle;
        }
        ASSERT_FALSE(stillLoaded(binary)) << "cycle " << cycle << ": the plug-in stayed loaded";
        EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0)
            << "cycle " << cycle << " lost memory: LeakSanitizer's report is above";
    }
}
