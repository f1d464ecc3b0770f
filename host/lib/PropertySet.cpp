// The typed property store. Statuses follow the property suite: kOfxStatErrUnknown for a name the
// set does not hold, kOfxStatErrBadIndex for an index outside the value, kOfxStatErrValue for a
// value of the wrong type (or a null out-pointer).
#include <ofxhost/Error.h>
#include <ofxhost/PropertySet.h>
#include <ofxhost/Text.h>

#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace ofxhost {
namespace {

constexpr std::uint32_t kLiveMagic = 0x50524f50u; // "PROP"
constexpr std::uint32_t kDeadMagic = 0xdeadbeefu;

struct Values {
    std::vector<int> ints;
    std::vector<double> doubles;
    std::vector<std::string> strings;
    std::vector<void*> pointers;
};

struct Entry {
    PropType type = PropType::Int;
    Values values;
    Values defaults;
    int fixedDimension = 0;

    int dimension() const
    {
        switch (type) {
        case PropType::Int:
            return static_cast<int>(values.ints.size());
        case PropType::Double:
            return static_cast<int>(values.doubles.size());
        case PropType::String:
            return static_cast<int>(values.strings.size());
        case PropType::Pointer:
            return static_cast<int>(values.pointers.size());
        }
        return 0;
    }
};

template <typename T> std::vector<T>& slot(Values& v);
template <> std::vector<int>& slot<int>(Values& v)
{
    return v.ints;
}
template <> std::vector<double>& slot<double>(Values& v)
{
    return v.doubles;
}
template <> std::vector<std::string>& slot<std::string>(Values& v)
{
    return v.strings;
}
template <> std::vector<void*>& slot<void*>(Values& v)
{
    return v.pointers;
}

template <typename T> constexpr PropType typeOf();
template <> constexpr PropType typeOf<int>()
{
    return PropType::Int;
}
template <> constexpr PropType typeOf<double>()
{
    return PropType::Double;
}
template <> constexpr PropType typeOf<std::string>()
{
    return PropType::String;
}
template <> constexpr PropType typeOf<void*>()
{
    return PropType::Pointer;
}

} // namespace

const char* propTypeName(PropType type)
{
    switch (type) {
    case PropType::Int:
        return "int";
    case PropType::Double:
        return "double";
    case PropType::String:
        return "string";
    case PropType::Pointer:
        return "pointer";
    }
    return "?";
}

struct PropertySet::Impl {
    explicit Impl(Policy p) : policy(p) {}
    Impl(const Impl& o)
        : policy(o.policy), order(o.order), entries(o.entries), accepted(o.accepted),
          refused(o.refused)
    {
    }

    mutable std::mutex mutex;
    Policy policy;
    std::vector<std::string> order;
    std::unordered_map<std::string, Entry> entries;
    std::unordered_map<std::string, PropType> accepted;
    std::unordered_set<std::string> refused;

    const Entry* find(const std::string& name) const
    {
        auto it = entries.find(name);
        return it == entries.end() ? nullptr : &it->second;
    }

    template <typename T> void define(const std::string& name, std::vector<T> values, int fixed)
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = entries.find(name);
        if (it == entries.end()) {
            order.push_back(name);
            it = entries.emplace(name, Entry{}).first;
        }
        Entry& e = it->second;
        e = Entry{};
        e.type = typeOf<T>();
        e.fixedDimension = fixed;
        slot<T>(e.defaults) = values;
        slot<T>(e.values) = std::move(values);
    }

    // The entry a write of `type` to `name` goes to, created when the policy allows; else a status.
    OfxStatus entryForWrite(const char* name, PropType type, Entry** out)
    {
        auto it = entries.find(name);
        if (it == entries.end()) {
            if (refused.count(name))
                return kOfxStatErrUnknown;
            auto acc = accepted.find(name);
            if (acc != accepted.end()) {
                if (acc->second != type)
                    return kOfxStatErrValue;
            } else if (policy == Policy::Closed) {
                return kOfxStatErrUnknown;
            }
            order.push_back(name);
            it = entries.emplace(name, Entry{}).first;
            it->second.type = type;
        }
        if (it->second.type != type)
            return kOfxStatErrValue;
        *out = &it->second;
        return kOfxStatOK;
    }

    template <typename T> OfxStatus set(const char* name, int index, T value)
    {
        if (!name)
            return kOfxStatErrUnknown;
        std::lock_guard<std::mutex> lock(mutex);
        Entry* e = nullptr;
        if (OfxStatus st = entryForWrite(name, typeOf<T>(), &e))
            return st;
        std::vector<T>& v = slot<T>(e->values);
        const int dim = static_cast<int>(v.size());
        if (index < 0 || index > dim || (e->fixedDimension > 0 && index >= e->fixedDimension))
            return kOfxStatErrBadIndex;
        if (index == dim)
            v.push_back(std::move(value)); // writing one past the end grows the property
        else
            v[index] = std::move(value);
        return kOfxStatOK;
    }

    template <typename T> OfxStatus get(const char* name, int index, T* out) const
    {
        if (!name)
            return kOfxStatErrUnknown;
        std::lock_guard<std::mutex> lock(mutex);
        const Entry* e = find(name);
        if (!e)
            return kOfxStatErrUnknown;
        if (e->type != typeOf<T>())
            return kOfxStatErrValue;
        if (!out)
            return kOfxStatErrValue;
        const std::vector<T>& v = slot<T>(const_cast<Values&>(e->values));
        if (index < 0 || index >= static_cast<int>(v.size()))
            return kOfxStatErrBadIndex;
        *out = v[index];
        return kOfxStatOK;
    }

    // The values of `name`, which must be set and hold T; called with the mutex held.
    template <typename T> const std::vector<T>& valuesOf(const std::string& name) const
    {
        const Entry* e = find(name);
        if (!e)
            throw Error("property " + name + " is not set");
        if (e->type != typeOf<T>())
            throw Error("property " + name + " is of type " + propTypeName(e->type) + ", not " +
                        propTypeName(typeOf<T>()));
        return slot<T>(const_cast<Values&>(e->values));
    }

    template <typename T> T read(const std::string& name, int index) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        const std::vector<T>& v = valuesOf<T>(name);
        if (index < 0 || index >= static_cast<int>(v.size()))
            throw Error("property " + name + " has no index " + std::to_string(index));
        return v[index];
    }

    template <typename T> std::vector<T> readAll(const std::string& name) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return valuesOf<T>(name);
    }
};

PropertySet::PropertySet(Policy policy)
    : m_magic(kLiveMagic), m_impl(std::make_unique<Impl>(policy))
{
}

PropertySet::PropertySet(const PropertySet& other) : m_magic(kLiveMagic)
{
    std::lock_guard<std::mutex> lock(other.m_impl->mutex);
    m_impl = std::make_unique<Impl>(*other.m_impl);
}

PropertySet::~PropertySet()
{
    m_magic = kDeadMagic;
}

void PropertySet::defineInt(const std::string& n, std::vector<int> v, int fixed)
{
    m_impl->define(n, std::move(v), fixed);
}
void PropertySet::defineDouble(const std::string& n, std::vector<double> v, int fixed)
{
    m_impl->define(n, std::move(v), fixed);
}
void PropertySet::defineString(const std::string& n, std::vector<std::string> v, int fixed)
{
    m_impl->define(n, std::move(v), fixed);
}
void PropertySet::definePointer(const std::string& n, std::vector<void*> v, int fixed)
{
    m_impl->define(n, std::move(v), fixed);
}

void PropertySet::accept(const std::string& name, PropType type)
{
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    m_impl->accepted[name] = type;
    m_impl->refused.erase(name);
}

void PropertySet::refuse(const std::string& name)
{
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    m_impl->refused.insert(name);
    m_impl->accepted.erase(name);
}

void PropertySet::remove(const std::string& name)
{
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    if (m_impl->entries.erase(name) == 0)
        return;
    auto& order = m_impl->order;
    for (auto it = order.begin(); it != order.end(); ++it) {
        if (*it == name) {
            order.erase(it);
            break;
        }
    }
}

bool PropertySet::has(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->find(name) != nullptr;
}

int PropertySet::dimension(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    const Entry* e = m_impl->find(name);
    return e ? e->dimension() : -1;
}

PropType PropertySet::type(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    const Entry* e = m_impl->find(name);
    if (!e)
        throw Error("property " + name + " is not set");
    return e->type;
}

std::vector<std::string> PropertySet::names() const
{
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->order;
}

int PropertySet::getInt(const std::string& n, int i) const
{
    return m_impl->read<int>(n, i);
}
double PropertySet::getDouble(const std::string& n, int i) const
{
    return m_impl->read<double>(n, i);
}
std::string PropertySet::getString(const std::string& n, int i) const
{
    return m_impl->read<std::string>(n, i);
}
void* PropertySet::getPointer(const std::string& n, int i) const
{
    return m_impl->read<void*>(n, i);
}
std::vector<int> PropertySet::getInts(const std::string& n) const
{
    return m_impl->readAll<int>(n);
}
std::vector<double> PropertySet::getDoubles(const std::string& n) const
{
    return m_impl->readAll<double>(n);
}
std::vector<std::string> PropertySet::getStrings(const std::string& n) const
{
    return m_impl->readAll<std::string>(n);
}

std::string PropertySet::valueText(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    const Entry* e = m_impl->find(name);
    if (!e)
        return "";
    std::ostringstream out;
    out.precision(10);
    const char* sep = "";
    switch (e->type) {
    case PropType::Int:
        for (int v : e->values.ints)
            out << sep << v, sep = ", ";
        break;
    case PropType::Double:
        for (double v : e->values.doubles)
            out << sep << v, sep = ", ";
        break;
    case PropType::String:
        for (const auto& v : e->values.strings)
            out << sep << quotedText(v), sep = ", ";
        break;
    case PropType::Pointer:
        for (void* v : e->values.pointers)
            out << sep << (v ? "set" : "null"), sep = ", ";
        break;
    }
    return out.str();
}

OfxStatus PropertySet::setInt(const char* n, int i, int v)
{
    return m_impl->set<int>(n, i, v);
}
OfxStatus PropertySet::setDouble(const char* n, int i, double v)
{
    return m_impl->set<double>(n, i, v);
}
OfxStatus PropertySet::setPointer(const char* n, int i, void* v)
{
    return m_impl->set<void*>(n, i, v);
}
OfxStatus PropertySet::setString(const char* n, int i, const char* v)
{
    if (!v)
        return kOfxStatErrValue;
    return m_impl->set<std::string>(n, i, std::string(v));
}

OfxStatus PropertySet::getIntC(const char* n, int i, int* v) const
{
    return m_impl->get<int>(n, i, v);
}
OfxStatus PropertySet::getDoubleC(const char* n, int i, double* v) const
{
    return m_impl->get<double>(n, i, v);
}
OfxStatus PropertySet::getPointerC(const char* n, int i, void** v) const
{
    return m_impl->get<void*>(n, i, v);
}

OfxStatus PropertySet::getStringC(const char* name, int index, char** value) const
{
    if (!name)
        return kOfxStatErrUnknown;
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    const Entry* e = m_impl->find(name);
    if (!e)
        return kOfxStatErrUnknown;
    if (e->type != PropType::String || !value)
        return kOfxStatErrValue;
    const auto& v = e->values.strings;
    if (index < 0 || index >= static_cast<int>(v.size()))
        return kOfxStatErrBadIndex;
    // The string's buffer lives as long as the value is unchanged, which is what the suite
    // promises.
    *value = const_cast<char*>(v[index].c_str());
    return kOfxStatOK;
}

OfxStatus PropertySet::reset(const char* name)
{
    if (!name)
        return kOfxStatErrUnknown;
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    auto it = m_impl->entries.find(name);
    if (it == m_impl->entries.end())
        return kOfxStatErrUnknown;
    it->second.values = it->second.defaults;
    return kOfxStatOK;
}

OfxStatus PropertySet::dimensionC(const char* name, int* count) const
{
    if (!name)
        return kOfxStatErrUnknown;
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    const Entry* e = m_impl->find(name);
    if (!e)
        return kOfxStatErrUnknown;
    if (!count)
        return kOfxStatErrValue;
    *count = e->dimension();
    return kOfxStatOK;
}

OfxPropertySetHandle PropertySet::handle()
{
    return reinterpret_cast<OfxPropertySetHandle>(this);
}

PropertySet* PropertySet::fromHandle(OfxPropertySetHandle handle)
{
    if (!handle)
        return nullptr;
    auto* set = reinterpret_cast<PropertySet*>(handle);
    return set->m_magic == kLiveMagic ? set : nullptr;
}

} // namespace ofxhost
