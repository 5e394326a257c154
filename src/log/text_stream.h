// The file-system object and its text stream: the small part of a
// scripting runtime that the run log needs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "log/output_file.h"

namespace dorvane::log {

// A text file open for writing. Every line goes to the file at once, so a
// run that ends abruptly keeps what it had written.
class TextStream {
public:
    using LineSink = std::function<void(const std::string& line)>;

    explicit TextStream(OutputFile file) : file_(std::move(file)) {}
    // A stream whose lines go to `sink` as they are, with no file behind it:
    // a plan's, on standard output.
    explicit TextStream(LineSink sink) : sink_(std::move(sink)) {}

    // Writes `text` in the system's code page, then CR LF.
    void WriteLine(const std::string& text);
    // Closes the file; raises what closing reports.
    void Close();

private:
    std::optional<OutputFile> file_;
    LineSink sink_;
    bool open_ = true;
};

class FileSystemObject {
public:
    // A stream at the start of an empty, non-Unicode text file at `path`.
    // With `overwrite`, a file of that name is replaced.
    std::unique_ptr<TextStream> CreateTextFile(const std::string& path, bool overwrite);
};

}  // namespace dorvane::log
