#pragma once

#include <string>

class JconvertStream;

// Runs `stream` over a file, or standard input for an empty name or "-",
// a block at a time, and writes its output to standard output as it comes:
// memory stays bounded whatever the input's size. A read or write failure
// is thrown as CliError; the output written before it stays written.
void RunFilter(const std::string& fileName, JconvertStream& stream);

// The whole of a file, or of standard input, for the commands that need all
// of it at once; failures as RunFilter's.
std::string ReadWholeInput(const std::string& fileName);
// All of `bytes` to standard output, in as few writes as the kernel allows.
void WriteAll(std::string_view bytes);
