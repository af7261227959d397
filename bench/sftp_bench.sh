#!/usr/bin/env bash
# Upload over SFTP: our client beside OpenSSH's sftp -b and curl -T sftp://,
# against one sshd on loopback that bench_sftp starts for the run.
#
#   bench/sftp_bench.sh [BUILD_DIR] [bench_sftp options, e.g. --chunk=262144 --in-flight=8]
#
# Prints Google Benchmark's table, then our figures beside the faster peer's
# with the goals: the 100 MiB file at >= 90 % of its rate, 200 small files in
# one session at <= 1.5 x its time per file. Exits 1 when a goal is missed.
set -euo pipefail

build=${1:-build}
shift || true
bench="$build/bench/bench_sftp"
[ -x "$bench" ] || { echo "sftp_bench: $bench not built (cmake --build $build --target bench_sftp)" >&2; exit 2; }
for tool in /usr/sbin/sshd sftp curl; do
  command -v "$tool" >/dev/null || { echo "sftp_bench: $tool is not installed" >&2; exit 2; }
done

result=$(mktemp)
trap 'rm -f "$result"' EXIT
"$bench" "$@" --benchmark_counters_tabular=true --benchmark_out="$result" --benchmark_out_format=json

python3 - "$result" <<'PY'
import json, sys
runs = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
for name, b in runs.items():
    if b.get("error_occurred"):
        sys.exit("sftp_bench: %s failed: %s" % (name, b.get("error_message")))
mib = lambda n: runs[n]["bytes_per_second"] / 2**20
ms = lambda n: runs[n]["sec_per_file"] * 1000
large_peer = max(("BM_LargeFile_OpenSsh", "BM_LargeFile_Curl"), key=mib)
small_peer = min(("BM_SmallFiles_OpenSsh", "BM_SmallFiles_Curl"), key=ms)
large = mib("BM_LargeFile_Tav") / mib(large_peer)
small = ms("BM_SmallFiles_Tav") / ms(small_peer)
print()
print("%-32s %10s %10s %10s %7s  %s" % ("", "tav", "sftp -b", "curl", "ratio", "goal"))
print("%-32s %10.1f %10.1f %10.1f %7.2f  >= 0.90 of the faster" % ("100 MiB file, MiB/s",
      mib("BM_LargeFile_Tav"), mib("BM_LargeFile_OpenSsh"), mib("BM_LargeFile_Curl"), large))
print("%-32s %10.2f %10.2f %10.2f %7.2f  <= 1.50 of the faster" % ("200 small files, ms per file",
      ms("BM_SmallFiles_Tav"), ms("BM_SmallFiles_OpenSsh"), ms("BM_SmallFiles_Curl"), small))
missed = [n for n, ok in (("100 MiB file", large >= 0.9), ("small files", small <= 1.5)) if not ok]
if missed:
    sys.exit("sftp_bench: goal missed: " + ", ".join(missed))
PY
