// A file opened for writing, owned: closed exactly once.
#pragma once

#include <cstdint>
#include <string>

#include "common/error.h"

namespace dorvane::log {

class OutputFile {
public:
    // Creates the file at `path` (UTF-8), empty, as its only writer. With
    // `overwrite` an existing file is replaced; without it, an existing file
    // is an error. A file that another process has open for writing this way
    // is an error and stays as it is. Raises the operating system's error.
    static OutputFile create(const std::string& path, bool overwrite);

    // Whether `create(path, true)` would get the file, without creating,
    // emptying or keeping anything: raises the error that it would raise
    // where the folder refuses a new file or the file a writer, or another
    // process has it open for writing as its only writer.
    static void check_creatable(const std::string& path);

    // Whether `failure`, raised by create() or check_creatable(), says that
    // another process has the file open as its only writer: another run.
    static bool held_by_another(const Error& failure);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    ~OutputFile();

    // Appends all of `bytes` or raises the operating system's error.
    void write(const std::string& bytes);
    // Closes the file, raising the error that closing reports.
    void close();

private:
    explicit OutputFile(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_;  // a file descriptor or a HANDLE; -1 once closed
};

}  // namespace dorvane::log
