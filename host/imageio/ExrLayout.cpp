// Which part and which channels of an EXR file are graded.
#include "ExrFormat.h"
#include "FormatIO.h"

#include <ImfTileDescription.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace zelk::detail {

namespace {

bool hasChannel(const Imf::Header& header, const std::string& name)
{
    return header.channels().findChannel(name) != nullptr;
}

bool hasColour(const Imf::Header& header, const std::string& prefix)
{
    return hasChannel(header, prefix + "R") && hasChannel(header, prefix + "G") &&
           hasChannel(header, prefix + "B");
}

std::string partLabel(const std::vector<Imf::Header>& headers, int part)
{
    std::string label = std::to_string(part);
    if (headers[std::size_t(part)].hasName())
        label += " \"" + headers[std::size_t(part)].name() + "\"";
    return label;
}

// Layers with all of R, G and B, over the parts searched ("(none)" else).
std::string colourLayers(const std::vector<Imf::Header>& headers, int onlyPart)
{
    std::set<std::string> layers;
    for (std::size_t p = 0; p < headers.size(); ++p) {
        if (onlyPart >= 0 && int(p) != onlyPart)
            continue;
        for (auto it = headers[p].channels().begin(); it != headers[p].channels().end(); ++it) {
            const std::string name = it.name();
            const auto dot = name.find_last_of('.');
            if (dot != std::string::npos && name.substr(dot + 1) == "R" &&
                hasColour(headers[p], name.substr(0, dot + 1)))
                layers.insert(name.substr(0, dot));
        }
    }
    std::string list;
    for (const std::string& layer : layers)
        list += (list.empty() ? "" : ", ") + layer;
    return list.empty() ? "(none)" : list;
}

int findPart(const std::string& path, const std::vector<Imf::Header>& headers,
             const std::string& wanted)
{
    const bool isIndex = !wanted.empty() && std::all_of(wanted.begin(), wanted.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
    for (std::size_t p = 0; p < headers.size(); ++p) {
        if ((isIndex && wanted.size() < 6 && std::stoi(wanted) == int(p)) ||
            (headers[p].hasName() && headers[p].name() == wanted))
            return int(p);
    }
    std::string parts;
    for (std::size_t p = 0; p < headers.size(); ++p)
        parts += (p ? ", " : "") + partLabel(headers, int(p));
    fail(path, "no part '" + wanted + "' (the file has " + parts + ")");
}

void checkGradable(const std::string& path, const std::vector<Imf::Header>& headers,
                   const GradedChannels& graded)
{
    const Imf::Header& header = headers[std::size_t(graded.part)];
    const std::string where =
        headers.size() > 1 ? " of part " + partLabel(headers, graded.part) : std::string();
    const char* const colours[3] = {"R", "G", "B"};
    for (int c = 0; c < (graded.grey ? 1 : 3); ++c) {
        const std::string name = graded.name(graded.grey ? "Y" : colours[c]);
        const Imf::Channel& channel = header.channels()[name];
        if (channel.type == Imf::UINT)
            fail(path, "channel " + name + where + " holds integers; only half and float " +
                           "channels are graded");
        if (channel.xSampling != 1 || channel.ySampling != 1)
            fail(path, "channel " + name + where + " is subsampled; it cannot be graded");
    }
    if (graded.grey && (hasChannel(header, "RY") || hasChannel(header, "BY")))
        fail(path, "luminance-chroma images (Y, RY, BY)" + where + " are not supported");
    if (header.hasTileDescription() && header.tileDescription().mode != Imf::ONE_LEVEL)
        fail(path, "mip-mapped and rip-mapped images" + where + " are not supported");
}

} // namespace

bool GradedChannels::isGraded(const std::string& channel) const
{
    if (grey && channel == prefix + "Y")
        return true;
    if (!grey && (channel == prefix + "R" || channel == prefix + "G" || channel == prefix + "B"))
        return true;
    return hasAlpha && channel == prefix + "A";
}

GradedChannels chooseGradedChannels(const std::string& path,
                                    const std::vector<Imf::Header>& headers,
                                    const ReadOptions& options)
{
    GradedChannels graded;
    graded.prefix = options.layer.empty() ? std::string() : options.layer + ".";
    const int onlyPart = options.part.empty() ? -1 : findPart(path, headers, options.part);

    int found = -1;
    for (std::size_t p = 0; p < headers.size() && found < 0; ++p)
        if ((onlyPart < 0 || int(p) == onlyPart) && hasColour(headers[p], graded.prefix))
            found = int(p);
    // A grey image: a lone Y, only where no part has colour.
    for (std::size_t p = 0; p < headers.size() && found < 0; ++p) {
        if ((onlyPart < 0 || int(p) == onlyPart) && hasChannel(headers[p], graded.prefix + "Y")) {
            found = int(p);
            graded.grey = true;
        }
    }
    if (found < 0) {
        const std::string where =
            onlyPart >= 0 ? "part " + partLabel(headers, onlyPart) : std::string("no part");
        fail(path, where + (onlyPart >= 0 ? " has no " : " has ") + graded.prefix + "R, " +
                       graded.prefix + "G and " + graded.prefix + "B channels (layers with " +
                       "them: " + colourLayers(headers, onlyPart) + ")");
    }
    graded.part = found;
    const Imf::Channel* alpha =
        headers[std::size_t(found)].channels().findChannel(graded.name("A"));
    graded.hasAlpha =
        alpha && alpha->type != Imf::UINT && alpha->xSampling == 1 && alpha->ySampling == 1;
    checkGradable(path, headers, graded);
    return graded;
}

} // namespace zelk::detail
