// Reading and writing a page of 10,000 nodes and about 50 MB of bodies, side
// by side with `cat FILE >/dev/null` and `cp FILE COPY` on the same file.
// Also reports the peak memory of a fresh process that reads or writes the
// page, against the file size.
#include "document/Page.h"
#include "document/PageFile.h"
#include "document/PagePaths.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int NodeCount = 10000;
constexpr size_t BodyBytes = 5000; // 10,000 x 5,000 = about 50 MB

std::string g_folder;
std::string g_self;

std::string PagePath() { return g_folder + "/bench.data"; }

void FillPage(Page& page)
{
    page.Title = "Benchmark";
    page.FileName = g_folder + "/bench.html";
    page.DatabasePath = g_folder + "/";
    std::mt19937 rng(7);
    std::vector<Node*> made;
    for (int i = 0; i < NodeCount; ++i) {
        Node* parent = made.empty() || rng() % 3 == 0 ? nullptr : made[rng() % made.size()];
        Node* node = page.AddChildNode(parent);
        page.RenameNode(node, "node " + std::to_string(i));
        std::string& body = node->record().Body;
        body.reserve(BodyBytes);
        while (body.size() < BodyBytes) {
            body += "<p>\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd text line ";
            body += std::to_string(rng() % 100000);
            body += "</p>\r\n";
        }
        made.push_back(node);
    }
}

PageFileContext Context()
{
    PageFileContext context;
    context.StartFolder = g_folder + "/";
    return context;
}

double FileMegabytes() { return double(QFileInfo(QString::fromStdString(PagePath())).size()) / 1e6; }

void Shell(benchmark::State& state, const std::string& command)
{
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError(command.c_str());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FileMegabytes() * 1e6));
}

void BM_ReadPageFile(benchmark::State& state)
{
    for (auto _ : state) {
        Page page;
        PointPageAt(page, PagePath());
        PageFileResult r = ReadPageFile(page, Context());
        if (!r.ok())
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(page.NodeCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FileMegabytes() * 1e6));
}

void BM_WritePageFile(benchmark::State& state)
{
    Page page;
    FillPage(page);
    for (auto _ : state) {
        if (!WritePageFile(page, Context()).ok())
            state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FileMegabytes() * 1e6));
}

void BM_Cat(benchmark::State& state) { Shell(state, "cat '" + PagePath() + "' >/dev/null"); }
void BM_Cp(benchmark::State& state) { Shell(state, "cp '" + PagePath() + "' '" + g_folder + "/copy.data'"); }

// Runs this program again to read or write once, and reports its peak memory
// against the file size.
void PeakMemory(benchmark::State& state, const char* mode)
{
    long peakKb = 0;
    for (auto _ : state) {
        pid_t child = fork();
        if (child == 0) {
            execl(g_self.c_str(), g_self.c_str(), "--peak-memory", mode, g_folder.c_str(), nullptr);
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        peakKb = usage.ru_maxrss;
    }
    state.counters["peak_MB"] = double(peakKb) / 1000.0;
    state.counters["file_MB"] = FileMegabytes();
    state.counters["peak_per_file_size"] = double(peakKb) / 1000.0 / FileMegabytes();
}

void BM_PeakMemoryRead(benchmark::State& state) { PeakMemory(state, "read"); }
void BM_PeakMemoryWrite(benchmark::State& state) { PeakMemory(state, "write"); }

int PeakMemoryChild(const char* mode)
{
    Page page;
    if (std::strcmp(mode, "write") == 0) {
        FillPage(page);
        return WritePageFile(page, Context()).ok() ? 0 : 1;
    }
    PointPageAt(page, PagePath());
    return ReadPageFile(page, Context()).ok() ? 0 : 1;
}

} // namespace

BENCHMARK(BM_Cat)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Cp)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadPageFile)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WritePageFile)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PeakMemoryRead)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PeakMemoryWrite)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    g_self = QCoreApplication::applicationFilePath().toStdString();
    if (argc == 4 && std::strcmp(argv[1], "--peak-memory") == 0) {
        g_folder = argv[3];
        return PeakMemoryChild(argv[2]);
    }
    QDir dir(QDir::tempPath() + "/tav-bench-pagefile");
    dir.mkpath(".");
    g_folder = dir.absolutePath().toStdString();
    {
        Page page;
        FillPage(page);
        if (!WritePageFile(page, Context()).ok())
            return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dir.removeRecursively();
    return 0;
}
