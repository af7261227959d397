// Shift_JIS -> ISO-2022-JP and Shift_JIS -> EUC-JP throughput, side by side
// with iconv and nkf on the same 64 MiB corpus, and memcpy of that corpus as
// the ceiling. Every figure is wall-clock MB/s (10^6 bytes of input a second).
//
// The peers run as programs on a temporary file, their output going to
// /dev/null; a run is timed from spawn to exit. iconv gets -c because
// ISO-2022-JP has no half-width katakana: it drops them where we (and nkf)
// write full-width ones.
#include "publish/Jconvert.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
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

// Runs `argv` with the corpus file on standard input and /dev/null as output;
// returns the wall-clock seconds from spawn to exit, or a negative value.
double RunPeer(const std::vector<const char*>& argv, int acceptedStatus)
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

    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != acceptedStatus))
        return -1;
    return elapsed.count();
}

void Peer(benchmark::State& state, std::vector<const char*> argv, int acceptedStatus = 0)
{
    if (CorpusFile().empty()) {
        state.SkipWithError("cannot write the corpus file");
        return;
    }
    for (auto _ : state) {
        const double seconds = RunPeer(argv, acceptedStatus);
        if (seconds < 0) {
            state.SkipWithError((std::string(argv[0]) + " did not run or failed").c_str());
            return;
        }
        state.SetIterationTime(seconds);
    }
    ReportRate(state, Corpus().size());
}

// iconv exits with 1 after -c dropped the half-width katakana.
void BM_Iconv_ISO2022JP(benchmark::State& state) { Peer(state, {"iconv", "-c", "-f", "CP932", "-t", "ISO-2022-JP"}, 1); }
void BM_Iconv_EUCJP(benchmark::State& state) { Peer(state, {"iconv", "-f", "CP932", "-t", "EUC-JP"}); }
void BM_Nkf_j(benchmark::State& state) { Peer(state, {"nkf", "-S", "-j"}); }
void BM_Nkf_e(benchmark::State& state) { Peer(state, {"nkf", "-S", "-e"}); }

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
BENCHMARK(BM_Iconv_ISO2022JP)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Nkf_j)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Ours_sjis2euc)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Iconv_EUCJP)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Nkf_e)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);

BENCHMARK_MAIN();
