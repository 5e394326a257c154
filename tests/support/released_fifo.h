// Test only: a FIFO where a program under test expects a file. Opening one
// to read waits for a writer, and code that forgot to open it without
// waiting would hold its test until the test's time limit, with no word of
// why. Once a ReleasedFifo has lived for its patience, a writer comes and
// goes whenever a reader is there, so that such a reader reads an empty
// file and goes on, and `released` tells the test that it waited.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace dorvane::testing {

class ReleasedFifo {
public:
    // Makes the FIFO at `path`; raises where it cannot.
    ReleasedFifo(std::string path, std::chrono::seconds patience);
    ~ReleasedFifo();
    ReleasedFifo(const ReleasedFifo&) = delete;
    ReleasedFifo& operator=(const ReleasedFifo&) = delete;

    // How many readers had to be released: none where every reader opened
    // it without waiting.
    int released() const { return released_; }

private:
    std::string path_;
    std::atomic<bool> done_{false};
    std::atomic<int> released_{0};
    std::thread writer_;
};

}  // namespace dorvane::testing
