#ifndef OFX_TIMELINE_H
#define OFX_TIMELINE_H
/* Access to the host's time line. Bare suite typedef: include ofxCore.h first. */

#define kOfxTimeLineSuite "OfxTimeLineSuite"

typedef struct OfxTimeLineSuiteV1 {
    OfxStatus (*getTime)(void* instance, double* time);
    OfxStatus (*gotoTime)(void* instance, double time);
    OfxStatus (*getTimeBounds)(void* instance, double* firstTime, double* lastTime);
} OfxTimeLineSuiteV1;

#endif
