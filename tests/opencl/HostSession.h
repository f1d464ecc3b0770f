#pragma once

#include <memory>
#include <string>

#include <ofxhost/Host.h>
#include <ofxhost/OpenClRender.h>

#include "LookTestData.h"

// Our host with the plug-in loaded from a test bundle that holds lopsided looks,
// and an OpenCL renderer on the default device; one per test process.
struct HostSession {
    std::unique_ptr<ofxhost::Host> host;
    ofxhost::Effect* effect = nullptr;
    std::unique_ptr<ofxhost::OpenClRenderer> renderer;
    std::string unavailable; // why there is no renderer

    static HostSession& get();

    // A new instance with the named look (one of lookNames()) at intensity `mix`.
    std::unique_ptr<ofxhost::Instance> instance(const std::string& look, double mix);
};

// The looks of the test bundle: all larger than 17, the smallest size rendered.
struct TestLook {
    const char* name;
    int n;
    looktest::Lut (*make)(int n);
};
extern const TestLook kTestLooks[4];

// A CPU render of a whole width x height frame through the host.
looktest::Pixels renderOnCpu(ofxhost::Instance& instance, const looktest::Pixels& src, int width,
                             int height);

#define ZELK_REQUIRE_OPENCL_HOST()                                                              \
    do {                                                                                        \
        if (!HostSession::get().renderer)                                                       \
            GTEST_SKIP() << HostSession::get().unavailable;                                     \
    } while (0)
