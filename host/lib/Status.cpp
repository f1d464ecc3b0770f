// Status names for messages.
#include <ofxhost/Error.h>

#include <ofxStatusNames.h>

namespace ofxhost {

std::string statusName(int status)
{
    const char* name = ofxStatusName(status);
    return name ? name : "status " + std::to_string(status);
}

} // namespace ofxhost
