#include "log/text_stream.h"

#include "common/error.h"
#include "os/encoding.h"

namespace dorvane::log {
namespace {

// Writing to a stream that was closed: Visual Basic's "Bad file mode".
Error closed_stream() { return Error(54, "Bad file mode"); }

}  // namespace

void TextStream::WriteLine(const std::string& text) {
    if (!open_) throw closed_stream();
    if (!file_) return sink_(text);
    file_->write(os::to_system_codepage(text) + "\r\n");
}

void TextStream::Close() {
    if (!open_) throw closed_stream();
    open_ = false;
    if (file_) file_->close();
}

std::unique_ptr<TextStream> FileSystemObject::CreateTextFile(const std::string& path,
                                                             bool overwrite) {
    return std::make_unique<TextStream>(OutputFile::create(path, overwrite));
}

}  // namespace dorvane::log
