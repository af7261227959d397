// Shift_JIS -> ISO-2022-JP and Shift_JIS -> EUC-JP throughput on one 64 MiB
// corpus: the routines in memory (whole text, and streamed in blocks), and,
// side by side as whole processes, tavpub convert against nkf and iconv with
// cat as the ceiling. Every rate is MB/s (10^6 bytes of input a second).
//
// The processes read a temporary file of the corpus on standard input and
// write to /dev/null; a run is timed from spawn to exit. Counters: "MB/s" by
// the wall clock, "cpuMB/s" by the process's user + system time (steadier on
// a busy machine), "peakKiB" the peak resident set of one more run under
// /usr/bin/time: a child spawned from this process would report our own
// peak, which the kernel carries into the program it executes. iconv gets
// -c because ISO-2022-JP has no half-width katakana: it drops them where we
// (and nkf) write full-width ones.
#include "publish/Jconvert.h"
#include "publish/JconvertSjisWide.h"
#include "publish/JconvertStream.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <algorithm>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr std::size_t CorpusSize = 64u << 20;

// Deterministic on every platform (unlike the standard distributions).
class XorShift {
public:
    std::uint32_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>(state_ >> 32);
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }

private:
    std::uint64_t state_ = 0x2545F4914F6CDD1DULL;
};

void AppendJis(std::string& out, unsigned j1, unsigned j2)
{
    out += ToSjis(static_cast<unsigned char>(j1), static_cast<unsigned char>(j2));
}

// Lines of a Japanese web page: tags and ASCII words, kanji (JIS rows 16-46,
// all assigned), hiragana and katakana, now and then half-width katakana with
// voiced marks, each line ended by CR LF.
std::string MakeCorpus()
{
    static const char* const Words[] = {"<p>", "</p>", "<a href=\"index.html\">", "</a>", "Tav ", "2026 ",
                                        "HTML ", "<br>", "(", ")", "UTF ", "ok "};
    XorShift random;
    std::string corpus;
    corpus.reserve(CorpusSize + 256);
    while (corpus.size() < CorpusSize) {
        const std::size_t lineEnd = corpus.size() + 40 + random.below(80);
        while (corpus.size() < lineEnd) {
            const std::uint32_t kind = random.below(100);
            if (kind < 25) {
                corpus += Words[random.below(std::size(Words))];
            } else if (kind < 60) {
                AppendJis(corpus, 0x30 + random.below(0x4F - 0x30), 0x21 + random.below(94));
            } else if (kind < 80) {
                AppendJis(corpus, 0x24, 0x21 + random.below(0x73 - 0x21 + 1)); // hiragana
            } else if (kind < 95) {
                AppendJis(corpus, 0x25, 0x21 + random.below(0x76 - 0x21 + 1)); // katakana
            } else {
                corpus += static_cast<char>(0xB1 + random.below(0xDD - 0xB1 + 1));
                if (random.below(4) == 0)
                    corpus += '\xDE';
            }
        }
        corpus += "\r\n";
    }
    corpus.resize(CorpusSize);
    // Never end inside a double-byte character.
    while (!corpus.empty() && static_cast<unsigned char>(corpus.back()) > 0x7F)
        corpus.pop_back();
    return corpus;
}

const std::string& Corpus()
{
    static const std::string corpus = MakeCorpus();
    return corpus;
}

// The corpus in a temporary file, for the peer programs; removed at exit.
const std::string& CorpusFile()
{
    static const std::string path = [] {
        char name[] = "/tmp/bench_jconvert_XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0)
            return std::string();
        const std::string& corpus = Corpus();
        std::size_t written = 0;
        while (written < corpus.size()) {
            const ssize_t n = write(fd, corpus.data() + written, corpus.size() - written);
            if (n <= 0)
                break;
            written += static_cast<std::size_t>(n);
        }
        close(fd);
        static std::string removeAtExit;
        removeAtExit = name;
        std::atexit([] { unlink(removeAtExit.c_str()); });
        return written == corpus.size() ? std::string(name) : std::string();
    }();
    return path;
}

void ReportRate(benchmark::State& state, std::size_t bytesPerIteration)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytesPerIteration));
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(bytesPerIteration) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void Ours(benchmark::State& state, std::string (*convert)(std::string_view))
{
    const std::string& corpus = Corpus();
    for (auto _ : state) {
        std::string out = convert(corpus);
        benchmark::DoNotOptimize(out.data());
    }
    ReportRate(state, corpus.size());
}

void BM_Ours_sjis2jis83(benchmark::State& state) { Ours(state, sjis2jis83); }
void BM_Ours_sjis2euc(benchmark::State& state) { Ours(state, sjis2euc); }

// The corpus through JconvertStream in production-sized blocks; the output
// is dropped, as a filter writing to /dev/null drops it. `wide` false runs
// the SSE2 chunks where the processor would take AVX-512.
void OursStreamed(benchmark::State& state, int targetCode, bool wide = true)
{
    jconvert::SetSjisWide(wide);
    state.SetLabel(jconvert::SjisWideEnabled() ? "AVX-512" : "SSE2");
    const std::string& corpus = Corpus();
    std::size_t written = 0;
    const JconvertStream::Sink sink = [&written](std::string_view out) { written += out.size(); };
    for (auto _ : state) {
        JconvertStream stream = JconvertStream::Code(CODE_SJIS, targetCode);
        for (std::size_t at = 0; at < corpus.size(); at += JconvertStream::BlockSize)
            stream.Feed(std::string_view(corpus).substr(at, JconvertStream::BlockSize), sink);
        stream.Finish(sink);
    }
    benchmark::DoNotOptimize(written);
    ReportRate(state, corpus.size());
    jconvert::SetSjisWide(true);
}
void BM_OursStreamed_sjis2jis83(benchmark::State& state) { OursStreamed(state, CODE_JIS83); }
void BM_OursStreamed_sjis2euc(benchmark::State& state) { OursStreamed(state, CODE_EUC); }
void BM_OursStreamedSse2_sjis2jis83(benchmark::State& state) { OursStreamed(state, CODE_JIS83, false); }
void BM_OursStreamedSse2_sjis2euc(benchmark::State& state) { OursStreamed(state, CODE_EUC, false); }

struct ProcessRun {
    double seconds = -1; // wall clock, spawn to exit; negative when it failed
    double cpuSeconds = 0;
};

// Runs `argv` with the corpus file on standard input and /dev/null as output.
ProcessRun RunProcess(const std::vector<const char*>& argv, int acceptedStatus)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, CorpusFile().c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const char* arg : argv)
        args.push_back(const_cast<char*>(arg));
    args.push_back(nullptr);

    ProcessRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != acceptedStatus))
        return run;
    auto seconds = [](timeval t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    run.seconds = elapsed.count();
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return run;
}

// The peak resident set of `argv` in KiB, as /usr/bin/time reports it for
// its own child; negative when that cannot be had.
double PeakKiB(std::vector<const char*> argv, int acceptedStatus)
{
    char name[] = "/tmp/bench_jconvert_peak_XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0)
        return -1;
    close(fd);
    argv.insert(argv.begin(), {"/usr/bin/time", "-f", "%M", "-o", name});
    double peak = -1;
    if (RunProcess(argv, acceptedStatus).seconds >= 0) {
        if (std::FILE* f = std::fopen(name, "r")) {
            long kib = 0;
            // time writes "Command exited with non-zero status N" first for a non-zero status.
            char line[128];
            while (std::fgets(line, sizeof line, f))
                if (std::sscanf(line, "%ld", &kib) == 1)
                    peak = double(kib);
            std::fclose(f);
        }
    }
    unlink(name);
    return peak;
}

void Process(benchmark::State& state, std::vector<const char*> argv, int acceptedStatus = 0)
{
    if (CorpusFile().empty()) {
        state.SkipWithError("cannot write the corpus file");
        return;
    }
    double cpuSeconds = 0;
    for (auto _ : state) {
        const ProcessRun run = RunProcess(argv, acceptedStatus);
        if (run.seconds < 0) {
            state.SkipWithError((std::string(argv[0]) + " did not run or failed").c_str());
            return;
        }
        state.SetIterationTime(run.seconds);
        cpuSeconds += run.cpuSeconds;
    }
    ReportRate(state, Corpus().size());
    state.counters["cpuMB/s"] = double(state.iterations()) * double(Corpus().size()) / 1e6 / cpuSeconds;
    state.counters["peakKiB"] = PeakKiB(argv, acceptedStatus);
}

#ifdef TAVPUB_PATH
void BM_Tavpub_jis(benchmark::State& state) { Process(state, {TAVPUB_PATH, "convert", "--from", "sjis", "--to", "jis"}); }
void BM_Tavpub_euc(benchmark::State& state) { Process(state, {TAVPUB_PATH, "convert", "--from", "sjis", "--to", "euc"}); }
#endif
// iconv exits with 1 after -c dropped what the target cannot hold.
void BM_Iconv_ISO2022JP(benchmark::State& state) { Process(state, {"iconv", "-c", "-f", "CP932", "-t", "ISO-2022-JP"}, 1); }
void BM_Iconv_EUCJP(benchmark::State& state) { Process(state, {"iconv", "-c", "-f", "CP932", "-t", "EUC-JP"}, 1); }
void BM_Nkf_j(benchmark::State& state) { Process(state, {"nkf", "-S", "-j", "-m0"}); }
void BM_Nkf_e(benchmark::State& state) { Process(state, {"nkf", "-S", "-e", "-m0"}); }
void BM_Cat(benchmark::State& state) { Process(state, {"cat"}); }

void BM_Memcpy(benchmark::State& state)
{
    const std::string& corpus = Corpus();
    std::vector<char> target(corpus.size());
    for (auto _ : state) {
        std::memcpy(target.data(), corpus.data(), corpus.size());
        benchmark::ClobberMemory();
    }
    ReportRate(state, corpus.size());
}

} // namespace

BENCHMARK(BM_Ours_sjis2jis83)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_OursStreamed_sjis2jis83)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Ours_sjis2euc)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_OursStreamed_sjis2euc)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_OursStreamedSse2_sjis2jis83)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_OursStreamedSse2_sjis2euc)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
// Whole processes, side by side.
#ifdef TAVPUB_PATH
BENCHMARK(BM_Tavpub_jis)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
#endif
BENCHMARK(BM_Nkf_j)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Iconv_ISO2022JP)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
#ifdef TAVPUB_PATH
BENCHMARK(BM_Tavpub_euc)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
#endif
BENCHMARK(BM_Nkf_e)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Iconv_EUCJP)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Cat)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

BENCHMARK_MAIN();
