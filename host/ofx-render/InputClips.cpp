#include "InputClips.h"

#include "RenderSession.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace ofxrender {

OfxRectI DecodedFrame::bounds() const
{
    return ofxBounds(info);
}

ofxhost::ImageDesc DecodedFrame::image() const
{
    ofxhost::ImageDesc image;
    image.data = pixels.row(pixels.height - 1);
    image.rowBytes = -int(pixels.rowStride * std::ptrdiff_t(sizeof(float)));
    image.bounds = bounds();
    image.pixelAspectRatio = info.pixelAspect;
    image.preMultiplication = kOfxImagePreMultiplied;
    return image;
}

InputFrames::InputFrames(std::string clip, const std::string& pattern, zelk::ReadOptions read)
    : m_clip(std::move(clip)), m_pattern(pattern), m_read(std::move(read))
{
    if (m_pattern.isSequence())
        m_existing = m_pattern.existingFrames();
}

std::shared_ptr<const DecodedFrame> InputFrames::frame(long number)
{
    if (!m_pattern.isSequence())
        number = 0;
    for (const auto& [kept, decoded] : m_kept)
        if (kept == number)
            return decoded;
    if (m_pattern.isSequence() && !std::binary_search(m_existing.begin(), m_existing.end(), number))
        return nullptr;
    const std::string file = m_pattern.fileForFrame(number);
    auto decoded = std::make_shared<DecodedFrame>();
    const auto reader = zelk::ImageReader::open(file, m_read);
    decoded->info = reader->info();
    decoded->pixels = decoded->buffer.view(decoded->info.width(), decoded->info.height());
    decoded->rest = reader->read(decoded->pixels);
    if (m_kept.size() == kKept)
        m_kept.pop_front();
    m_kept.emplace_back(number, decoded);
    return decoded;
}

ofxhost::ClipInput InputFrames::clipInput()
{
    ofxhost::ClipInput input;
    if (m_pattern.isSequence() && !m_existing.empty())
        input.frameRange = {double(m_existing.front()), double(m_existing.back())};
    input.frameAt = [this](double time) -> std::optional<ofxhost::ClipFrame> {
        if (!std::isfinite(time) || std::fabs(time) > 1e9)
            return std::nullopt;
        try {
            const auto decoded = frame(std::lround(time));
            if (!decoded)
                return std::nullopt;
            return ofxhost::ClipFrame{decoded->image(), decoded};
        } catch (const std::exception& e) {
            if (!m_failure)
                m_failure = e.what();
            throw;
        }
    };
    return input;
}

std::optional<std::string> InputFrames::takeFailure()
{
    auto failure = std::move(m_failure);
    m_failure.reset();
    return failure;
}

} // namespace ofxrender
