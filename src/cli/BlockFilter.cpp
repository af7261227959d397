#include "cli/BlockFilter.h"

#include "cli/CliErrors.h"
#include "publish/JconvertStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Closes the input file, never standard input.
class InputFile {
public:
    explicit InputFile(const std::string& fileName) : name_(fileName)
    {
        if (fileName.empty() || fileName == "-")
            return;
        fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
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
        const std::string name = fd_ == STDIN_FILENO ? std::string("standard input") : name_;
        throw CliError(name + ": " + std::strerror(error));
    }

    std::string name_;
    int fd_ = STDIN_FILENO;
};

} // namespace

// One write call for each block's output, unless the kernel takes less.
void WriteAll(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            throw CliError(std::string("standard output: the output could not be written completely (") +
                           std::strerror(error) + ")");
        }
        bytes.remove_prefix(std::size_t(n));
    }
}

void RunFilter(const std::string& fileName, JconvertStream& stream)
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

std::string ReadWholeInput(const std::string& fileName)
{
    InputFile input(fileName);
    std::string text;
    std::size_t size = 0;
    for (;;) {
        if (text.size() - size < JconvertStream::BlockSize)
            text.resize(std::max(2 * text.size(), size + JconvertStream::BlockSize));
        const std::size_t n = input.Read(text.data() + size, text.size() - size);
        if (n == 0)
            break;
        size += n;
    }
    text.resize(size);
    return text;
}
