#pragma once

#include <QString>

class JconvertStream;

// Runs `stream` over a file, or standard input for an empty name or "-",
// a block at a time, and writes its output to standard output as it comes:
// memory stays bounded whatever the input's size. A read or write failure
// is thrown as CliError; the output written before it stays written.
void RunFilter(const QString& fileName, JconvertStream& stream);
