#pragma once

// The looks inside a plug-in bundle, by name: where their two files lie, the
// names as the host lists them, and the lock that keeps two zelk-lut runs from
// changing the same bundle at once.

#include "TransferCurves.h"

#include <string>
#include <vector>

namespace zelk::lut {

class BundleLooks {
public:
    // LutError when `bundle` has no Contents/Resources directory.
    explicit BundleLooks(std::string bundle);

    const std::string& bundle() const { return m_bundle; }
    const std::string& resources() const { return m_resources; }
    std::string directory(TransferCurve curve) const;
    std::string file(TransferCurve curve, const std::string& name) const;

    // The names the host offers, in its order: every regular file of the
    // Tevo3 directory (links followed), less ".cube.bin", sorted byte-wise.
    std::vector<std::string> names() const;
    // Names with a Tevo4 file but none for Tevo3: the host does not list them.
    std::vector<std::string> unlistedNames() const;

private:
    std::string m_bundle;
    std::string m_resources;
};

// An exclusive lock on a bundle's looks (a lock file in its Resources folder),
// waited for up to `waitSeconds`; LutError when another run holds it longer.
class BundleLock {
public:
    explicit BundleLock(const BundleLooks& bundle, double waitSeconds = 10.0);
    ~BundleLock();
    BundleLock(const BundleLock&) = delete;
    BundleLock& operator=(const BundleLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace zelk::lut
