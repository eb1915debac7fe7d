// codec_bench.cpp -- LZARI throughput: the production codec against the step-by-step version.
//
// Builds a corpus of at least 8 MB from files of this machine (executables, text, already
// compressed images; generated data of the same kind stands in for whatever is missing), checks
// that both codecs write the same streams and that every stream expands back to its file (aborting
// loudly otherwise), then measures compression and expansion in MB/s (10^6 bytes per second), file
// by file as the installer works, and prints the speed-ups of the production codec.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/plainLzari.h"
#include "memsafe/s_mem.h"
#include "packer/s_packerCore.h"

namespace {

namespace fs = std::filesystem;

struct CorpusFile {
    std::string name;
    std::vector<uint8_t> data;
    std::vector<uint8_t> stream;  // its LZARI stream
};

enum Part { kExecutables, kText, kImages, kAll };
const char* const kPartNames[] = {"executables", "text", "images", "all"};

struct PartSource {
    std::vector<const char*> folders;
    bool (*wanted)(const fs::path& path);
    size_t budget;        // bytes of this part
    size_t largestPiece;  // longer files contribute their beginning only
};

bool IsExecutable(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    char magic[4] = {};
    return file.read(magic, 4) && std::memcmp(magic, "\x7f" "ELF", 4) == 0;
}

bool IsText(const fs::path& path) {
    std::string name = path.filename().string();
    std::string ext = path.extension().string();
    return name == "copyright" || ext == ".txt" || ext == ".html" || ext == ".md" || ext == ".rst";
}

bool IsImage(const fs::path& path) {
    std::string ext = path.extension().string();
    return ext == ".png" || ext == ".jpg" || ext == ".jpeg";
}

const PartSource kSources[] = {
    {{"/usr/bin", "/usr/lib/x86_64-linux-gnu"}, IsExecutable, 3200000, 1000000},
    {{"/usr/share/doc", "/usr/share/common-licenses"}, IsText, 3000000, 400000},
    {{"/usr/share/doc", "/usr/share/icons", "/usr/share/pixmaps", "/usr/share/wallpapers"}, IsImage, 2400000,
     400000},
};

std::vector<fs::path> Candidates(const PartSource& source) {
    std::vector<fs::path> found;
    for (const char* folder : source.folders) {
        std::error_code error;
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
        for (; !error && it != end; it.increment(error)) {
            std::error_code statError;
            if (it->is_regular_file(statError) && !it->is_symlink(statError) &&
                it->file_size(statError) >= 8192 && source.wanted(it->path()))
                found.push_back(it->path());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<uint8_t> ReadPiece(const fs::path& path, size_t largest) {
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> data(largest);
    file.read(reinterpret_cast<char*>(data.data()), std::streamsize(largest));
    data.resize(size_t(file.gcount()));
    return data;
}

// Stand-ins of each kind, for machines that lack the files: code-like records, words, noise.
std::vector<uint8_t> Generated(Part part, size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> data;
    static const char* const kWords[] = {"the ", "installer ", "writes ", "every ", "file ", "and ",
                                         "checks ", "its ", "CRC-32 ", "value.\r\n", "window ", "of "};
    while (data.size() < size) {
        if (part == kText) {
            const char* word = kWords[random() % (sizeof(kWords) / sizeof(kWords[0]))];
            data.insert(data.end(), word, word + std::strlen(word));
        } else if (part == kExecutables) {
            static const uint8_t kOpcodes[] = {0x48, 0x89, 0x8b, 0xe8, 0x0f, 0x85, 0xc3, 0x00, 0xff};
            data.push_back(kOpcodes[random() % sizeof(kOpcodes)]);
            if (random() % 4 == 0)
                data.push_back(uint8_t(random()));
        } else {
            data.push_back(uint8_t(random()));
        }
    }
    data.resize(size);
    return data;
}

std::vector<CorpusFile> gCorpus[kAll + 1];  // filled once by BuildCorpus

size_t CorpusBytes(Part part) {
    size_t total = 0;
    for (const CorpusFile& file : gCorpus[part])
        total += file.data.size();
    return total;
}

void Collect(Part part) {
    const PartSource& source = kSources[part];
    size_t collected = 0;
    for (const fs::path& path : Candidates(source)) {
        if (collected >= source.budget)
            break;
        std::vector<uint8_t> data = ReadPiece(path, std::min(source.largestPiece, source.budget - collected));
        collected += data.size();
        gCorpus[part].push_back({path.string(), std::move(data), {}});
    }
    if (collected < source.budget) {
        std::fprintf(stderr, "codec_bench: %s: %zu bytes found, generating the rest\n", kPartNames[part], collected);
        gCorpus[part].push_back({std::string("generated ") + kPartNames[part],
                                 Generated(part, source.budget - collected, 1040u + uint32_t(part)), {}});
    }
}

PackerCore gCodec;   // the production codec
PlainLzari gPlain;   // the step-by-step version

[[noreturn]] void Fail(const CorpusFile& file, const char* what) {
    std::fprintf(stderr, "codec_bench: FATAL: %s: %s\n", file.name.c_str(), what);
    std::abort();
}

// Streams of both codecs must be identical and expand back to the file in both; aborts otherwise.
void MakeStreams(std::vector<CorpusFile>& files) {
    for (CorpusFile& file : files) {
        uint32_t length = uint32_t(file.data.size());
        uint8_t* stream = nullptr;
        uint32_t streamLength = 0;
        if (!gCodec.Compress(file.data.data(), length, &stream, &streamLength))
            Fail(file, "production compression failed");
        file.stream.assign(stream, stream + streamLength);
        FREE_ARRAY_TRACKED(stream);
        std::vector<uint8_t> plainStream;
        if (!gPlain.Compress(file.data.data(), length, plainStream) || plainStream != file.stream)
            Fail(file, "production and plain streams differ");
        uint8_t* expanded = nullptr;
        if (!gCodec.Decompress(file.stream.data(), streamLength, &expanded, length) ||
            std::memcmp(expanded, file.data.data(), length) != 0)
            Fail(file, "production expansion differs from the file");
        FREE_ARRAY_TRACKED(expanded);
        std::vector<uint8_t> plainExpanded;
        if (!gPlain.Decompress(file.stream.data(), streamLength, length, plainExpanded) ||
            plainExpanded != file.data)
            Fail(file, "plain expansion differs from the file");
    }
}

void BuildCorpus() {
    for (int part = kExecutables; part < kAll; part++) {
        Collect(Part(part));
        MakeStreams(gCorpus[part]);
        gCorpus[kAll].insert(gCorpus[kAll].end(), gCorpus[part].begin(), gCorpus[part].end());
    }
}

void SetRate(benchmark::State& state, Part part) {
    state.counters["MB"] =
        benchmark::Counter(double(CorpusBytes(part)) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void CompressProduction(benchmark::State& state, Part part) {
    for (auto _ : state) {
        for (const CorpusFile& file : gCorpus[part]) {
            uint8_t* stream = nullptr;
            uint32_t streamLength = 0;
            gCodec.Compress(file.data.data(), uint32_t(file.data.size()), &stream, &streamLength);
            benchmark::DoNotOptimize(stream);
            FREE_ARRAY_TRACKED(stream);
        }
    }
    SetRate(state, part);
}

void CompressPlain(benchmark::State& state, Part part) {
    std::vector<uint8_t> stream;
    for (auto _ : state) {
        for (const CorpusFile& file : gCorpus[part]) {
            gPlain.Compress(file.data.data(), uint32_t(file.data.size()), stream);
            benchmark::DoNotOptimize(stream.data());
        }
    }
    SetRate(state, part);
}

void DecompressProduction(benchmark::State& state, Part part) {
    for (auto _ : state) {
        for (const CorpusFile& file : gCorpus[part]) {
            uint8_t* expanded = nullptr;
            gCodec.Decompress(file.stream.data(), uint32_t(file.stream.size()), &expanded,
                              uint32_t(file.data.size()));
            benchmark::DoNotOptimize(expanded);
            FREE_ARRAY_TRACKED(expanded);
        }
    }
    SetRate(state, part);
}

void DecompressPlain(benchmark::State& state, Part part) {
    std::vector<uint8_t> expanded;
    for (auto _ : state) {
        for (const CorpusFile& file : gCorpus[part]) {
            gPlain.Decompress(file.stream.data(), uint32_t(file.stream.size()), uint32_t(file.data.size()),
                              expanded);
            benchmark::DoNotOptimize(expanded.data());
        }
    }
    SetRate(state, part);
}

// Prints the runs as usual and keeps each one's MB/s for the summary.
class RateReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rates;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto counter = run.counters.find("MB");
            if (counter != run.counters.end())
                rates[run.run_name.function_name] = counter->second.value;
        }
    }
};

void PrintSpeedUps(const std::map<std::string, double>& rates) {
    std::printf("\n%-12s %-11s %11s %16s %9s\n", "direction", "corpus", "plain MB/s", "production MB/s", "speed-up");
    for (const char* direction : {"Compress", "Decompress"}) {
        for (const char* part : kPartNames) {
            auto plain = rates.find(std::string(direction) + "/plain/" + part);
            auto production = rates.find(std::string(direction) + "/production/" + part);
            if (plain == rates.end() || production == rates.end() || plain->second <= 0)
                continue;
            std::printf("%-12s %-11s %11.2f %16.2f %8.2fx\n", direction, part, plain->second, production->second,
                        production->second / plain->second);
        }
    }
}

// At least two seconds each: the step-by-step codec needs about one per pass over the corpus.
void RegisterBenchmarks() {
    for (int part = kAll; part >= kExecutables; part--) {
        std::string suffix = std::string("/") + kPartNames[part];
        benchmark::RegisterBenchmark(("Compress/plain" + suffix).c_str(), CompressPlain, Part(part))
            ->Unit(benchmark::kMillisecond)->MinTime(2.0);
        benchmark::RegisterBenchmark(("Compress/production" + suffix).c_str(), CompressProduction, Part(part))
            ->Unit(benchmark::kMillisecond)->MinTime(2.0);
        benchmark::RegisterBenchmark(("Decompress/plain" + suffix).c_str(), DecompressPlain, Part(part))
            ->Unit(benchmark::kMillisecond)->MinTime(2.0);
        benchmark::RegisterBenchmark(("Decompress/production" + suffix).c_str(), DecompressProduction, Part(part))
            ->Unit(benchmark::kMillisecond)->MinTime(2.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    BuildCorpus();
    for (int part = kExecutables; part <= kAll; part++)
        std::printf("corpus %-11s %3zu files %9zu bytes\n", kPartNames[part], gCorpus[part].size(),
                    CorpusBytes(Part(part)));
    std::printf("streams of both codecs identical, all expand back: ok\n\n");
    RegisterBenchmarks();
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSpeedUps(reporter.rates);
    benchmark::Shutdown();
    return 0;
}
