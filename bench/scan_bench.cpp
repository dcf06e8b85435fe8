// Times the three demo scans on 64 MiB and 256 MiB demo-like buffers against
// two baselines measured in the same run: one memchr pass over the buffer
// for a byte it does not hold, and the literal reference scans. Prints each
// fast scan as a multiple of the memchr pass and as a speed-up over its
// reference, then the peak memory of one inspection of a 64 MiB file.
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <time.h>

#include <map>
#include <string>
#include <vector>

#include "bench/demo_like_buffer.h"
#include "tests/reference/reference_scans.h"
#include "demo/analysis.h"
#include "demo/resolution_records.h"
#include "demo/team_messages.h"

static const size_t MIB = 1u << 20;
static const size_t LARGEST_MIB = 256;

// The fastest iteration of each benchmark, in seconds of this thread's CPU
// time (the machine may be shared), by "scan/MiB".
static std::map<std::string, double> fastest;

static std::string Key(const char* scan, const benchmark::State& state)
{
    return std::string(scan) + "/" + std::to_string(state.range(0));
}

static double ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

template <typename Work>
static void Measure(benchmark::State& state, const char* scan, Work work)
{
    std::vector<unsigned char>& bytes = DemoLikeBuffer(LARGEST_MIB * MIB);
    size_t size = (size_t)state.range(0) * MIB;
    double best = 1e30;
    for (auto _ : state) {
        double start = ThreadSeconds();
        work(bytes.data(), size);
        double took = ThreadSeconds() - start;
        if (took < best)
            best = took;
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)size);
    fastest[Key(scan, state)] = best;
}

static void Memchr(benchmark::State& state)
{
    Measure(state, "memchr", [](unsigned char* bytes, size_t size) {
        const void* found = memchr(bytes, DEMO_LIKE_ABSENT_BYTE, size);
        benchmark::DoNotOptimize(found);
        if (found) {
            fprintf(stderr, "the baseline byte occurs in the buffer\n");
            exit(1);
        }
    });
}

static void Analyse(benchmark::State& state, const char* scan, bool early,
                    void (*analyse)(const unsigned char*, size_t, const char*, const char*,
                                    const char*, DemoInspection*))
{
    PlantPatterns(DemoLikeBuffer(LARGEST_MIB * MIB), early);
    static DemoInspection result;
    Measure(state, scan, [&](unsigned char* bytes, size_t size) {
        analyse(bytes, size, "800", "600", "C:\\Games\\Flickbox", &result);
        benchmark::DoNotOptimize(result.demoWidth);
    });
    if (strcmp(result.demoWidth, early ? "800" : "*") != 0) {
        fprintf(stderr, "%s found %s\n", scan, result.demoWidth);
        exit(1);
    }
}

static void AnalyseBest(benchmark::State& state)
{
    Analyse(state, "AnalyseDemo best", true, AnalyseDemo);
}

static void AnalyseWorst(benchmark::State& state)
{
    Analyse(state, "AnalyseDemo worst", false, AnalyseDemo);
}

static void ReferenceAnalyseBest(benchmark::State& state)
{
    Analyse(state, "reference AnalyseDemo best", true, ReferenceAnalyseDemo);
}

static void ReferenceAnalyseWorst(benchmark::State& state)
{
    Analyse(state, "reference AnalyseDemo worst", false, ReferenceAnalyseDemo);
}

// 800x600 to itself: every planted record is found and rewritten, and the
// buffer stays the same from one iteration to the next.
static void Rewrite(benchmark::State& state, const char* scan,
                    void (*rewrite)(unsigned char*, size_t, unsigned int, unsigned int,
                                    unsigned int, unsigned int))
{
    PlantPatterns(DemoLikeBuffer(LARGEST_MIB * MIB), true);
    Measure(state, scan, [&](unsigned char* bytes, size_t size) {
        rewrite(bytes, size, 800, 600, 800, 600);
        benchmark::ClobberMemory();
    });
}

static void RewriteFast(benchmark::State& state)
{
    Rewrite(state, "RewriteResolutionRecords", RewriteResolutionRecords);
}

static void RewriteReference(benchmark::State& state)
{
    Rewrite(state, "reference RewriteResolutionRecords", ReferenceRewriteResolutionRecords);
}

// The planted team messages are put back before each iteration, outside the
// timed part, so every iteration blanks the same messages.
static void Blank(benchmark::State& state, const char* scan,
                  unsigned int (*blank)(unsigned char*, size_t))
{
    std::vector<unsigned char>& buffer = DemoLikeBuffer(LARGEST_MIB * MIB);
    size_t size = (size_t)state.range(0) * MIB;
    double best = 1e30;
    unsigned int count = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PlantPatterns(buffer, true);
        state.ResumeTiming();
        double start = ThreadSeconds();
        count = blank(buffer.data(), size);
        double took = ThreadSeconds() - start;
        if (took < best)
            best = took;
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)size);
    state.counters["messages"] = count;
    fastest[Key(scan, state)] = best;
}

static void BlankFast(benchmark::State& state)
{
    Blank(state, "BlankTeamMessages", BlankTeamMessages);
}

static void BlankReference(benchmark::State& state)
{
    Blank(state, "reference BlankTeamMessages", ReferenceBlankTeamMessages);
}

#define SCAN_BENCHMARK(function) \
    BENCHMARK(function)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->MinTime(0.3)
#define REFERENCE_BENCHMARK(function) \
    BENCHMARK(function)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->Iterations(2)

SCAN_BENCHMARK(Memchr);
SCAN_BENCHMARK(AnalyseBest);
SCAN_BENCHMARK(AnalyseWorst);
SCAN_BENCHMARK(RewriteFast);
SCAN_BENCHMARK(BlankFast);
REFERENCE_BENCHMARK(ReferenceAnalyseBest);
REFERENCE_BENCHMARK(ReferenceAnalyseWorst);
REFERENCE_BENCHMARK(RewriteReference);
REFERENCE_BENCHMARK(BlankReference);

// The best case has no target of its own; it is printed for comparison.
struct Target {
    const char* scan;
    const char* reference;
    double memchrLimit;   // 0: no target
    double speedUpTarget;
};

static const Target Targets[] = {
    {"AnalyseDemo best", "reference AnalyseDemo best", 0, 0},
    {"AnalyseDemo worst", "reference AnalyseDemo worst", 4.0, 10.0},
    {"RewriteResolutionRecords", "reference RewriteResolutionRecords", 3.0, 10.0},
    {"BlankTeamMessages", "reference BlankTeamMessages", 3.0, 10.0},
};

static bool PrintRatios()
{
    bool allMet = true;
    printf("\n%-26s %5s %10s %10s %12s  %s\n", "scan (fastest, CPU time)", "MiB", "ms",
           "x memchr", "x reference", "targets");
    for (const Target& target : Targets) {
        for (int mib : {64, 256}) {
            std::string suffix = "/" + std::to_string(mib);
            auto scan = fastest.find(target.scan + suffix);
            auto base = fastest.find("memchr" + suffix);
            auto reference = fastest.find(target.reference + suffix);
            if (scan == fastest.end() || base == fastest.end() || reference == fastest.end())
                continue;
            double toMemchr = scan->second / base->second;
            double speedUp = reference->second / scan->second;
            printf("%-26s %5d %10.2f %10.2f %12.1f  ", target.scan, mib, scan->second * 1000,
                   toMemchr, speedUp);
            if (target.memchrLimit == 0) {
                printf("none\n");
                continue;
            }
            bool met = toMemchr <= target.memchrLimit && speedUp >= target.speedUpTarget;
            allMet = allMet && met;
            printf("<= %.0fx memchr, >= %.0fx reference: %s\n", target.memchrLimit,
                   target.speedUpTarget, met ? "met" : "MISSED");
        }
    }
    printf("(memchr: one pass for a byte the buffer does not hold)\n");
    return allMet;
}

// Peak resident memory of one inspection of a 64 MiB demo-like file: the
// file read into a buffer of exactly its size, then analysed. The process's
// high-water mark is reset first, so only the inspection's growth counts.
static long StatusKib(const char* field)
{
    FILE* status = fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long value = -1;
    size_t length = strlen(field);
    while (fgets(line, sizeof line, status)) {
        if (strncmp(line, field, length) == 0 && line[length] == ':')
            value = strtol(line + length + 1, NULL, 10);
    }
    fclose(status);
    return value;
}

static bool ResetPeak()
{
    FILE* refs = fopen("/proc/self/clear_refs", "w");
    if (!refs)
        return false;
    bool written = fputs("5", refs) >= 0;
    return fclose(refs) == 0 && written;
}

static bool PrintInspectionMemory()
{
    const size_t size = 64 * MIB;
    std::vector<unsigned char>& bytes = DemoLikeBuffer(LARGEST_MIB * MIB);
    PlantPatterns(bytes, false);
    char path[] = "/tmp/flickbox-bench-XXXXXX";
    int descriptor = mkstemp(path);
    FILE* file = descriptor >= 0 ? fdopen(descriptor, "w+b") : NULL;
    if (!file || fwrite(bytes.data(), 1, size, file) != size || fflush(file) != 0) {
        printf("\ninspection memory: could not write %s\n", path);
        return false;
    }
    rewind(file);
    if (!ResetPeak()) {
        printf("\ninspection memory: the peak cannot be reset here, not measured\n");
        fclose(file);
        remove(path);
        return true;
    }
    long before = StatusKib("VmRSS");
    unsigned char* buffer = (unsigned char*)malloc(size);
    bool read = buffer && fread(buffer, 1, size, file) == size;
    static DemoInspection result;
    if (read)
        AnalyseDemo(buffer, size, "800", "600", "C:\\Games\\Flickbox", &result);
    long peak = StatusKib("VmHWM");
    free(buffer);
    fclose(file);
    remove(path);
    if (!read) {
        printf("\ninspection memory: could not read the file back\n");
        return false;
    }
    long growthKib = peak - before;
    long limitKib = (long)(size / 1024) + 1024;
    bool met = growthKib <= limitKib;
    printf("\ninspection of a 64 MiB file: peak grows by %ld KiB; file + 1 MiB = %ld KiB: %s\n",
           growthKib, limitKib, met ? "met" : "MISSED");
    return met;
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    DemoLikeBuffer(LARGEST_MIB * MIB);
    bool memoryMet = PrintInspectionMemory();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bool ratiosMet = PrintRatios();
    return memoryMet && ratiosMet ? 0 : 1;
}
