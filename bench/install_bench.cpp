// install_bench.cpp -- a whole installation against the expansion it cannot do without.
//
// Generates a client of 32 MB (long runs, text, random bytes and a few large files of all three),
// lays it out as setup data with mksetup's writer, and measures in one run: the expansion of every
// payload alone, and SetupRessource::Install of the whole product into a temporary folder (with
// its temporary home, menu and registry store). Both are reported in MB/s (10^6 bytes of client
// per second), followed by the ratio of their times; the installation's goal is at most 1.3 times
// the expansion. Writing, reading back, setting times and config.ini and the links are the cost
// on top of the expansion.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "main/u_setupRessource.h"
#include "memsafe/s_mem.h"
#include "packer/s_packerCore.h"
#include "platform/s_platform.h"
#include "tools/mksetup/mk_writer.h"

namespace {

namespace fs = std::filesystem;

// Where the product's files, the installation and everything it touches live.
const fs::path kWorkFolder = fs::temp_directory_path() / "setup-install-bench";

std::string Runs(std::mt19937& random, size_t size) {
    std::string data;
    while (data.size() < size)
        data.append(random() % 300 + 1, char('A' + random() % 4));
    data.resize(size);
    return data;
}

std::string Text(std::mt19937& random, size_t size) {
    static const char* const kWords[] = {"the",  "client", "of",    "an",      "online", "game",  "harbour",
                                         "pass", "map",    "sound", "texture", "level",  "quest", "sailor"};
    std::string data;
    while (data.size() < size) {
        data += kWords[random() % std::size(kWords)];
        data += random() % 12 == 0 ? "\r\n" : " ";
    }
    data.resize(size);
    return data;
}

std::string Noise(std::mt19937& random, size_t size) {
    std::string data(size, '\0');
    for (char& c : data)
        c = char(random());
    return data;
}

std::string Mixed(std::mt19937& random, size_t size) {
    return Runs(random, size / 3) + Text(random, size / 3) + Noise(random, size - 2 * (size / 3));
}

// 24 small and medium files of each kind and three large mixed ones: 32 MB in all.
SetupProduct MakeProduct() {
    fs::remove_all(kWorkFolder);
    fs::create_directories(kWorkFolder / "source");
    SetupProduct product;
    product.title = "Bench Online 1.0";
    product.header = {0, 0, 1, 1000, 1, 0, 0};
    product.defaultFolder = "\\Bench";
    product.productName = "Bench Online";
    product.defaultGroup = "Bench Online";
    product.desktopLinkName = "Bench.lnk";
    product.desktopLinkTarget = "Bin\\updater.exe";
    for (uint32_t language = 0; language < kLanguageCount; ++language) {
        for (uint32_t i = 0; i < kSetupLinkEntries; i += 2) {
            product.links[language][i] = "Link " + std::to_string(i) + ".lnk";
            product.links[language][i + 1] = "Bin\\updater.exe";
        }
        product.terms[language] = {"terms"};
    }
    product.folders = {"Bin", "Data", "Data\\Runs", "Data\\Text", "Data\\Noise"};
    std::mt19937 random(1989);
    std::vector<std::pair<std::string, std::string>> files = {
        {"Bin\\updater.exe", "#!/bin/sh\necho update\n"}};
    for (int i = 0; i < 24; ++i) {
        const size_t size = 40000 + size_t(i) * 12000;
        files.emplace_back("Data\\Runs\\runs" + std::to_string(i) + ".dat", Runs(random, size));
        files.emplace_back("Data\\Text\\text" + std::to_string(i) + ".txt", Text(random, size));
        files.emplace_back("Data\\Noise\\noise" + std::to_string(i) + ".bin", Noise(random, size / 2));
    }
    for (int i = 0; i < 3; ++i)
        files.emplace_back("Data\\large" + std::to_string(i) + ".pak", Mixed(random, 8'000'000));
    for (size_t i = 0; i < files.size(); ++i) {
        const fs::path source = kWorkFolder / "source" / std::to_string(i);
        std::ofstream(source, std::ios::binary) << files[i].second;
        product.files.push_back({files[i].first, source.string(), 1600000000, 1600000000});
    }
    return product;
}

struct Product {
    std::vector<uint8_t> data;
    uint64_t clientBytes = 0;
};

const Product& BenchProduct() {
    static const Product product = [] {
        Product made;
        std::string error;
        if (!WriteSetupData(MakeProduct(), &made.data, &error)) {
            std::fprintf(stderr, "cannot build the product: %s\n", error.c_str());
            std::exit(1);
        }
        Platform::RegisterResource(kSetupResourceName, kSetupResourceType, made.data.data(),
                                   made.data.size());
        const uint32_t crc = gCrc32.Update(made.data.data(), uint32_t(made.data.size()), true);
        if (!gRessource.Load(crc)) {
            std::fprintf(stderr, "the product does not load\n");
            std::exit(1);
        }
        made.clientBytes = gRessource.GetRequiredBytes();
        return made;
    }();
    return product;
}

void ExpandEveryPayload(benchmark::State& state) {
    const Product& product = BenchProduct();
    PackerCore codec;
    for (auto _ : state) {
        SetupCursor cursor(gRessource.GetData(), gRessource.GetSize(), gRessource.GetFileListOffset());
        for (uint32_t i = 0; i < gRessource.GetFileCount(); ++i) {
            SetupFileRecord record;
            uint8_t* expanded = nullptr;
            if (!cursor.ReadFileRecord(&record) ||
                !codec.Decompress(record.payload, record.packedSize, &expanded, record.expandedSize)) {
                state.SkipWithError("a payload does not expand");
                return;
            }
            benchmark::DoNotOptimize(expanded);
            FREE_ARRAY_TRACKED(expanded);
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * product.clientBytes));
}

void InstallWholeProduct(benchmark::State& state) {
    const Product& product = BenchProduct();
    const std::string folder = (kWorkFolder / "install").string() + "/";
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        setenv(variable, (kWorkFolder / "home").c_str(), 1);
    setenv("SETUP_REGISTRY_DIR", (kWorkFolder / "registry").c_str(), 1);
    fs::create_directories(folder);
    for (auto _ : state) {
        if (!gRessource.Install(folder.c_str(), 0, "Bench Online", true)) {
            state.SkipWithError("the installation failed");
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * product.clientBytes));
}

BENCHMARK(ExpandEveryPayload)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(InstallWholeProduct)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

// Prints the usual table, then the ratio of the installation's time per run to the expansion's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            seconds[run.benchmark_name()] = run.real_accumulated_time / double(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double expand = seconds["ExpandEveryPayload/min_time:3.000/real_time"];
        const double install = seconds["InstallWholeProduct/min_time:3.000/real_time"];
        if (expand <= 0 || install <= 0)
            return;
        const double megabytes = double(BenchProduct().clientBytes) / 1e6;
        char summary[256];
        std::snprintf(summary, sizeof(summary),
                      "client %.1f MB: expansion %.1f MB/s, installation %.1f MB/s, "
                      "installation / expansion = %.2f (goal: at most 1.30)\n",
                      megabytes, megabytes / expand, megabytes / install, install / expand);
        GetOutputStream() << summary;
    }

private:
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    fs::remove_all(kWorkFolder);
    return 0;
}
