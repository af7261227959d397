#include "cli/BlockFilter.h"

#include "cli/CliSupport.h"
#include "publish/JconvertStream.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Closes the input file, never standard input.
class InputFile {
public:
    explicit InputFile(const QString& fileName) : name_(fileName)
    {
        if (fileName.isEmpty() || fileName == QLatin1String("-"))
            return;
        fd_ = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0)
            Fail();
    }
    ~InputFile()
    {
        if (fd_ != STDIN_FILENO)
            ::close(fd_);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Reads up to `size` bytes; 0 at the end of the input.
    std::size_t Read(char* to, std::size_t size)
    {
        for (;;) {
            const ssize_t n = ::read(fd_, to, size);
            if (n >= 0)
                return std::size_t(n);
            if (errno != EINTR)
                Fail();
        }
    }

private:
    [[noreturn]] void Fail() const
    {
        const int error = errno;
        const QString name = fd_ == STDIN_FILENO && name_.isEmpty() ? QStringLiteral("standard input") : name_;
        throw CliError(QStringLiteral("%1: %2").arg(name, QString::fromLocal8Bit(std::strerror(error))));
    }

    QString name_;
    int fd_ = STDIN_FILENO;
};

// One write call for each block's output, unless the kernel takes less.
void WriteAll(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            throw CliError(QStringLiteral("standard output: the output could not be written completely (%1)")
                               .arg(QString::fromLocal8Bit(std::strerror(error))));
        }
        bytes.remove_prefix(std::size_t(n));
    }
}

} // namespace

void RunFilter(const QString& fileName, JconvertStream& stream)
{
    InputFile input(fileName);
    const JconvertStream::Sink sink = WriteAll;
    for (;;) {
        const std::size_t size = input.Read(stream.Room(JconvertStream::BlockSize), JconvertStream::BlockSize);
        if (size == 0)
            break;
        stream.Push(size, sink);
    }
    stream.Finish(sink);
}
