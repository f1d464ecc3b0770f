// ofxhost: the typed property store behind every OfxPropertySetHandle the host hands out.
#pragma once

#include <ofxCore.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ofxhost {

enum class PropType { Int, Double, String, Pointer };

const char* propTypeName(PropType type);

// A set of named, typed, multi-dimensional properties. The C property suite works on it through
// handle(); host code and tests read it directly. Thread-safe: every call takes the set's lock.
class PropertySet {
public:
    // How the set treats a write to a name it does not hold.
    enum class Policy {
        Closed, // only names already present (or accept()ed) can be written
        Open    // a write creates the property with the writer's type (unless refuse()d)
    };

    explicit PropertySet(Policy policy = Policy::Open);
    PropertySet(const PropertySet& other); // copies values, policy and defaults
    PropertySet& operator=(const PropertySet&) = delete;
    ~PropertySet();

    // --- host-side definition -----------------------------------------------------------
    // Defines (or redefines) a property with its values; they also become its reset default.
    // fixedDimension > 0 forbids writes past that index; 0 lets the property grow.
    void defineInt(const std::string& name, std::vector<int> values, int fixedDimension = 0);
    void defineDouble(const std::string& name, std::vector<double> values, int fixedDimension = 0);
    void defineString(const std::string& name, std::vector<std::string> values,
                      int fixedDimension = 0);
    void definePointer(const std::string& name, std::vector<void*> values, int fixedDimension = 0);
    // Lets a Closed set create `name` (of `type`) on the plug-in's first write.
    void accept(const std::string& name, PropType type);
    // Makes writes to `name` fail with kOfxStatErrUnknown even on an Open set.
    void refuse(const std::string& name);
    // Removes a property; reads of it then fail with kOfxStatErrUnknown.
    void remove(const std::string& name);

    // --- reading --------------------------------------------------------------------------
    bool has(const std::string& name) const;      // present with a value of any dimension
    int dimension(const std::string& name) const; // -1 when absent
    PropType type(const std::string& name) const; // throws Error when absent
    std::vector<std::string> names() const;       // in order of first definition
    // Typed readers: throw Error when absent, of another type, or the index is out of range.
    int getInt(const std::string& name, int index = 0) const;
    double getDouble(const std::string& name, int index = 0) const;
    std::string getString(const std::string& name, int index = 0) const;
    void* getPointer(const std::string& name, int index = 0) const;
    std::vector<int> getInts(const std::string& name) const;
    std::vector<double> getDoubles(const std::string& name) const;
    std::vector<std::string> getStrings(const std::string& name) const;
    // The values as text, comma-separated (for printing; strings as quotedText); "" when absent.
    std::string valueText(const std::string& name) const;

    // --- the C suite's view (same statuses as the property suite) --------------------------
    OfxStatus setInt(const char* name, int index, int value);
    OfxStatus setDouble(const char* name, int index, double value);
    OfxStatus setString(const char* name, int index, const char* value);
    OfxStatus setPointer(const char* name, int index, void* value);
    OfxStatus getIntC(const char* name, int index, int* value) const;
    OfxStatus getDoubleC(const char* name, int index, double* value) const;
    OfxStatus getStringC(const char* name, int index,
                         char** value) const; // valid until the next write
    OfxStatus getPointerC(const char* name, int index, void** value) const;
    OfxStatus reset(const char* name);
    OfxStatus dimensionC(const char* name, int* count) const;

    OfxPropertySetHandle handle();
    // The set behind a handle, or nullptr for a null or foreign handle.
    static PropertySet* fromHandle(OfxPropertySetHandle handle);

private:
    struct Impl;
    std::uint32_t m_magic; // first member: lets fromHandle() reject foreign handles
    std::unique_ptr<Impl> m_impl;
};

} // namespace ofxhost
