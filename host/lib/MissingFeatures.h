// What an effect asked the host for and did not get (a suite, a parameter type, a host property),
// noted while one of its actions runs, so that a failed action can say what the host lacks.
#pragma once

#include <ofxCore.h>

#include <string>
#include <vector>

namespace ofxhost {

// Collects what is noted on this thread while it lives (scopes nest: the innermost collects).
class MissingFeatureScope {
public:
    MissingFeatureScope();
    ~MissingFeatureScope();
    MissingFeatureScope(const MissingFeatureScope&) = delete;
    MissingFeatureScope& operator=(const MissingFeatureScope&) = delete;
    const std::vector<std::string>& features() const { return m_features; }

private:
    friend void noteMissingFeature(const std::string& feature);
    std::vector<std::string> m_features;
    MissingFeatureScope* m_outer;
};

// Notes a feature ("the parametric parameter suite") for the scope open on this thread, if any.
void noteMissingFeature(const std::string& feature);
// A suite's name as a person reads it: "the parametric parameter suite", or the suite's own name
// and version for one this host does not know of.
std::string suiteFeature(const char* name, int version);

// What the host lacks, to follow a failure's status: ": needs X, which <host> does not provide"
// when the effect gave up for a missing feature, " (it asked for X, which ...)" after another
// failure, "" when it asked for nothing the host lacks.
std::string lackingText(OfxStatus status, const std::vector<std::string>& missing,
                        const std::string& hostName);

} // namespace ofxhost
