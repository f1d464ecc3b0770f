#include "FramePipeline.h"

#include "BufferPool.h"
#include "Handoff.h"
#include "OutputFile.h"

#include <exception>
#include <optional>
#include <thread>

namespace ofxrender {

namespace {

// A rendered frame on its way to the writer. A failed frame travels on too,
// and the writer stops there: so the run stops at the first frame that
// failed, whatever the stage.
struct RenderedFrame {
    const FrameJob* job = nullptr;
    // The output goes before its buffer does: the next frame's read, which
    // the buffer's return lets start, then finds this frame's input buffer free.
    BufferLease buffer; // what output.pixels may point into
    RenderedOutput output;
    std::exception_ptr failure;
};

class Pipeline {
public:
    Pipeline(const std::vector<FrameJob>& jobs, const PipelineOptions& options,
             const FrameSteps& steps)
        : m_jobs(jobs), m_options(options), m_steps(steps)
    {
    }

    void run()
    {
        std::thread reader([this] { readAhead(); });
        std::thread writer;
        try {
            writer = std::thread([this] { writeFrames(); });
            renderFrames();
        } catch (...) {
            // Only a failure to start the writer, or of the hand-over itself
            // (memory), gets here.
            m_renderFailure = std::current_exception();
            stopEarly();
        }
        reader.join();
        if (writer.joinable())
            writer.join();
        if (m_writeFailure)
            std::rethrow_exception(m_writeFailure);
        if (m_renderFailure)
            std::rethrow_exception(m_renderFailure);
    }

private:
    // Wakes every stage that waits, so each sees it should stop.
    void stopEarly()
    {
        m_pool.close();
        m_toRead.abandon();
        m_toWrite.abandon();
    }

    void readAhead()
    {
        while (std::optional<long> frame = m_toRead.take()) {
            try {
                m_steps.readAhead(*frame);
            } catch (...) {
                // The render reads the frame itself and reports what is wrong with it.
            }
        }
    }

    void renderFrames()
    {
        for (std::size_t i = 0; i < m_jobs.size(); ++i) {
            RenderedFrame frame;
            frame.job = &m_jobs[i];
            frame.buffer = m_pool.acquire();
            if (!frame.buffer)
                break; // the writer stopped
            // The next frame is read while this one renders.
            if (i + 1 < m_jobs.size())
                m_toRead.put(m_jobs[i + 1].frame);
            try {
                frame.output = m_steps.render(frame.job->frame, *frame.buffer);
            } catch (...) {
                frame.failure = std::current_exception();
            }
            const bool failed = bool(frame.failure);
            if (!m_toWrite.put(std::move(frame)) || failed)
                break;
        }
        m_toRead.finish();
        m_toWrite.finish();
    }

    void writeFrames()
    {
        while (std::optional<RenderedFrame> frame = m_toWrite.take()) {
            if (frame->failure) {
                m_writeFailure = frame->failure;
                break;
            }
            try {
                writeOne(*frame);
                const FrameJob& job = *frame->job;
                frame.reset(); // its buffers back for later frames
                if (m_steps.written)
                    m_steps.written(job);
            } catch (...) {
                m_writeFailure = std::current_exception();
                break;
            }
        }
        if (m_writeFailure)
            stopEarly();
    }

    void writeOne(const RenderedFrame& frame)
    {
        const std::string& path = frame.job->output;
        PendingOutput output(path, m_options.overwrite);
        zelk::writeImage(output.fd(), path, frame.output.info, frame.output.pixels,
                         frame.output.rest, m_options.write);
        output.commit();
    }

    const std::vector<FrameJob>& m_jobs;
    const PipelineOptions& m_options;
    const FrameSteps& m_steps;

    // The pool outlives every lease: the frames in the hand-offs below and
    // those the stages hold are gone before it is.
    BufferPool m_pool{kOutputBuffers};
    Handoff<long> m_toRead;
    Handoff<RenderedFrame> m_toWrite;
    std::exception_ptr m_writeFailure;  // the writer's, set on its thread
    std::exception_ptr m_renderFailure; // the calling thread's own
};

} // namespace

void renderFrames(const std::vector<FrameJob>& jobs, const PipelineOptions& options,
                  const FrameSteps& steps)
{
    Pipeline(jobs, options, steps).run();
}

} // namespace ofxrender
