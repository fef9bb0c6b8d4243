// Measures the data-file conversion against a plain copy of the same bytes. A realistic data file is
// generated once into a temporary file; then copyDataFile (with four pairs naming images that the file
// uses) and an fread/fwrite copy each read it and write a temporary output. The plain copy gives its
// streams 64 KiB buffers; the conversion leaves its input unbuffered and gives its output 64 KiB, as the
// conversion run does. Prints both throughputs and their ratio.
//
// Size: --megabytes=N (or --megabytes N), else the environment variable CELSHIFT_BENCH_MEGABYTES, else 300.
// Each benchmark runs at least 4 s unless --benchmark_min_time says otherwise.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>
#include <map>
#include <string>
#include <vector>

#include "scenario_builder/data_file_generator.h"
#include "scenario_builder/image_names.h"
#include "transform/data_file_copier.h"

namespace {

using namespace celshift;
namespace fs = std::filesystem;

constexpr double kDefaultMegabytes = 300;
constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr std::size_t kPlainCopyChunk = 64 * 1024;

struct BenchFile {
    std::string input;
    std::string output;
    std::uint64_t bytes = 0;
    std::int64_t growth = 0;  // size change that the four pairs make
    std::uint64_t replacedFields = 0;
    build::NameMap pairs;
};
BenchFile gFile;

// A path for a new temporary file (created empty, so the name stays ours).
std::string temporaryPath(const char* stem) {
    std::string pattern = (fs::temp_directory_path() / (std::string(stem) + "-XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw std::runtime_error(std::string("cannot create a temporary file: ") + std::strerror(errno));
    close(fd);
    return pattern;
}

void prepareFile(double megabytes) {
    const auto images = build::imageNameSet(8);
    // Four pairs naming images that the file uses: longer, shorter, code page 932, same length.
    gFile.pairs = {{images[0].data, "cell_blue.bmp"},
                   {images[1].data, "g.bmp"},
                   {images[2].data, images[4].data},
                   {images[6].data, "cell_white.bmp"}};
    gFile.input = temporaryPath("celshift-bench-in");
    gFile.output = temporaryPath("celshift-bench-out");

    build::DataFileOptions options;
    options.kind = 0;
    options.seed = 2024;
    options.approximateBytes = static_cast<std::uint64_t>(megabytes * kMegabyte);
    for (const auto& image : images) options.imageNames.push_back(image.data);

    std::FILE* file = std::fopen(gFile.input.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot open " + gFile.input);
    const build::DataFileReport report = build::writeDataFile(file, options);
    if (std::fclose(file) != 0) throw std::runtime_error("cannot write " + gFile.input);
    gFile.bytes = report.bytes;
    gFile.growth = build::expectedGrowth(report, gFile.pairs);
    for (const auto& [from, to] : gFile.pairs) {
        const auto found = report.imageFields.find(from);
        if (found != report.imageFields.end()) gFile.replacedFields += found->second;
    }
}

std::uint64_t outputSize() {
    std::error_code error;
    const auto size = fs::file_size(gFile.output, error);
    return error ? 0 : size;
}

// The plain copy gives both streams a 64 KiB buffer.
void setBuffers(std::FILE* in, std::FILE* out, std::vector<char>& inBuffer, std::vector<char>& outBuffer) {
    std::setvbuf(in, inBuffer.data(), _IOFBF, inBuffer.size());
    std::setvbuf(out, outBuffer.data(), _IOFBF, outBuffer.size());
}

void BM_Conversion(benchmark::State& state) {
    std::vector<char> outBuffer(kOutputBufferBytes);
    ReplacementTableHolder holder;
    holder.enabled = true;
    holder.table = std::make_unique<ReplacementTable>();
    for (const auto& [from, to] : gFile.pairs) addReplacementPair(*holder.table, from, to);

    for (auto _ : state) {
        std::FILE* in = std::fopen(gFile.input.c_str(), "rb");
        std::FILE* out = std::fopen(gFile.output.c_str(), "wb");
        if (!in || !out) {
            state.SkipWithError("cannot open the temporary files");
            break;
        }
        // As the conversion run does: the copier's window is the input's buffer.
        std::setvbuf(in, nullptr, _IONBF, 0);
        std::setvbuf(out, outBuffer.data(), _IOFBF, outBuffer.size());
        DataFileCopier copier(in, out, 0, &holder);
        const int result = copyDataFile(copier);
        std::fclose(in);
        const bool closed = std::fclose(out) == 0;
        if (result != 0 || !closed) {
            state.SkipWithError("the conversion failed");
            break;
        }
    }
    if (outputSize() != static_cast<std::uint64_t>(static_cast<std::int64_t>(gFile.bytes) + gFile.growth))
        state.SkipWithError("the converted file does not have the expected size");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(gFile.bytes));
}

void BM_PlainCopy(benchmark::State& state) {
    std::vector<char> inBuffer(kOutputBufferBytes);
    std::vector<char> outBuffer(kOutputBufferBytes);
    std::string chunk(kPlainCopyChunk, '\0');
    for (auto _ : state) {
        std::FILE* in = std::fopen(gFile.input.c_str(), "rb");
        std::FILE* out = std::fopen(gFile.output.c_str(), "wb");
        if (!in || !out) {
            state.SkipWithError("cannot open the temporary files");
            break;
        }
        setBuffers(in, out, inBuffer, outBuffer);
        bool written = true;
        std::size_t got;
        while ((got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
            if (std::fwrite(chunk.data(), 1, got, out) != got) {
                written = false;
                break;
            }
        }
        const bool readFailed = std::ferror(in) != 0;
        std::fclose(in);
        const bool closed = std::fclose(out) == 0;
        if (readFailed || !written || !closed) {
            state.SkipWithError("the plain copy failed");
            break;
        }
    }
    if (outputSize() != gFile.bytes) state.SkipWithError("the copy does not have the input's size");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(gFile.bytes));
}

BENCHMARK(BM_Conversion)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCopy)->UseRealTime()->Unit(benchmark::kMillisecond);

// Shows the runs as usual and keeps each one's throughput for the summary.
class ThroughputReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that logs stay plain.
    ThroughputReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.error_occurred) continue;
            const auto rate = run.counters.find("bytes_per_second");
            if (rate != run.counters.end()) bytesPerSecond[run.run_name.function_name] = rate->second.value;
        }
    }
    std::map<std::string, double> bytesPerSecond;
};

// Takes --megabytes out of the arguments; false for a value that is not a positive number.
bool takeMegabytes(int& argc, char** argv, double& megabytes) {
    if (const char* env = std::getenv("CELSHIFT_BENCH_MEGABYTES")) {
        char* end = nullptr;
        megabytes = std::strtod(env, &end);
        if (*env == '\0' || *end != '\0' || !std::isfinite(megabytes) || megabytes <= 0) {
            std::fprintf(stderr, "transform_bench: CELSHIFT_BENCH_MEGABYTES must be a positive number\n");
            return false;
        }
    }
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = nullptr;
        if (arg == "--megabytes" && i + 1 < argc) value = argv[++i];
        else if (arg.rfind("--megabytes=", 0) == 0) value = argv[i] + std::strlen("--megabytes=");
        else if (arg == "--megabytes") value = "";
        if (!value) {
            argv[kept++] = argv[i];
            continue;
        }
        char* end = nullptr;
        megabytes = std::strtod(value, &end);
        if (*value == '\0' || *end != '\0' || !std::isfinite(megabytes) || megabytes <= 0) {
            std::fprintf(stderr, "transform_bench: --megabytes wants a positive number\n");
            return false;
        }
    }
    argc = kept;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    double megabytes = kDefaultMegabytes;
    if (!takeMegabytes(argc, argv, megabytes)) return 2;
    // Each measurement runs for some seconds unless told otherwise: one pass over a large file is noisy.
    std::vector<char*> args(argv, argv + argc);
    char defaultMinTime[] = "--benchmark_min_time=4";
    if (std::none_of(args.begin(), args.end(),
                     [](const char* a) { return std::strncmp(a, "--benchmark_min_time", 20) == 0; }))
        args.insert(args.begin() + 1, defaultMinTime);
    argc = static_cast<int>(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    int status = 0;
    try {
        prepareFile(megabytes);
        std::printf("data file: %.1f MB (kind 0), 4 pairs replacing %llu image-name fields\n", gFile.bytes / kMegabyte,
                    static_cast<unsigned long long>(gFile.replacedFields));
        std::fflush(stdout);

        ThroughputReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);

        const auto conversion = reporter.bytesPerSecond.find("BM_Conversion");
        const auto plain = reporter.bytesPerSecond.find("BM_PlainCopy");
        if (conversion != reporter.bytesPerSecond.end())
            std::printf("conversion:  %8.1f MB/s\n", conversion->second / kMegabyte);
        if (plain != reporter.bytesPerSecond.end())
            std::printf("plain copy:  %8.1f MB/s\n", plain->second / kMegabyte);
        if (conversion != reporter.bytesPerSecond.end() && plain != reporter.bytesPerSecond.end() && plain->second > 0)
            std::printf("ratio conversion / plain copy: %.3f\n", conversion->second / plain->second);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak resident memory: %.1f MB (1 MB = 1048576 bytes)\n", usage.ru_maxrss / 1024.0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "transform_bench: %s\n", e.what());
        status = 1;
    }
    std::error_code ignored;
    if (!gFile.input.empty()) fs::remove(gFile.input, ignored);
    if (!gFile.output.empty()) fs::remove(gFile.output, ignored);
    benchmark::Shutdown();
    return status;
}
