#include "CubeBin.h"

#include "LutError.h"
#include "LutRules.h"
#include "RegularFile.h"

#include <cmath>
#include <cstring>

namespace zelk::lut {

namespace {

// Where the reader's bytes come from, read front to back.
class Source {
public:
    virtual ~Source() = default;
    virtual bool isOpen() const = 0;
    // Why it is not open, or why the last read failed.
    virtual std::string error() const = 0;
    virtual std::uint64_t size() = 0;
    virtual bool read(char* out, std::uint64_t bytes) = 0;
};

// A look file: only the count and the announced entries are read, never the
// rest of a file.
class FileSource final : public Source {
public:
    explicit FileSource(const std::string& path) : m_file(path) {}
    bool isOpen() const override { return m_file.isOpen(); }
    std::string error() const override { return m_file.error(); }
    std::uint64_t size() override { return m_file.size(); }
    bool read(char* out, std::uint64_t bytes) override { return m_file.read(out, bytes); }

private:
    RegularFile m_file;
};

class MemorySource final : public Source {
public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}
    bool isOpen() const override { return true; }
    std::string error() const override { return "it ended early"; }
    std::uint64_t size() override { return m_bytes.size(); }
    bool read(char* out, std::uint64_t bytes) override
    {
        if (bytes > m_bytes.size() - m_offset)
            return false;
        std::memcpy(out, m_bytes.data() + m_offset, static_cast<std::size_t>(bytes));
        m_offset += static_cast<std::size_t>(bytes);
        return true;
    }

private:
    std::string_view m_bytes;
    std::size_t m_offset = 0;
};

enum class Mode { Lenient, Strict };

// The one reader. A refused file ends it: lenient, with the plug-in's log lines
// and false; strict, with LutError.
class Reader {
public:
    Reader(Source& source, Mode mode, const std::string& name, const CubeBinLog& log)
        : m_source(source), m_mode(mode), m_name(name), m_log(log)
    {
    }

    // Opens and checks the count against the file's length and, strict, the lattice.
    bool readHeader()
    {
        if (!m_source.isOpen()) {
            const std::string why = m_source.error();
            if (why == RegularFile::kNotRegular)
                return refuse("cannot open", std::string("read_triplets: ") + why, "is " + why);
            return refuse("cannot open", "", "cannot be opened (" + why + ")");
        }
        m_fileBytes = m_source.size();
        char first[kCubeBinHeaderBytes] = {};
        if (m_fileBytes < kCubeBinHeaderBytes || !m_source.read(first, sizeof first)) {
            const std::string bytes = "(" + std::to_string(m_fileBytes) + " bytes)";
            return refuse("too short for the 8-byte entry count " + bytes,
                          "read_triplets: the file is shorter than its 8-byte header",
                          "is shorter than its 8-byte header " + bytes);
        }
        m_header = cubeBinHeader(m_fileBytes, std::string_view(first, sizeof first));
        const std::string count = std::to_string(m_header.count);
        if (m_mode == Mode::Lenient)
            m_log("read_triplets size: " + count);
        else if (m_header.count == 0)
            throw LutError(where(m_name) + "holds no entries (count 0)");
        if (!m_header.complete()) {
            // Compared with the file's length before anything is allocated.
            const std::string announced = "the header announces " + count +
                                          " entries, the file holds " +
                                          std::to_string(m_header.entriesHeld);
            return refuse("truncated: " + announced, "read_triplets: " + announced,
                          "is truncated: " + announced);
        }
        if (m_mode == Mode::Strict)
            checkLattice();
        else if (lutUsability(m_header.count, lutSizeForCount(m_header.count)) ==
                 LutUsability::TooLarge)
            return refuseTooLarge();
        return true;
    }

    CubeBinLoad::Outcome outcome() const { return m_outcome; }
    const std::string& problem() const { return m_problem; }

    std::uint64_t count() const { return m_header.count; }
    int latticeSize() const { return m_latticeSize; }

    // Reads the announced entries into `values` (3 * count() floats).
    bool readEntries(float* values)
    {
        const std::uint64_t floats = 3 * m_header.count;
        // A failure here means the file shrank after its size was taken.
        if (floats > 0 && !m_source.read(reinterpret_cast<char*>(values), 4 * floats))
            return refuse("read error", "", "could not be read (" + m_source.error() + ")");
        cubeBinValuesToHost(values, static_cast<std::size_t>(floats));
        if (m_mode == Mode::Strict)
            checkFinite(values, floats);
        return true;
    }

private:
    // Strict: LutError with `strictReason`. Lenient: the log lines and, for the
    // user, `problem`, which completes "the look file ...".
    bool refuse(const std::string& strictReason, const std::string& lenientDetail,
                const std::string& problem)
    {
        if (m_mode == Mode::Strict)
            throw LutError(where(m_name) + strictReason);
        m_log("cant open file for reading: " + m_name);
        if (!lenientDetail.empty())
            m_log(lenientDetail);
        m_problem = problem;
        return false;
    }

    // A lattice that would never be applied is not worth its memory.
    bool refuseTooLarge()
    {
        const std::string why = whyLutIsNotApplied(m_header.count, lutSizeForCount(m_header.count));
        m_log("read_triplets: " + why);
        m_outcome = CubeBinLoad::TooLarge;
        m_problem = "holds " + std::to_string(m_header.count) + " entries; " + why;
        return false;
    }

    void checkLattice()
    {
        const std::uint64_t count = m_header.count;
        m_latticeSize = lutSizeForCount(count);
        const std::uint64_t n = static_cast<std::uint64_t>(m_latticeSize);
        if (n * n * n != count)
            throw LutError(where(m_name) + std::to_string(count) +
                           " entries are not a whole lattice (N x N x N)");
        if (m_latticeSize < kMinCubeSize || m_latticeSize > kMaxCubeSize)
            throw LutError(where(m_name) + "lattice of " + std::to_string(m_latticeSize) +
                           " points per axis is outside " + std::to_string(kMinCubeSize) + " to " +
                           std::to_string(kMaxCubeSize));
        const std::uint64_t trailing =
            m_fileBytes - kCubeBinHeaderBytes - count * kCubeBinEntryBytes;
        if (trailing > 0)
            m_log(where(m_name) + "warning: " + std::to_string(trailing) +
                  " bytes after the last entry are ignored");
    }

    void checkFinite(const float* values, std::uint64_t floats) const
    {
        static const char* const kChannels[3] = {"red", "green", "blue"};
        for (std::uint64_t i = 0; i < floats; ++i)
            if (!std::isfinite(values[i]))
                throw LutError(where(m_name) + "entry " + std::to_string(i / 3) +
                               " holds a non-finite " + kChannels[i % 3] + " value");
    }

    Source& m_source;
    const Mode m_mode;
    const std::string& m_name;
    const CubeBinLog& m_log;
    std::uint64_t m_fileBytes = 0;
    CubeBinHeader m_header;
    int m_latticeSize = 0;
    CubeBinLoad::Outcome m_outcome = CubeBinLoad::Unreadable;
    std::string m_problem;
};

void storeU64(std::string& out, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xffu));
}

void storeF32(std::string& out, float v)
{
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((bits >> (8 * i)) & 0xffu));
}

} // namespace

CubeBinHeader cubeBinHeader(std::uint64_t fileBytes, std::string_view firstBytes)
{
    CubeBinHeader header;
    if (fileBytes < kCubeBinHeaderBytes || firstBytes.size() < kCubeBinHeaderBytes)
        return header;
    header.present = true;
    for (int i = 7; i >= 0; --i)
        header.count = (header.count << 8) | static_cast<unsigned char>(firstBytes[i]);
    header.entriesHeld = (fileBytes - kCubeBinHeaderBytes) / kCubeBinEntryBytes;
    return header;
}

void cubeBinValuesToHost(float* values, std::size_t count)
{
    if constexpr (__BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t bits;
            std::memcpy(&bits, &values[i], sizeof bits);
            bits = __builtin_bswap32(bits);
            std::memcpy(&values[i], &bits, sizeof bits);
        }
    }
}

CubeBinLoad readCubeBinLenient(const std::string& path, std::vector<zelk_vec3<float>>& lut,
                               const CubeBinLog& log)
{
    FileSource file(path);
    Reader reader(file, Mode::Lenient, path, log);
    CubeBinLoad load;
    if (reader.readHeader()) {
        std::vector<zelk_vec3<float>> entries(static_cast<std::size_t>(reader.count()));
        if (reader.readEntries(reinterpret_cast<float*>(entries.data()))) {
            lut = std::move(entries);
            load.outcome = CubeBinLoad::Loaded;
            return load;
        }
    }
    load.outcome = reader.outcome();
    load.problem = reader.problem();
    return load;
}

LatticeLut parseCubeBin(std::string_view bytes, const std::string& name, std::string* warning)
{
    MemorySource memory(bytes);
    const CubeBinLog keepWarning = [warning](const std::string& line) {
        if (warning)
            *warning = line;
    };
    Reader reader(memory, Mode::Strict, name, keepWarning);
    reader.readHeader();
    LatticeLut lut = makeLattice(reader.latticeSize());
    reader.readEntries(lut.values.data());
    return lut;
}

std::string encodeCubeBin(const LatticeLut& lut)
{
    std::string out;
    out.reserve(kCubeBinHeaderBytes + 4 * lut.values.size());
    storeU64(out, lut.entryCount());
    for (float v : lut.values)
        storeF32(out, v);
    return out;
}

} // namespace zelk::lut
