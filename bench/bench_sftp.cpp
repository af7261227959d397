// Upload speed over SFTP beside OpenSSH's sftp -b and curl -T sftp://,
// against one sshd on loopback that this program starts for the run (as the
// tests do: its own configuration, host key and authorised key):
//
//   bench/sftp_bench.sh build
//
// --chunk=N and --in-flight=N set the client's write size and the writes it
// keeps in flight, to compare settings.
#include "BenchUploadFiles.h"
#include "upload/SftpClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <csignal>
#include <unistd.h>

namespace {

bool Tool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The files to send, and the sshd to send them to.
struct Setup : UploadFiles {
    QTemporaryDir dir;
    QProcess sshd;
    quint16 port = 0;
    QString user;
    qsizetype chunk = 64 * 1024;
    int inFlight = 32;

    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QString root() const { return path("root"); }

    bool start()
    {
        QDir d(dir.path());
        d.mkpath(QStringLiteral("root/small"));
        d.mkpath(QStringLiteral("ssh"));
        if (::geteuid() == 0)
            QDir().mkpath(QStringLiteral("/run/sshd"));
        // ECDSA keys: the curl here (libssh2 1.10) takes no Ed25519 key.
        if (!Tool(QStringLiteral("ssh-keygen"), {"-q", "-t", "ecdsa", "-N", "", "-f", path("host_key")})
            || !Tool(QStringLiteral("ssh-keygen"), {"-q", "-t", "ecdsa", "-N", "", "-f", path("ssh/id_ecdsa")}))
            return false;
        QFile::copy(path("ssh/id_ecdsa.pub"), path("authorized_keys"));
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
        probe.close();
        const passwd* pw = ::getpwuid(::geteuid());
        user = QString::fromLocal8Bit(pw->pw_name);
        QFile conf(path("sshd_config"));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        conf.write(QStringLiteral("Port %1\nListenAddress 127.0.0.1\nHostKey %2\nAuthorizedKeysFile %3\n"
                                  "PidFile none\nStrictModes no\nUsePAM no\nPermitRootLogin yes\n"
                                  "PasswordAuthentication no\nSubsystem sftp internal-sftp -d %4\n")
                       .arg(port).arg(path("host_key"), path("authorized_keys"), root()).toUtf8());
        conf.close();
        QFile known(path("ssh/known_hosts"));
        known.open(QIODevice::WriteOnly);
        QFile hostPub(path("host_key.pub"));
        hostPub.open(QIODevice::ReadOnly);
        known.write(QStringLiteral("[127.0.0.1]:%1 ").arg(port).toUtf8() + hostPub.readAll());
        known.close();
        sshd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        sshd.start(QStringLiteral("/usr/sbin/sshd"), {"-D", "-f", path("sshd_config"), "-E", path("sshd.log")});
        if (!sshd.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port);
            if (s.waitForConnected(200) && s.waitForReadyRead(5000))
                return Write(QDir(dir.path()));
            QThread::msleep(50);
        }
        return false;
    }
    ~Setup()
    {
        sshd.kill();
        sshd.waitForFinished(3000);
    }
    SftpLogin login() const
    {
        SftpLogin l;
        l.host = QStringLiteral("127.0.0.1");
        l.port = port;
        l.user = user;
        l.sshDir = dir.filePath(QStringLiteral("ssh"));
        l.useAgent = false;
        return l;
    }
    // What OpenSSH's sftp needs to log in like our client: the same key and
    // known_hosts, no user configuration.
    QStringList sftpArgs(const QString& batch) const
    {
        return {"-q", "-b", batch, "-P", QString::number(port), "-i", path("ssh/id_ecdsa"), "-F", "/dev/null",
                "-o", "UserKnownHostsFile=" + path("ssh/known_hosts"), "-o", "StrictHostKeyChecking=yes",
                "-o", "BatchMode=yes", user + QStringLiteral("@127.0.0.1")};
    }
    QString url(const QString& rest) const
    {
        return QStringLiteral("sftp://127.0.0.1:%1%2/%3").arg(port).arg(root(), rest);
    }
};

Setup* TheSetup = nullptr;

void RunPeer(const QString& program, const QStringList& args, benchmark::State& state)
{
    QProcess p;
    p.start(program, args);
    const bool finished = p.waitForFinished(900000);
    const QByteArray complaints = p.readAllStandardError();
    if (!finished || p.exitCode() != 0 || !complaints.isEmpty())
        state.SkipWithError((program + QStringLiteral(" failed: ")).toUtf8() + complaints.left(200));
}

QString WriteBatch(const QString& name, const QStringList& lines)
{
    const QString path = TheSetup->dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    return path;
}

void Connect(SftpClient& sftp)
{
    sftp.WriteChunk = TheSetup->chunk;
    sftp.WritesInFlight = TheSetup->inFlight;
    sftp.Connect(TheSetup->login());
}

void BM_LargeFile_Tav(benchmark::State& state)
{
    for (auto _ : state) {
        try {
            SftpClient sftp;
            Connect(sftp);
            sftp.Upload(TheSetup->large, QStringLiteral("large.bin"));
            sftp.Disconnect();
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
        }
    }
    state.SetBytesProcessed(state.iterations() * LargeSize);
}

void BM_LargeFile_OpenSsh(benchmark::State& state)
{
    const QString batch = WriteBatch(QStringLiteral("large.batch"), {QStringLiteral("put ") + TheSetup->large});
    for (auto _ : state)
        RunPeer(QStringLiteral("sftp"), TheSetup->sftpArgs(batch), state);
    state.SetBytesProcessed(state.iterations() * LargeSize);
}

QStringList CurlArgs()
{
    return {"-sS", "-k", "--key", TheSetup->path("ssh/id_ecdsa"), "--pubkey", TheSetup->path("ssh/id_ecdsa.pub"),
            "-u", TheSetup->user + QStringLiteral(":")};
}

void BM_LargeFile_Curl(benchmark::State& state)
{
    for (auto _ : state)
        RunPeer(QStringLiteral("curl"), CurlArgs() << "-T" << TheSetup->large << TheSetup->url(QStringLiteral("large.bin")), state);
    state.SetBytesProcessed(state.iterations() * LargeSize);
}

void SetPerFile(benchmark::State& state)
{
    state.counters["sec_per_file"] = benchmark::Counter(
        double(state.iterations() * SmallCount), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One login, then every file in turn.
void BM_SmallFiles_Tav(benchmark::State& state)
{
    for (auto _ : state) {
        try {
            SftpClient sftp;
            Connect(sftp);
            sftp.ChangeDir(QStringLiteral("small"));
            for (const QString& path : TheSetup->small)
                sftp.Upload(path, QFileInfo(path).fileName());
            sftp.Disconnect();
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
        }
    }
    SetPerFile(state);
}

void BM_SmallFiles_OpenSsh(benchmark::State& state)
{
    QStringList lines{QStringLiteral("cd small")};
    for (const QString& path : TheSetup->small)
        lines << QStringLiteral("put ") + path;
    const QString batch = WriteBatch(QStringLiteral("small.batch"), lines);
    for (auto _ : state)
        RunPeer(QStringLiteral("sftp"), TheSetup->sftpArgs(batch), state);
    SetPerFile(state);
}

void BM_SmallFiles_Curl(benchmark::State& state)
{
    // One curl run, one session: a brace list of files into a folder.
    const QString list = QStringLiteral("{") + TheSetup->small.join(QLatin1Char(',')) + QStringLiteral("}");
    for (auto _ : state)
        RunPeer(QStringLiteral("curl"), CurlArgs() << "-T" << list << TheSetup->url(QStringLiteral("small/")), state);
    SetPerFile(state);
}

} // namespace

BENCHMARK(BM_LargeFile_OpenSsh)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LargeFile_Curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LargeFile_Tav)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SmallFiles_OpenSsh)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SmallFiles_Curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SmallFiles_Tav)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Setup setup;
    // Our own options first; Google Benchmark refuses what it does not know.
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a.startsWith("--chunk="))
            setup.chunk = a.mid(8).toLongLong();
        else if (a.startsWith("--in-flight="))
            setup.inFlight = a.mid(12).toInt();
        else
            rest.push_back(argv[i]);
    }
    int count = int(rest.size());
    benchmark::Initialize(&count, rest.data());
    if (!setup.start()) {
        std::fprintf(stderr, "bench_sftp: sshd could not be started\n");
        return 1;
    }
    TheSetup = &setup;
    std::fprintf(stderr, "bench_sftp: write chunk %lld bytes, %d writes in flight\n", qlonglong(setup.chunk),
                 setup.inFlight);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
