#ifndef OFX_GPU_RENDER_H
#define OFX_GPU_RENDER_H
/* GPU rendering: capability properties exchanged at describe time, the render-time
 * flags and queue/stream handles, and the GPU status codes. */

#include "ofxImageEffect.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kOfxStatGPUOutOfMemory ((int)1001)
#define kOfxStatGLOutOfMemory ((int)1001)
#define kOfxStatGPURenderFailed ((int)1002)
#define kOfxStatGLRenderFailed ((int)1002)

/* OpenGL (named for completeness; our plug-in does not use it) */
#define kOfxOpenGLRenderSuite "OfxImageEffectOpenGLRenderSuite"
#define kOfxImageEffectPropOpenGLRenderSupported "OfxImageEffectPropOpenGLRenderSupported"
#define kOfxOpenGLPropPixelDepth "OfxOpenGLPropPixelDepth"
#define kOfxImageEffectPropOpenGLEnabled "OfxImageEffectPropOpenGLEnabled"
#define kOfxImageEffectPropOpenGLTextureIndex "OfxImageEffectPropOpenGLTextureIndex"
#define kOfxImageEffectPropOpenGLTextureTarget "OfxImageEffectPropOpenGLTextureTarget"
#define kOfxActionOpenGLContextAttached "OfxActionOpenGLContextAttached"
#define kOfxActionOpenGLContextDetached "kOfxActionOpenGLContextDetached"

/* Describe time, on the plug-in descriptor and the host: "false", "true" or "needed". */
#define kOfxImageEffectPropOpenCLRenderSupported                                                   \
    "OfxImageEffectPropOpenCLRenderSupported"                                  /* buffers */
#define kOfxImageEffectPropOpenCLSupported "OfxImageEffectPropOpenCLSupported" /* images */
#define kOfxImageEffectPropCudaRenderSupported "OfxImageEffectPropCudaRenderSupported"
#define kOfxImageEffectPropCudaStreamSupported "OfxImageEffectPropCudaStreamSupported"
#define kOfxImageEffectPropMetalRenderSupported "OfxImageEffectPropMetalRenderSupported"

/* Render time, in the inArgs of Render and Begin/EndSequenceRender */
#define kOfxImageEffectPropOpenCLEnabled "OfxImageEffectPropOpenCLEnabled"
#define kOfxImageEffectPropOpenCLCommandQueue "OfxImageEffectPropOpenCLCommandQueue"
#define kOfxImageEffectPropCudaEnabled "OfxImageEffectPropCudaEnabled"
#define kOfxImageEffectPropCudaStream "OfxImageEffectPropCudaStream"
#define kOfxImageEffectPropMetalEnabled "OfxImageEffectPropMetalEnabled"
#define kOfxImageEffectPropMetalCommandQueue "OfxImageEffectPropMetalCommandQueue"

/* On an image: set only for OpenCL images; OpenCL buffers travel in kOfxImagePropData. */
#define kOfxImageEffectPropOpenCLImage "OfxImageEffectPropOpenCLImage"

#define kOfxOpenCLProgramSuite "OfxOpenCLProgramSuite"

typedef struct OfxOpenCLProgramSuiteV1 {
    OfxStatus (*compileProgram)(const char* pszProgramSource, int fOptional, void* pResult);
} OfxOpenCLProgramSuiteV1;

#ifdef __cplusplus
}
#endif

#endif
