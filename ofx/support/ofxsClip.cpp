// Clips, the images fetched from them, and the per-clip out-argument writers.
#include "ofxsImageEffect.h"
#include "ofxsLog.h"
#include "ofxsSupportPrivate.h"

#include <cstddef>
#include <new>

namespace OFX {

namespace {
int componentCount(PixelComponentEnum c)
{
    switch (c) {
    case ePixelComponentAlpha:
        return 1;
    case ePixelComponentRGB:
        return 3;
    case ePixelComponentRGBA:
        return 4;
    default:
        return 0;
    }
}

int bytesPerComponent(BitDepthEnum d)
{
    switch (d) {
    case eBitDepthUByte:
        return 1;
    case eBitDepthUShort:
    case eBitDepthHalf:
        return 2;
    case eBitDepthFloat:
        return 4;
    default:
        return 0;
    }
}
} // namespace

// ---------------------------------------------------------------------- image

ImageBase::ImageBase(OfxPropertySetHandle props) : _imageProps(props)
{
    // Optional for OpenCL images; 0 when absent.
    _rowBytes = Private::optionalInt(_imageProps.propSetHandle(), kOfxImagePropRowBytes);
    _pixelAspectRatio = _imageProps.propGetDouble(kOfxImagePropPixelAspectRatio);
    _pixelComponentsProperty = _imageProps.propGetString(kOfxImageEffectPropComponents);
    _pixelComponents = mapPixelComponentStringToEnum(_pixelComponentsProperty);
    _pixelComponentCount = componentCount(_pixelComponents);
    _pixelDepth = mapBitDepthStringToEnum(_imageProps.propGetString(kOfxImageEffectPropPixelDepth));
    _preMultiplication = mapPreMultiplicationStringToEnum(
        _imageProps.propGetString(kOfxImageEffectPropPreMultiplication));
    _regionOfDefinition.x1 = _imageProps.propGetInt(kOfxImagePropRegionOfDefinition, 0);
    _regionOfDefinition.y1 = _imageProps.propGetInt(kOfxImagePropRegionOfDefinition, 1);
    _regionOfDefinition.x2 = _imageProps.propGetInt(kOfxImagePropRegionOfDefinition, 2);
    _regionOfDefinition.y2 = _imageProps.propGetInt(kOfxImagePropRegionOfDefinition, 3);
    _bounds.x1 = _imageProps.propGetInt(kOfxImagePropBounds, 0);
    _bounds.y1 = _imageProps.propGetInt(kOfxImagePropBounds, 1);
    _bounds.x2 = _imageProps.propGetInt(kOfxImagePropBounds, 2);
    _bounds.y2 = _imageProps.propGetInt(kOfxImagePropBounds, 3);
    try {
        _field = mapFieldStringToEnum(_imageProps.propGetString(kOfxImagePropField));
    } catch (const std::invalid_argument&) {
        _field = eFieldNone;
    }
    _uniqueID = _imageProps.propGetString(kOfxImagePropUniqueIdentifier);
    _renderScale.x = _imageProps.propGetDouble(kOfxImageEffectPropRenderScale, 0);
    _renderScale.y = _imageProps.propGetDouble(kOfxImageEffectPropRenderScale, 1);
}

ImageBase::~ImageBase() = default;

Image::Image(OfxPropertySetHandle props) : ImageBase(props)
{
    _openCLImage =
        Private::optionalPointer(_imageProps.propSetHandle(), kOfxImageEffectPropOpenCLImage);
    // An OpenCL image carries its cl_mem elsewhere; only then may Data be absent.
    _pixelData = _imageProps.propGetPointer(kOfxImagePropData, _openCLImage == nullptr);
}

Image::~Image()
{
    if (Private::gEffectSuite)
        Private::gEffectSuite->clipReleaseImage(_imageProps.propSetHandle());
}

const void* Image::getPixelAddress(int x, int y) const
{
    if (x < _bounds.x1 || x >= _bounds.x2 || y < _bounds.y1 || y >= _bounds.y2 ||
        _pixelData == nullptr)
        return nullptr;
    const int pixelBytes = _pixelComponentCount * bytesPerComponent(_pixelDepth);
    if (pixelBytes == 0)
        return nullptr;
    // Signed offsets: rowBytes may be negative, and rows * rowBytes may pass 2^31.
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(y - _bounds.y1) * _rowBytes;
    const std::ptrdiff_t col = static_cast<std::ptrdiff_t>(x - _bounds.x1) * pixelBytes;
    return static_cast<const unsigned char*>(_pixelData) + row + col;
}

void* Image::getPixelAddress(int x, int y)
{
    return const_cast<void*>(static_cast<const Image*>(this)->getPixelAddress(x, y));
}

// ----------------------------------------------------------------------- clip

Clip::Clip(ImageEffect*, const std::string& name, OfxImageClipHandle handle,
           OfxPropertySetHandle props)
    : _clipName(name), _clipHandle(handle), _clipProps(props)
{
}

void Clip::getLabel(std::string& label) const
{
    label = _clipProps.propGetString(kOfxPropLabel);
}

BitDepthEnum Clip::getPixelDepth() const
{
    return mapBitDepthStringToEnum(_clipProps.propGetString(kOfxImageEffectPropPixelDepth));
}
PixelComponentEnum Clip::getPixelComponents() const
{
    return mapPixelComponentStringToEnum(_clipProps.propGetString(kOfxImageEffectPropComponents));
}
int Clip::getPixelComponentCount() const
{
    return componentCount(getPixelComponents());
}
std::string Clip::getPixelComponentsProperty() const
{
    return _clipProps.propGetString(kOfxImageEffectPropComponents);
}
BitDepthEnum Clip::getUnmappedPixelDepth() const
{
    return mapBitDepthStringToEnum(_clipProps.propGetString(kOfxImageClipPropUnmappedPixelDepth));
}
PixelComponentEnum Clip::getUnmappedPixelComponents() const
{
    return mapPixelComponentStringToEnum(
        _clipProps.propGetString(kOfxImageClipPropUnmappedComponents));
}
PreMultiplicationEnum Clip::getPreMultiplication() const
{
    try {
        return mapPreMultiplicationStringToEnum(
            _clipProps.propGetString(kOfxImageEffectPropPreMultiplication));
    } catch (const std::invalid_argument&) {
        return eImageOpaque;
    }
}
FieldEnum Clip::getFieldOrder() const
{
    try {
        return mapFieldStringToEnum(_clipProps.propGetString(kOfxImageClipPropFieldOrder));
    } catch (const std::invalid_argument&) {
        return eFieldNone;
    }
}
bool Clip::isConnected() const
{
    return _clipProps.propGetInt(kOfxImageClipPropConnected) != 0;
}
bool Clip::hasContinuousSamples() const
{
    return _clipProps.propGetInt(kOfxImageClipPropContinuousSamples) != 0;
}
double Clip::getPixelAspectRatio() const
{
    try {
        double par = _clipProps.propGetDouble(kOfxImagePropPixelAspectRatio, false);
        return par != 0.0 ? par : 1.0;
    } catch (...) {
        return 1.0;
    }
}
double Clip::getFrameRate() const
{
    return _clipProps.propGetDouble(kOfxImageEffectPropFrameRate);
}
OfxRangeD Clip::getFrameRange() const
{
    return {_clipProps.propGetDouble(kOfxImageEffectPropFrameRange, 0),
            _clipProps.propGetDouble(kOfxImageEffectPropFrameRange, 1)};
}
OfxRectD Clip::getRegionOfDefinition(double t) const
{
    OfxRectD rod = {0, 0, 0, 0};
    OfxStatus s = Private::effectSuite().clipGetRegionOfDefinition(_clipHandle, t, &rod);
    if (s != kOfxStatOK)
        throw Exception::Suite(s);
    return rod;
}

Image* Clip::fetchImage(double t)
{
    return fetchImage(t, static_cast<const OfxRectD*>(nullptr));
}
Image* Clip::fetchImage(double t, const OfxRectD& bounds)
{
    return fetchImage(t, &bounds);
}

Image* Clip::fetchImage(double t, const OfxRectD* bounds)
{
    OfxPropertySetHandle imageHandle = nullptr;
    OfxStatus s = Private::effectSuite().clipGetImage(_clipHandle, t, bounds, &imageHandle);
    if (s == kOfxStatFailed)
        return nullptr;
    throwSuiteStatusException(s);
    if (imageHandle == nullptr)
        return nullptr;
    try {
        return new Image(imageHandle);
    } catch (...) {
        // The Image never existed, so its destructor cannot hand the image back.
        Private::effectSuite().clipReleaseImage(imageHandle);
        throw;
    }
}

// ------------------------------------------------------------ out-arg writers

void RegionOfInterestSetter::setRegionOfInterest(const Clip& clip, const OfxRectD& roi)
{
    const std::string name = kOfxImageClipPropRoI_ + clip.name();
    const double v[4] = {roi.x1, roi.y1, roi.x2, roi.y2};
    _outArgs.propSetDoubleN(name.c_str(), v, 4);
    _didSomething = true;
}

void FramesNeededSetter::setFramesNeeded(const Clip& clip, const OfxRangeD& range)
{
    _frames[clip.name()].push_back(range);
}

bool FramesNeededSetter::write()
{
    for (const auto& entry : _frames) {
        if (entry.first == kOfxImageEffectOutputClipName)
            continue;
        const std::string name = kOfxImageClipPropFrameRange_ + entry.first;
        std::vector<double> values;
        for (const OfxRangeD& r : entry.second) {
            values.push_back(r.min);
            values.push_back(r.max);
        }
        _outArgs.propSetDoubleN(name.c_str(), values.data(), static_cast<int>(values.size()));
    }
    return !_frames.empty();
}

void ClipPreferencesSetter::setClipComponents(Clip& clip, PixelComponentEnum comps)
{
    const std::string name = "OfxImageClipPropComponents_" + clip.name();
    _outArgs.propSetString(name.c_str(), mapPixelComponentEnumToString(comps));
    _didSomething = true;
}
void ClipPreferencesSetter::setClipBitDepth(Clip& clip, BitDepthEnum depth)
{
    const std::string name = "OfxImageClipPropDepth_" + clip.name();
    _outArgs.propSetString(name.c_str(), mapBitDepthEnumToString(depth));
    _didSomething = true;
}
void ClipPreferencesSetter::setPixelAspectRatio(Clip& clip, double par)
{
    const std::string name = "OfxImageClipPropPAR_" + clip.name();
    _outArgs.propSetDouble(name.c_str(), par);
    _didSomething = true;
}
void ClipPreferencesSetter::setOutputFrameRate(double v)
{
    _outArgs.propSetDouble(kOfxImageEffectPropFrameRate, v);
    _didSomething = true;
}
void ClipPreferencesSetter::setOutputPremultiplication(PreMultiplicationEnum v)
{
    _outArgs.propSetString(kOfxImageEffectPropPreMultiplication,
                           mapPreMultiplicationEnumToString(v));
    _didSomething = true;
}
void ClipPreferencesSetter::setOutputHasContinousSamples(bool v)
{
    _outArgs.propSetInt(kOfxImageClipPropContinuousSamples, v);
    _didSomething = true;
}
void ClipPreferencesSetter::setOutputFrameVarying(bool v)
{
    _outArgs.propSetInt(kOfxImageEffectFrameVarying, v);
    _didSomething = true;
}
void ClipPreferencesSetter::setOutputFielding(FieldEnum v)
{
    _outArgs.propSetString(kOfxImageClipPropFieldOrder, mapFieldEnumToString(v), false);
    _didSomething = true;
}

} // namespace OFX
