// zelk_bench_cpu: throughput of the CPU path at 3840x2160 RGBA float, mix 0.75,
// N = 33 and 65, on 1 and 2 threads. Measures, in one run: each row function
// alone, whole renders through the real bundle and our host (one child process
// per forced path, since the plug-in chooses its path once at load), and a plain
// copy of the same frame. Prints median megapixels per second and the ratios
// against the scalar row function and against the copy.

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
    std::string bundle;
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

int usage()
{
    std::fprintf(stderr,
                 "usage: zelk_bench_cpu [--runs K] [--size WxH] [--bundle DIR] [--no-host]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--host-child") == 0) {
        return runHostChild(argc, argv);
    }
    Options opt;
    opt.bundle = ZELK_BENCH_BUNDLE;
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
            opt.bundle = argv[++i];
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

    if (opt.host && !opt.bundle.empty() && std::filesystem::exists(opt.bundle)) {
        try {
            const std::string dir = (std::filesystem::temp_directory_path() /
                                     ("zelk-bench-" + std::to_string(getpid())))
                                        .string();
            const std::string bundle = zelkbench::makeBenchBundle(opt.bundle, dir);
            for (LookRowPath rowPath : paths) {
                const char* path = zelk::lookRowPathName(rowPath);
                const std::string row = std::string("host ") + path;
                order.push_back(row);
                for (int n : kLutSizes) {
                    for (unsigned t : kThreadCounts) {
                        double seconds = 0.0;
                        if (hostSeconds(bundle, path, n, t, opt, seconds, notes)) {
                            mpps[row][{n, t}] = megapixels / seconds;
                        }
                    }
                }
            }
            std::filesystem::remove_all(dir);
        } catch (const std::exception& e) {
            notes.push_back(std::string("host renders skipped: ") + e.what());
        }
    } else if (opt.host) {
        notes.push_back("host renders skipped: no bundle at '" + opt.bundle + "'");
    }

    printTable(mpps, order, notes);
    return 0;
}
