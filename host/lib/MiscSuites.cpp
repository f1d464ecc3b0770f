// Memory, message, progress and time-line suites.
#include "HostCore.h"
#include "InstanceData.h"
#include "Internal.h"

#include <ofxProgress.h>
#include <ofxTimeLine.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ofxhost {
namespace {

// --- memory -----------------------------------------------------------------------------------
OfxStatus memoryAlloc(void*, size_t nBytes, void** allocatedData)
{
    if (!allocatedData)
        return kOfxStatErrValue;
    *allocatedData = nullptr;
    // 16-byte aligned like image memory; a zero-byte request still gets a unique pointer.
    const size_t rounded = ((nBytes ? nBytes : 1) + 15) / 16 * 16;
    if (rounded < nBytes)
        return kOfxStatErrMemory;
    void* p = std::aligned_alloc(16, rounded);
    if (!p)
        return kOfxStatErrMemory;
    *allocatedData = p;
    return kOfxStatOK;
}

OfxStatus memoryFree(void* allocatedData)
{
    std::free(allocatedData);
    return kOfxStatOK;
}

const OfxMemorySuiteV1 kMemorySuite = {memoryAlloc, memoryFree};

// --- messages ---------------------------------------------------------------------------------
std::string formatText(const char* format, va_list args)
{
    if (!format)
        return "";
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0)
        return format;
    std::vector<char> buffer(static_cast<size_t>(n) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(n));
}

HostCore* coreFor(void* handle)
{
    EffectObject* effect = EffectObject::fromVoid(handle);
    return effect && effect->core ? effect->core : HostCore::fallback();
}

OfxStatus record(void* handle, const char* type, const char* id, const char* format, va_list args,
                 bool persistent)
{
    if (!type)
        return kOfxStatErrValue;
    Message m;
    m.type = type;
    m.id = id ? id : "";
    m.text = formatText(format, args);
    m.persistent = persistent;
    EffectObject* effect = EffectObject::fromVoid(handle);
    if (persistent) {
        // Only an instance shows a persistent message; it stands until cleared.
        if (!effect || !effect->isInstance)
            return kOfxStatErrBadHandle;
        std::lock_guard<std::mutex> lock(effect->messageMutex);
        effect->persistentMessage = m;
    }
    if (HostCore* core = coreFor(handle))
        core->addMessage(std::move(m));
    else
        std::fprintf(stderr, "%s\n", HostCore::messageLine(m).c_str());
    // Nobody answers questions in this host: the default answer is yes.
    return std::string(type) == kOfxMessageQuestion ? kOfxStatReplyYes : kOfxStatOK;
}

OfxStatus message(void* handle, const char* type, const char* id, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const OfxStatus st = record(handle, type, id, format, args, false);
    va_end(args);
    return st;
}

OfxStatus setPersistentMessage(void* handle, const char* type, const char* id, const char* format,
                               ...)
{
    va_list args;
    va_start(args, format);
    const OfxStatus st = record(handle, type, id, format, args, true);
    va_end(args);
    return st;
}

OfxStatus clearPersistentMessage(void* handle)
{
    EffectObject* effect = EffectObject::fromVoid(handle);
    if (!effect || !effect->isInstance)
        return kOfxStatErrBadHandle;
    std::lock_guard<std::mutex> lock(effect->messageMutex);
    effect->persistentMessage.reset();
    return kOfxStatOK;
}

const OfxMessageSuiteV2 kMessageSuite = {message, setPersistentMessage, clearPersistentMessage};

// --- progress (accepted, nothing shown) --------------------------------------------------------
OfxStatus progressStartV1(void*, const char*)
{
    return kOfxStatOK;
}
OfxStatus progressStartV2(void*, const char*, const char*)
{
    return kOfxStatOK;
}
OfxStatus progressUpdate(void*, double)
{
    return kOfxStatOK;
}
OfxStatus progressEnd(void*)
{
    return kOfxStatOK;
}

const OfxProgressSuiteV1 kProgressV1 = {progressStartV1, progressUpdate, progressEnd};
const OfxProgressSuiteV2 kProgressV2 = {progressStartV2, progressUpdate, progressEnd};

// --- time line: the instance's current time is the time of its last action -------------------
OfxStatus getTime(void* instance, double* time)
{
    EffectObject* e = EffectObject::fromVoid(instance);
    if (!e)
        return kOfxStatErrBadHandle;
    if (!time)
        return kOfxStatErrValue;
    *time = e->currentTime.load();
    return kOfxStatOK;
}

OfxStatus gotoTime(void* instance, double time)
{
    EffectObject* e = EffectObject::fromVoid(instance);
    if (!e)
        return kOfxStatErrBadHandle;
    e->currentTime.store(time);
    return kOfxStatOK;
}

OfxStatus getTimeBounds(void* instance, double* firstTime, double* lastTime)
{
    EffectObject* e = EffectObject::fromVoid(instance);
    if (!e)
        return kOfxStatErrBadHandle;
    if (!firstTime || !lastTime)
        return kOfxStatErrValue;
    *firstTime = *lastTime = e->currentTime.load();
    return kOfxStatOK;
}

const OfxTimeLineSuiteV1 kTimeLine = {getTime, gotoTime, getTimeBounds};

} // namespace

const void* memorySuite()
{
    return &kMemorySuite;
}
const void* messageSuiteV1()
{
    return &kMessageSuite;
} // V2 starts with V1's only member
const void* messageSuiteV2()
{
    return &kMessageSuite;
}
const void* progressSuiteV1()
{
    return &kProgressV1;
}
const void* progressSuiteV2()
{
    return &kProgressV2;
}
const void* timeLineSuite()
{
    return &kTimeLine;
}

// With the suite that sets it.
std::optional<Message> Instance::persistentMessage() const
{
    EffectObject& effect = *m_data->object;
    std::lock_guard<std::mutex> lock(effect.messageMutex);
    return effect.persistentMessage;
}

} // namespace ofxhost
