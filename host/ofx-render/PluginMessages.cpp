#include "PluginMessages.h"

#include <ofxhost/Text.h>

#include <ofxMessage.h>

#include <cstdio>

namespace ofxrender {

namespace {

void print(const char* kind, const std::string& text)
{
    std::fprintf(stderr, "ofx-render: %s%s\n", kind, ofxhost::escapedText(text).c_str());
    std::fflush(stderr);
}

} // namespace

void PluginMessages::post(const ofxhost::Message& message)
{
    if (message.type == kOfxMessageError || message.type == kOfxMessageFatal) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_errors.push_back(message.text);
    } else if (!m_quiet) {
        print(message.type == kOfxMessageWarning ? "warning: " : "", message.text);
    }
}

std::string PluginMessages::takeError()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string latest = m_errors.empty() ? std::string() : m_errors.back();
    m_errors.clear();
    return latest;
}

void PluginMessages::flush()
{
    std::vector<std::string> errors;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        errors.swap(m_errors);
    }
    for (const std::string& text : errors)
        print("error from the plug-in: ", text);
}

} // namespace ofxrender
