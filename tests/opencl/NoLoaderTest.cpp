// A machine without an OpenCL loader: this binary refuses libOpenCL.so.1 in a
// dlopen of its own (exported, so the plug-in's calls reach it too). The plug-in
// still loads, an OpenCL render logs one line, writes nothing and fails saying
// why, and the host reports that there is no device.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include <ofxhost/Error.h>

#include "OpenClTestKit.h"

extern "C" void* dlopen(const char* file, int mode)
{
    using Open = void* (*)(const char*, int);
    static const auto next = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "dlopen"));
    return file && std::strstr(file, "libOpenCL") ? nullptr : next(file, mode);
}

using namespace kit;

TEST(OpenClWithoutLoader, RendersFailLogOneLineAndWriteNothing)
{
    std::string why;
    EXPECT_FALSE(ofxhost::openClDeviceAvailable(&why));
    EXPECT_NE(why.find("libOpenCL.so.1"), std::string::npos) << why;
    EXPECT_THROW(ofxhost::OpenClRenderer(), ofxhost::Error);

    // The plug-in, with its own log, through the host's OpenCL render call.
    Pixels frame(64 * 4 * 4, 0.5f);
    const std::string pluginLog = std::string(ZELK_TEST_BUILD_DIR) + "/opencl-noloader-" +
                                  std::to_string(::getpid()) + ".log";
    ::setenv("OFX_PLUGIN_LOGFILE", pluginLog.c_str(), 1);
    {
        ofxhost::Host host;
        auto instance = host.loadBundle(ZELK_TEST_BUNDLE).effects().at(0)->createInstance();
        Pixels out(frame.size(), -1.0f);
        ofxhost::ImageDesc image;
        image.rowBytes = 64 * 16;
        image.bounds = OfxRectI{0, 0, 64, 4};
        image.data = frame.data();
        instance->setClipImage("Source", image);
        image.data = out.data();
        instance->setClipImage("Output", image);
        ofxhost::GpuRenderArgs gpu;
        gpu.openCL = true;
        gpu.clQueue = &frame; // never reached: there is no OpenCL to hand it to
        EXPECT_EQ(instance->render(0.0, image.bounds, gpu), kOfxStatFailed);
        EXPECT_EQ(out, Pixels(frame.size(), -1.0f));
        const auto message = instance->persistentMessage();
        ASSERT_TRUE(message.has_value());
        EXPECT_NE(message->text.find("the OpenCL render failed while loading the OpenCL library."),
                  std::string::npos)
            << message->text;
    }
    std::ifstream in(pluginLog);
    int notAvailable = 0;
    for (std::string line; std::getline(in, line);)
        notAvailable += line.find("OpenCL is not available: ") != std::string::npos;
    EXPECT_EQ(notAvailable, 1);
    std::remove(pluginLog.c_str());
}
