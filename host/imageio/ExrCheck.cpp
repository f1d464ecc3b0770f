// The structure check of an EXR file through OpenEXR's core library, which
// reads chunk tables and chunk headers without decoding (or allocating for) pixels.
#include "ExrFormat.h"
#include "FormatIO.h"

#include <openexr.h>

#include <algorithm>
#include <string>

namespace zelk::detail {

namespace {

struct CheckState {
    const InputFile* file;
    std::string message; // the core library's last complaint
};

int64_t readChunk(exr_const_context_t, void* user, void* buffer, uint64_t size, uint64_t offset,
                  exr_stream_error_func_ptr_t)
{
    const auto* state = static_cast<CheckState*>(user);
    try {
        return int64_t(state->file->readAt(offset, buffer, size));
    } catch (const ImageIOError&) {
        return -1;
    }
}

int64_t fileSize(exr_const_context_t, void* user)
{
    return int64_t(static_cast<CheckState*>(user)->file->size());
}

void keepMessage(exr_const_context_t context, exr_result_t, const char* message)
{
    void* user = nullptr;
    if (exr_get_user_data(context, &user) == EXR_ERR_SUCCESS && user)
        static_cast<CheckState*>(user)->message = message;
}

class CoreContext {
public:
    explicit CoreContext(CheckState& state)
    {
        exr_context_initializer_t init = EXR_DEFAULT_CONTEXT_INITIALIZER;
        init.user_data = &state;
        init.read_fn = readChunk;
        init.size_fn = fileSize;
        init.error_handler_fn = keepMessage;
        m_result = exr_start_read(&m_context, state.file->path().c_str(), &init);
    }
    ~CoreContext() { exr_finish(&m_context); }
    exr_result_t result() const { return m_result; }
    exr_context_t get() const { return m_context; }

private:
    exr_context_t m_context = nullptr;
    exr_result_t m_result;
};

[[noreturn]] void failDamaged(const CheckState& state, exr_result_t result, int part)
{
    const std::string why =
        state.message.empty() ? exr_get_default_error_message(result) : state.message;
    fail(state.file->path(),
         "damaged or cut short EXR (part " + std::to_string(part) + "): " + why);
}

// Every chunk's header, read: each one lies inside the file or the core says why not.
exr_result_t checkChunks(exr_const_context_t context, int part, exr_storage_t storage)
{
    exr_chunk_info_t chunk;
    if (storage == EXR_STORAGE_SCANLINE) {
        exr_attr_box2i_t window;
        int32_t lines = 1;
        exr_result_t r = exr_get_data_window(context, part, &window);
        if (r == EXR_ERR_SUCCESS)
            r = exr_get_scanlines_per_chunk(context, part, &lines);
        for (int64_t y = window.min.y; r == EXR_ERR_SUCCESS && y <= window.max.y; y += lines)
            r = exr_read_scanline_chunk_info(context, part, int(y), &chunk);
        return r;
    }
    int32_t levelsX = 0, levelsY = 0;
    exr_tile_level_mode_t mode = EXR_TILE_ONE_LEVEL;
    exr_result_t r = exr_get_tile_levels(context, part, &levelsX, &levelsY);
    if (r == EXR_ERR_SUCCESS)
        r = exr_get_tile_descriptor(context, part, nullptr, nullptr, &mode, nullptr);
    for (int ly = 0; r == EXR_ERR_SUCCESS && ly < levelsY; ++ly) {
        for (int lx = 0; r == EXR_ERR_SUCCESS && lx < levelsX; ++lx) {
            if (mode == EXR_TILE_MIPMAP_LEVELS && lx != ly)
                continue;
            int32_t width = 0, height = 0, tileWidth = 1, tileHeight = 1;
            r = exr_get_level_sizes(context, part, lx, ly, &width, &height);
            if (r == EXR_ERR_SUCCESS)
                r = exr_get_tile_sizes(context, part, lx, ly, &tileWidth, &tileHeight);
            const int countX = (width + tileWidth - 1) / std::max(tileWidth, 1);
            const int countY = (height + tileHeight - 1) / std::max(tileHeight, 1);
            for (int ty = 0; r == EXR_ERR_SUCCESS && ty < countY; ++ty)
                for (int tx = 0; r == EXR_ERR_SUCCESS && tx < countX; ++tx)
                    r = exr_read_tile_chunk_info(context, part, tx, ty, lx, ly, &chunk);
        }
    }
    return r;
}

} // namespace

bool checkExrStructure(const InputFile& file)
{
    CheckState state{&file, {}};
    CoreContext context(state);
    if (context.result() != EXR_ERR_SUCCESS)
        fail(file.path(), "not a readable EXR: " +
                              (state.message.empty()
                                   ? std::string(exr_get_default_error_message(context.result()))
                                   : state.message));
    int parts = 0;
    exr_get_count(context.get(), &parts);
    for (int part = 0; part < parts; ++part) {
        exr_storage_t storage = EXR_STORAGE_SCANLINE;
        exr_get_storage(context.get(), part, &storage);
        if (storage == EXR_STORAGE_DEEP_SCANLINE || storage == EXR_STORAGE_DEEP_TILED)
            fail(file.path(), "part " + std::to_string(part) +
                                  " holds deep data; deep images are not supported");
        const exr_result_t r = checkChunks(context.get(), part, storage);
        if (r != EXR_ERR_SUCCESS)
            failDamaged(state, r, part);
    }
    const exr_attribute_t* type = nullptr;
    return exr_get_attribute_by_name(context.get(), 0, "type", &type) == EXR_ERR_SUCCESS;
}

} // namespace zelk::detail
