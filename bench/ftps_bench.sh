#!/usr/bin/env bash
# Upload over explicit TLS: our FTP client beside curl --ssl-reqd -T, against
# one vsftpd on loopback in the same run (TLS required for logins and data,
# data connections must resume the control connection's TLS session).
#
#   bench/ftps_bench.sh [BUILD_DIR]      (default: build; needs bench_ftps built)
#
# Prints Google Benchmark's table, then both figures side by side with the
# goals: the 100 MiB file at >= 90 % of curl's rate, 200 small files in one
# session at <= 1.5 x curl's time per file. Exits 1 when a goal is missed.
set -euo pipefail

build=${1:-build}
bench="$build/bench/bench_ftps"
[ -x "$bench" ] || { echo "ftps_bench: $bench not built (cmake --build $build --target bench_ftps)" >&2; exit 2; }
command -v /usr/sbin/vsftpd >/dev/null || { echo "ftps_bench: vsftpd is not installed" >&2; exit 2; }

work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/root/pub" "$work/empty"
chmod 0777 "$work/root/pub"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=tav-bench.invalid \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
fingerprint=$(openssl x509 -noout -fingerprint -sha256 -in "$work/cert.pem" | cut -d= -f2)
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
port=$(free_port)
pasv=$(free_port)

cat > "$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
seccomp_sandbox=NO
run_as_launching_user=YES
anonymous_enable=YES
local_enable=NO
no_anon_password=NO
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_root=$work/root
pasv_enable=YES
pasv_min_port=$pasv
pasv_max_port=$pasv
secure_chroot_dir=$work/empty
xferlog_enable=NO
syslog_enable=NO
ssl_enable=YES
allow_anon_ssl=YES
force_anon_logins_ssl=YES
force_anon_data_ssl=YES
force_local_logins_ssl=YES
force_local_data_ssl=YES
require_ssl_reuse=YES
rsa_cert_file=$work/cert.pem
rsa_private_key_file=$work/key.pem
CONF
/usr/sbin/vsftpd "$work/vsftpd.conf" &
server_pid=$!
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done

FTPS_PORT=$port FTPS_FINGERPRINT=$fingerprint "$bench" --benchmark_counters_tabular=true \
  --benchmark_out="$work/result.json" --benchmark_out_format=json

python3 - "$work/result.json" <<'PY'
import json, sys
runs = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
for name, b in runs.items():
    if b.get("error_occurred"):
        sys.exit("ftps_bench: %s failed: %s" % (name, b.get("error_message")))
mib = lambda b: b["bytes_per_second"] / 2**20
ms = lambda b: b["sec_per_file"] * 1000
large = mib(runs["BM_LargeFile_Tav"]) / mib(runs["BM_LargeFile_Curl"])
small = ms(runs["BM_SmallFiles_Tav"]) / ms(runs["BM_SmallFiles_Curl"])
print()
print("%-34s %12s %12s %8s  %s" % ("", "tav", "curl", "ratio", "goal"))
print("%-34s %8.1f MiB/s %6.1f MiB/s %7.2f  >= 0.90" % ("100 MiB file", mib(runs["BM_LargeFile_Tav"]), mib(runs["BM_LargeFile_Curl"]), large))
print("%-34s %9.2f ms %9.2f ms %7.2f  <= 1.50" % ("200 small files, time per file", ms(runs["BM_SmallFiles_Tav"]), ms(runs["BM_SmallFiles_Curl"]), small))
missed = [n for n, ok in (("100 MiB file", large >= 0.9), ("small files", small <= 1.5)) if not ok]
if missed:
    sys.exit("ftps_bench: goal missed: " + ", ".join(missed))
PY
