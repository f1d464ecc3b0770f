#pragma once

// What an instance tells the user about its renders through the host's message
// suite: why a render wrote nothing, shown until a later render succeeds.

#include <string>

#include "ofxImageEffect.h"
#include "ofxMessage.h"

class RenderMessages {
public:
    explicit RenderMessages(OfxImageEffectHandle effect) : m_Effect(effect) {}

    // Shows `text` as an error: a persistent message where the host has them
    // (set again on every failed render), else a plain message, sent once while
    // the same text stands so that scrubbing does not pile them up.
    void showFailure(const std::string& text);
    // After a render that wrote: takes the persistent message down, if one is up.
    void clearFailure();

private:
    void fetchSuites();

    OfxImageEffectHandle m_Effect;
    bool m_Fetched = false;
    const OfxMessageSuiteV1* m_Suite = nullptr;
    const OfxMessageSuiteV2* m_PersistentSuite = nullptr;
    std::string m_Shown; // the failure on show, "" for none
};
