// zelk_bench_cpu: throughput of the CPU path at 3840x2160 RGBA float, mix 0.75,
// N = 33 and 65, on 1 and 2 threads. Measures, in one run: each row function
// alone, whole renders through the real bundle and our host (one child process
// per forced path, since the plug-in chooses its path once at load), and a plain
// copy of the same frame. Prints median megapixels per second and the ratios
// against the scalar row function and against the copy.
//
// Whole renders run for each bundle given (--bundle [LABEL=]DIR, repeatable).
// By default: the build's bundle and, where the bundle's plug-in is zig's
// portable build, this compiler's build of the same sources beside it.

#include "BenchBundle.h"
#include "BenchData.h"
#include "BenchTiming.h"
#include "HostRender.h"
#include "LookRow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using zelk::LookRowPath;

struct Options {
    int runs = 5;
    int width = 3840;
    int height = 2160;
    std::vector<std::pair<std::string, std::string>> bundles; // label, directory
    bool host = true;
};

const int kLutSizes[] = {33, 65};
const unsigned kThreadCounts[] = {1, 2};

// The row paths this machine runs, narrowest first.
std::vector<LookRowPath> availablePaths()
{
    std::vector<LookRowPath> paths;
    for (int i = 0; i < zelk::kLookRowPathCount; ++i) {
        if (zelk::lookRowFunction(LookRowPath(i)) != nullptr) {
            paths.push_back(LookRowPath(i));
        }
    }
    return paths;
}

// Splits the rows into one contiguous band per thread, as the processor does.
template <class Band> void runBands(unsigned threads, int height, Band&& band)
{
    if (threads <= 1) {
        band(0, height);
        return;
    }
    std::vector<std::thread> pool;
    const int chunk = (height + int(threads) - 1) / int(threads);
    for (unsigned t = 0; t < threads; ++t) {
        const int y0 = std::min(height, int(t) * chunk);
        const int y1 = std::min(height, y0 + chunk);
        pool.emplace_back([&band, y0, y1] { band(y0, y1); });
    }
    for (std::thread& th : pool) {
        th.join();
    }
}

double rowSeconds(zelk::LookRowFn fn, const zelk::LookRowParams& params, const Options& opt,
                  unsigned threads, const std::vector<float>& src, std::vector<float>& dst)
{
    const std::size_t stride = 4 * std::size_t(opt.width);
    return zelkbench::medianSeconds(opt.runs, [&] {
        runBands(threads, opt.height, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                fn(params, src.data() + y * stride, dst.data() + y * stride, opt.width);
            }
        });
    });
}

double copySeconds(const Options& opt, unsigned threads, const std::vector<float>& src,
                   std::vector<float>& dst)
{
    const std::size_t stride = 4 * std::size_t(opt.width);
    return zelkbench::medianSeconds(opt.runs, [&] {
        runBands(threads, opt.height, [&](int y0, int y1) {
            std::memcpy(dst.data() + y0 * stride, src.data() + y0 * stride,
                        sizeof(float) * stride * std::size_t(y1 - y0));
        });
    });
}

std::string cpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown CPU";
}

// Results keyed by row label, then by column (N, threads).
using Column = std::pair<int, unsigned>;
using Table = std::map<std::string, std::map<Column, double>>;

void printTable(const Table& mpps, const std::vector<std::string>& order,
                const std::vector<std::string>& notes)
{
    std::printf(
        "\nmedian megapixels per second (times the scalar row function, share of the copy)\n");
    std::printf("%-22s", "");
    for (int n : kLutSizes) {
        for (unsigned t : kThreadCounts) {
            char head[32];
            std::snprintf(head, sizeof head, "N=%d, %u thread%s", n, t, t > 1 ? "s" : "");
            std::printf("  %-24s", head);
        }
    }
    std::printf("\n");
    for (const std::string& row : order) {
        const auto it = mpps.find(row);
        if (it == mpps.end()) {
            continue;
        }
        std::printf("%-22s", row.c_str());
        for (int n : kLutSizes) {
            for (unsigned t : kThreadCounts) {
                const auto cell = it->second.find({n, t});
                if (cell == it->second.end()) {
                    std::printf("  %-24s", "-");
                    continue;
                }
                const double scalar = mpps.at("row scalar").at({n, t});
                const double copy = mpps.at("copy (memcpy)").at({n, t});
                char text[64];
                std::snprintf(text, sizeof text, "%7.1f (%5.2fx, %3.0f%%)", cell->second,
                              cell->second / scalar, 100.0 * cell->second / copy);
                std::printf("  %-24s", text);
            }
        }
        std::printf("\n");
    }
    for (const std::string& note : notes) {
        std::printf("note: %s\n", note.c_str());
    }
}

std::string selfPath()
{
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

// Child mode: one host render series, result on stdout.
int runHostChild(int argc, char** argv)
{
    if (argc != 10) {
        std::fprintf(stderr, "--host-child: wrong argument count\n");
        return 2;
    }
    zelkbench::HostRenderJob job;
    job.bundlePath = argv[2];
    job.look = argv[3];
    job.lutSize = std::atoi(argv[4]);
    job.threads = unsigned(std::atoi(argv[5]));
    job.runs = std::atoi(argv[6]);
    job.width = std::atoi(argv[7]);
    job.height = std::atoi(argv[8]);
    job.mix = float(std::atof(argv[9]));
    try {
        const zelkbench::HostRenderResult r = zelkbench::renderThroughHost(job);
        std::printf("result %.9f %lld\n", r.medianSeconds, r.mismatches);
        return 0;
    } catch (const std::exception& e) {
        std::printf("error %s\n", e.what());
        return 1;
    }
}

// Runs one child with ZELK_CPU_PATH set; false with a note when it fails.
bool hostSeconds(const std::string& bundle, const char* path, int n, unsigned threads,
                 const Options& opt, double& seconds, std::vector<std::string>& notes)
{
    const std::string command = "ZELK_CPU_PATH=" + std::string(path) + " '" + selfPath() +
                                "' --host-child '" + bundle + "' bench" + std::to_string(n) + " " +
                                std::to_string(n) + " " + std::to_string(threads) + " " +
                                std::to_string(opt.runs) + " " + std::to_string(opt.width) + " " +
                                std::to_string(opt.height) + " 0.75 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        notes.push_back("cannot start " + command);
        return false;
    }
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    pclose(pipe);
    const std::size_t at = output.find("result ");
    long long mismatches = 0;
    if (at == std::string::npos ||
        std::sscanf(output.c_str() + at, "result %lf %lld", &seconds, &mismatches) != 2) {
        notes.push_back(std::string("host ") + path + ", N=" + std::to_string(n) + ": " + output);
        return false;
    }
    // Anything else the child said (the plug-in's warnings about the path).
    const std::string other = output.substr(0, at);
    if (!other.empty()) {
        notes.push_back(std::string("host ") + path + ", N=" + std::to_string(n) + ", " +
                        std::to_string(threads) + " threads said: " + other);
    }
    if (mismatches != 0) {
        notes.push_back(std::string("host ") + path + ", N=" + std::to_string(n) + ", " +
                        std::to_string(threads) + " threads: " + std::to_string(mismatches) +
                        " output floats differ from the scalar rule");
    }
    return true;
}

// The "host PATH[ LABEL]" rows: whole renders through each bundle, the bundles
// taken in turn for each cell so that a change in the machine's load falls on
// all of them alike.
void hostRows(const Options& opt, const std::vector<LookRowPath>& paths, double megapixels,
              Table& mpps, std::vector<std::string>& order, std::vector<std::string>& notes)
{
    const std::string work =
        (std::filesystem::temp_directory_path() / ("zelk-bench-" + std::to_string(getpid())))
            .string();
    std::vector<std::pair<std::string, std::string>> bundles; // row suffix, bench copy
    for (std::size_t i = 0; i < opt.bundles.size(); ++i) {
        const auto& [label, dir] = opt.bundles[i];
        const std::string suffix =
            opt.bundles.size() > 1 ? " " + (label.empty() ? std::to_string(i + 1) : label) : "";
        try {
            if (dir.empty() || !std::filesystem::exists(dir)) {
                throw std::runtime_error("no bundle there");
            }
            bundles.emplace_back(suffix,
                                 zelkbench::makeBenchBundle(dir, work + "/" + std::to_string(i)));
        } catch (const std::exception& e) {
            notes.push_back("host renders of '" + dir + "' skipped: " + e.what());
        }
    }
    for (LookRowPath rowPath : paths) {
        const char* path = zelk::lookRowPathName(rowPath);
        for (const auto& bundle : bundles) {
            order.push_back(std::string("host ") + path + bundle.first);
        }
        for (int n : kLutSizes) {
            for (unsigned t : kThreadCounts) {
                for (const auto& [suffix, copy] : bundles) {
                    double seconds = 0.0;
                    if (hostSeconds(copy, path, n, t, opt, seconds, notes)) {
                        mpps[std::string("host ") + path + suffix][{n, t}] = megapixels / seconds;
                    }
                }
            }
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
}

// With several bundles: each later bundle's host rows against the first's.
void printBundleRatios(const Table& mpps, const std::vector<LookRowPath>& paths, const Options& opt)
{
    if (opt.bundles.size() < 2) {
        return;
    }
    const auto label = [&](std::size_t i) {
        return opt.bundles[i].first.empty() ? std::to_string(i + 1) : opt.bundles[i].first;
    };
    std::printf("\nwhole renders against the first bundle's (%s), same columns\n",
                label(0).c_str());
    for (LookRowPath rowPath : paths) {
        const std::string base = std::string("host ") + zelk::lookRowPathName(rowPath);
        const auto first = mpps.find(base + " " + label(0));
        for (std::size_t i = 1; i < opt.bundles.size(); ++i) {
            const auto other = mpps.find(base + " " + label(i));
            const std::string name = base + " " + label(i);
            std::printf("%-22s", name.c_str());
            for (int n : kLutSizes) {
                for (unsigned t : kThreadCounts) {
                    const bool both = first != mpps.end() && other != mpps.end() &&
                                      first->second.count({n, t}) && other->second.count({n, t});
                    char text[32] = "-";
                    if (both) {
                        std::snprintf(text, sizeof text, "%5.2fx",
                                      other->second.at({n, t}) / first->second.at({n, t}));
                    }
                    std::printf("  %-24s", text);
                }
            }
            std::printf("\n");
        }
    }
}

int usage()
{
    std::fprintf(stderr, "usage: zelk_bench_cpu [--runs K] [--size WxH] [--bundle [LABEL=]DIR]... "
                         "[--no-host]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--host-child") == 0) {
        return runHostChild(argc, argv);
    }
    Options opt;
#if defined(ZELK_BENCH_NATIVE_BUNDLE)
    opt.bundles = {{"zig", ZELK_BENCH_BUNDLE}, {ZELK_BENCH_NATIVE_LABEL, ZELK_BENCH_NATIVE_BUNDLE}};
#else
    opt.bundles = {{"", ZELK_BENCH_BUNDLE}};
#endif
    bool bundlesGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            opt.runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--size" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &opt.width, &opt.height) != 2 || opt.width < 1 ||
                opt.height < 1) {
                return usage();
            }
        } else if (arg == "--bundle" && i + 1 < argc) {
            if (!bundlesGiven) {
                opt.bundles.clear();
                bundlesGiven = true;
            }
            const std::string value = argv[++i];
            const std::size_t eq = value.find('=');
            opt.bundles.push_back(eq == std::string::npos
                                      ? std::make_pair(std::string(), value)
                                      : std::make_pair(value.substr(0, eq), value.substr(eq + 1)));
        } else if (arg == "--no-host") {
            opt.host = false;
        } else {
            return usage();
        }
    }

    std::printf("CPU path benchmark: %dx%d RGBA float, mix 0.75, median of %d runs\n", opt.width,
                opt.height, opt.runs);
    std::printf("CPU: %s, %u hardware threads; row paths here:", cpuModel().c_str(),
                std::thread::hardware_concurrency());
    const std::vector<LookRowPath> paths = availablePaths();
    for (LookRowPath path : paths) {
        std::printf(" %s", zelk::lookRowPathName(path));
    }
    std::printf("\n");
    std::fflush(stdout);

    const std::vector<float> src = zelkbench::makeFrame(opt.width, opt.height);
    std::vector<float> dst(src.size());
    const double megapixels = double(opt.width) * opt.height / 1e6;
    Table mpps;
    std::vector<std::string> order = {"copy (memcpy)"};
    std::vector<std::string> notes;

    for (int n : kLutSizes) {
        const std::vector<float> lut = zelkbench::makeLook(n);
        const float mix = 0.75f;
        const zelk::LookRowParams params{lut.data(), n, mix, 1.0f - mix};
        for (unsigned t : kThreadCounts) {
            mpps["copy (memcpy)"][{n, t}] = megapixels / copySeconds(opt, t, src, dst);
            for (LookRowPath path : paths) {
                mpps[std::string("row ") + zelk::lookRowPathName(path)][{n, t}] =
                    megapixels / rowSeconds(zelk::lookRowFunction(path), params, opt, t, src, dst);
            }
        }
    }
    for (LookRowPath path : paths) {
        order.push_back(std::string("row ") + zelk::lookRowPathName(path));
    }

    if (opt.host) {
        hostRows(opt, paths, megapixels, mpps, order, notes);
    }

    printTable(mpps, order, notes);
    if (opt.host) {
        printBundleRatios(mpps, paths, opt);
    }
    return 0;
}
