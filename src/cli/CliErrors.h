#pragma once

// How tavpub's commands end, on the standard library alone: the filter
// commands run without Qt.

#include <stdexcept>
#include <string>
#include <string_view>

// Exit statuses of tavpub.
enum ExitStatus { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

// A failure that ends a command: one line on stderr, exit status 1. Takes
// a QString too (anything with toStdString()), without this header
// depending on Qt.
struct CliError : std::runtime_error {
    explicit CliError(const std::string& message) : std::runtime_error(message) {}
    template <class Text>
        requires requires(const Text& text) { text.toStdString(); }
    explicit CliError(const Text& message) : std::runtime_error(message.toStdString()) {}
};
// A wrong command line: the usage text, exit status 2.
struct UsageError : std::runtime_error {
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
    template <class Text>
        requires requires(const Text& text) { text.toStdString(); }
    explicit UsageError(const Text& message) : std::runtime_error(message.toStdString()) {}
};

// "tavpub: MESSAGE" on stderr, as one line.
void PrintError(std::string_view message);
