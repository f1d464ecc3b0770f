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

zelk::PixelBuffer BufferStock::take()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_buffers.empty())
        return {};
    zelk::PixelBuffer buffer = std::move(m_buffers.back());
    m_buffers.pop_back();
    return buffer;
}

void BufferStock::giveBack(zelk::PixelBuffer buffer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_buffers.size() < kMost)
        m_buffers.push_back(std::move(buffer));
}

std::optional<long> InputFrames::fileNumber(long frame) const
{
    if (!m_pattern.isSequence())
        return 0;
    if (!std::binary_search(m_existing.begin(), m_existing.end(), frame))
        return std::nullopt;
    return frame;
}

std::shared_ptr<const DecodedFrame> InputFrames::decode(long number)
{
    // The frame's buffer goes back to the stock when the last user lets go of the frame.
    std::shared_ptr<BufferStock> stock = m_stock;
    std::shared_ptr<DecodedFrame> decoded(new DecodedFrame, [stock](DecodedFrame* frame) {
        stock->giveBack(std::move(frame->buffer));
        delete frame;
    });
    decoded->buffer = m_stock->take();
    const auto reader = zelk::ImageReader::open(m_pattern.fileForFrame(number), m_read);
    decoded->info = reader->info();
    decoded->pixels = decoded->buffer.view(decoded->info.width(), decoded->info.height());
    decoded->rest = reader->read(decoded->pixels);
    return decoded;
}

std::shared_ptr<const DecodedFrame> InputFrames::keptFrame(long number) const
{
    for (const auto& [kept, decoded] : m_kept)
        if (kept == number)
            return decoded;
    return nullptr;
}

void InputFrames::keep(long number, std::shared_ptr<const DecodedFrame> decoded)
{
    if (keptFrame(number))
        return;
    if (m_kept.size() == kKept)
        m_kept.pop_front();
    m_kept.emplace_back(number, std::move(decoded));
}

std::shared_ptr<const DecodedFrame> InputFrames::frame(long frame)
{
    const std::optional<long> number = fileNumber(frame);
    if (!number)
        return nullptr;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_readAheadDone.wait(lock, [&] { return m_readingAhead != number; });
        if (auto kept = keptFrame(*number))
            return kept;
    }
    auto decoded = decode(*number);
    std::lock_guard<std::mutex> lock(m_mutex);
    keep(*number, decoded);
    return decoded;
}

void InputFrames::readAhead(long frame)
{
    const std::optional<long> number = fileNumber(frame);
    if (!number)
        return;
    std::shared_ptr<const DecodedFrame> oldest;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (keptFrame(*number) || m_readingAhead)
            return;
        m_readingAhead = number;
        // The oldest frame makes room first, so its buffer can take the new one.
        if (m_kept.size() == kKept) {
            oldest = std::move(m_kept.front().second);
            m_kept.pop_front();
        }
    }
    oldest.reset();
    std::shared_ptr<const DecodedFrame> decoded;
    try {
        decoded = decode(*number);
    } catch (...) {
        // frame() reads it again and reports why it cannot.
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (decoded)
        keep(*number, std::move(decoded));
    m_readingAhead.reset();
    m_readAheadDone.notify_all();
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
