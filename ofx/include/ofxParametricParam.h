#ifndef OFX_PARAMETRIC_PARAM_H
#define OFX_PARAMETRIC_PARAM_H
/* Parametric parameters: curves an effect evaluates at any position (an optional suite). */

#include "ofxParam.h"

#ifndef __cplusplus
#include <stdbool.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define kOfxParametricParameterSuite "OfxParametricParameterSuite"

#define kOfxParamTypeParametric "OfxParamTypeParametric"

/* int x 1, default 1: how many curves the parameter holds */
#define kOfxParamPropParametricDimension "OfxParamPropParametricDimension"
/* double x 3 per curve: the colour a user interface draws each curve in */
#define kOfxParamPropParametricUIColour "OfxParamPropParametricUIColour"
/* pointer x 1: the interact drawing the curve editor's background */
#define kOfxParamPropParametricInteractBackground "OfxParamPropParametricInteractBackground"
/* double x 2, default 0, 1: the positions the curves are evaluated over */
#define kOfxParamPropParametricRange "OfxParamPropParametricRange"

/* A parameter without control points set on its descriptor starts as the identity curve. */
typedef struct OfxParametricParameterSuiteV1 {
    OfxStatus (*parametricParamGetValue)(OfxParamHandle param, int curveIndex, OfxTime time,
                                         double parametricPosition, double* returnValue);
    OfxStatus (*parametricParamGetNControlPoints)(OfxParamHandle param, int curveIndex, double time,
                                                  int* returnValue);
    OfxStatus (*parametricParamGetNthControlPoint)(OfxParamHandle param, int curveIndex,
                                                   double time, int nthCtl, double* key,
                                                   double* value);
    OfxStatus (*parametricParamSetNthControlPoint)(OfxParamHandle param, int curveIndex,
                                                   double time, int nthCtl, double key,
                                                   double value, bool addAnimationKey);
    OfxStatus (*parametricParamAddControlPoint)(OfxParamHandle param, int curveIndex, double time,
                                                double key, double value, bool addAnimationKey);
    OfxStatus (*parametricParamDeleteControlPoint)(OfxParamHandle param, int curveIndex,
                                                   int nthCtl);
    OfxStatus (*parametricParamDeleteAllControlPoints)(OfxParamHandle param, int curveIndex);
} OfxParametricParameterSuiteV1;

#ifdef __cplusplus
}
#endif

#endif
