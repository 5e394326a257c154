// The metrics file as the textfile collectors read it, and how it is
// replaced.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/error.h"
#include "os/whole_file.h"
#include "run/run_metrics.h"
#include "support/released_fifo.h"
#include "support/temp_dir.h"

namespace dorvane {
namespace {

using testing::TempDir;

// A run that opened the first data source only, three of whose revokes and
// one of whose grants failed (a real night fails many revokes, of
// privileges not held, and few grants), and left userSQL two privileges
// too many there.
RunSummary partial_run() {
    RunSummary summary;
    summary.data_sources.push_back({"VistasQuendar", true, 4, 4, 3, 2, 1, PrivilegeCheck::made, 2});
    summary.data_sources.push_back({"VistasQuendar1", false});
    return summary;
}

RunEnd ended(int status) {
    return {status, std::chrono::system_clock::time_point(std::chrono::seconds(1765339200)),
            std::chrono::milliseconds(1500), std::chrono::system_clock::time_point(std::chrono::seconds(1765339198))};
}

// The value of the sample that begins `line`, or "absent".
std::string sample(const std::string& text, const std::string& line) {
    const std::size_t at = text.find("\n" + line + " ");
    if (at == std::string::npos) return "absent";
    const std::size_t from = at + line.size() + 2;
    return text.substr(from, text.find('\n', from) - from);
}

TEST(RunMetrics, EachMetricIsAGaugeWithItsCountsPerDataSourceInLfLines) {
    const std::string text = metrics_text(partial_run(), ended(3), std::nullopt);
    EXPECT_EQ(text.rfind("# HELP dorvane_last_start_timestamp_seconds ", 0), 0u);  // no byte order mark
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(sample(text, "dorvane_last_start_timestamp_seconds"), "1765339198");
    EXPECT_EQ(sample(text, "dorvane_last_run_timestamp_seconds"), "1765339200");
    EXPECT_EQ(sample(text, "dorvane_last_run_duration_seconds"), "1.500");
    EXPECT_EQ(sample(text, "dorvane_last_run_exit_status"), "3");
    EXPECT_EQ(sample(text, "dorvane_last_success_timestamp_seconds"), "absent");  // none yet
    EXPECT_EQ(sample(text, "dorvane_data_source_opened{data_source=\"VistasQuendar\"}"), "1");
    EXPECT_EQ(sample(text, "dorvane_data_source_opened{data_source=\"VistasQuendar2\"}"), "0");  // not reached
    EXPECT_EQ(sample(text, "dorvane_tables_walked{data_source=\"VistasQuendar\"}"), "4");
    EXPECT_EQ(sample(text, "dorvane_statements_sent{data_source=\"VistasQuendar\",statement=\"grant\"}"), "2");
    EXPECT_EQ(sample(text, "dorvane_statements_sent{data_source=\"VistasQuendar\",statement=\"revoke\"}"), "4");
    EXPECT_EQ(sample(text, "dorvane_statements_failed{data_source=\"VistasQuendar\",statement=\"revoke\"}"), "3");
    EXPECT_EQ(sample(text, "dorvane_statements_failed{data_source=\"VistasQuendar\",statement=\"grant\"}"), "1");
    EXPECT_EQ(sample(text, "dorvane_statements_failed{data_source=\"VistasQuendar1\",statement=\"grant\"}"), "0");
    EXPECT_EQ(sample(text, "dorvane_privileges_checked{data_source=\"VistasQuendar\"}"), "1");
    EXPECT_EQ(sample(text, "dorvane_privileges_checked{data_source=\"VistasQuendar1\"}"), "0");
    EXPECT_EQ(sample(text, "dorvane_excess_privileges{data_source=\"VistasQuendar\"}"), "2");
    EXPECT_EQ(sample(text, "dorvane_excess_privileges{data_source=\"VistasQuendar1\"}"), "0");
    EXPECT_NE(text.find("\ndorvane_build_info{version=\"1."), std::string::npos);
    // Every sample's metric has its HELP and TYPE before it, once.
    std::size_t samples = 0;
    for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        if (text[at] == '#') continue;
        ++samples;
        const std::string name = text.substr(at, text.find_first_of("{ ", at) - at);
        EXPECT_LT(text.find("# TYPE " + name + " gauge\n"), at) << name;
        EXPECT_LT(text.find("# HELP " + name + " "), at) << name;
    }
    EXPECT_EQ(samples, 4u + 3 + 3 + 3 + 3 + 6 + 6 + 1);  // no last success yet
}

// The last success is the key metric of a batch job: it moves only when a
// run exits 0, and survives the runs that do not.
TEST(RunMetrics, TheLastSuccessIsCarriedOverUntilARunExitsZero) {
    const std::string good = metrics_text({}, ended(0), "1700000000");
    EXPECT_EQ(sample(good, "dorvane_last_success_timestamp_seconds"), "1765339200");
    const std::optional<std::string> kept = last_success_in(good);
    ASSERT_TRUE(kept);
    EXPECT_EQ(sample(metrics_text({}, ended(1), kept), "dorvane_last_success_timestamp_seconds"), "1765339200");
    // Only a plain number is carried: a file someone else wrote cannot put
    // lines of its own into the next one.
    EXPECT_EQ(last_success_in("dorvane_last_success_timestamp_seconds 17\nevil_metric 1\n# x"), "17");
    EXPECT_FALSE(last_success_in("dorvane_last_success_timestamp_seconds 17 \\\n\"evil\" 1\n"));
    EXPECT_FALSE(last_success_in("dorvane_last_success_timestamp_seconds 1 2\n"));
    EXPECT_FALSE(last_success_in("dorvane_last_success_timestamp_seconds 1.2.3\n"));  // promtool refuses it
    EXPECT_FALSE(last_success_in("dorvane_last_success_timestamp_seconds_x 12\n"));
    EXPECT_EQ(last_success_in("x 1\ndorvane_last_success_timestamp_seconds 12.5"), "12.5");
    // An edited file: CR LF line ends, blanks at the end of the line.
    EXPECT_EQ(last_success_in("x 1\r\ndorvane_last_success_timestamp_seconds 17\r\ny 2\r\n"), "17");
    EXPECT_EQ(last_success_in("dorvane_last_success_timestamp_seconds 17 \t \n"), "17");
    EXPECT_FALSE(last_success_in("dorvane_last_success_timestamp_seconds \r\n"));
}

// A run publishes its start over the previous run's file, which keeps its
// gauges as they were: the end, the status and the last success still say
// what the last run that ended did, whatever this one does next.
TEST(RunMetrics, TheStartKeepsThePreviousRunsGaugesAndOnlyThem) {
    const auto at = [](long s) { return std::chrono::system_clock::time_point(std::chrono::seconds(s)); };
    const std::string previous = metrics_text(partial_run(), ended(0), std::nullopt);
    const std::string started = start_metrics_text(previous, at(1765400000));
    EXPECT_EQ(sample(started, "dorvane_last_start_timestamp_seconds"), "1765400000");
    EXPECT_EQ(started.find("1765339198"), std::string::npos);  // the previous start, replaced
    // Every other line as it was, in its order.
    std::string kept = previous.substr(previous.find("# HELP dorvane_last_run_timestamp_seconds"));
    EXPECT_EQ(started.substr(started.find("# HELP dorvane_last_run_timestamp_seconds")), kept);
    // A file of another's, edited or damaged, gives only dorvane's lines.
    EXPECT_EQ(start_metrics_text("evil_metric 1\r\n# HELP evil x\ndorvane_x 2\r\n", at(5)),
              "# HELP dorvane_last_start_timestamp_seconds When the last run started, in Unix seconds.\n"
              "# TYPE dorvane_last_start_timestamp_seconds gauge\n"
              "dorvane_last_start_timestamp_seconds 5\ndorvane_x 2\n");
    EXPECT_EQ(start_metrics_text(std::nullopt, at(5)).find("dorvane_last_run"), std::string::npos);
}

TEST(WholeFile, ReplacedWholeReadableByAllAndNothingLeftBeside) {
    TempDir dir;
    const std::string path = dir / "dorvane.prom";
    EXPECT_FALSE(os::read_small_file(path));
    testing::write_bytes(path, "old\n");
    ::chmod(path.c_str(), 0600);
    os::replace_file(path, "new\n");
    EXPECT_EQ(os::read_small_file(path), "new\n");
    struct stat file {};
    ASSERT_EQ(::stat(path.c_str(), &file), 0);
    EXPECT_EQ(file.st_mode & 07777, 0644u);
    EXPECT_EQ(testing::listing(dir.path()).find('\n'), testing::listing(dir.path()).size() - 1);  // it alone
    // A folder that refuses the new file leaves the old one as it was.
    ::chmod(dir.path().c_str(), 0500);
    if (::access(dir.path().c_str(), W_OK) != 0) {  // root writes anywhere
        EXPECT_THROW(os::replace_file(path, "newer\n"), Error);
        EXPECT_EQ(os::read_small_file(path), "new\n");
    }
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_THROW(os::replace_file(dir / "missing/dorvane.prom", "x"), Error);
}

// Whatever someone put at the file's name, reading it neither waits nor
// grows without bound, and says what it found; the new file takes its
// place, but a folder's.
TEST(WholeFile, WhatIsNotASmallRegularFileIsToldAndReplaced) {
    TempDir dir;
    const std::string path = dir / "dorvane.prom";
    const auto refused = [&](const char* why) {
        try {
            os::read_small_file(path);
        } catch (const Error& e) {
            return std::string(e.Description).find(why) != std::string::npos ? "" : e.Description;
        }
        return std::string("read without an error");
    };
    {
        testing::ReleasedFifo fifo(path, std::chrono::seconds(10));
        EXPECT_EQ(refused("is not a regular file"), "");
        EXPECT_EQ(fifo.released(), 0) << "the read waited 10 s on a FIFO, for a writer";
        os::replace_file(path, "new\n");
    }
    EXPECT_EQ(os::read_small_file(path), "new\n");

    std::filesystem::remove(path);
    std::filesystem::create_symlink("/dev/zero", path);
    EXPECT_EQ(refused("is a symbolic link"), "");
    os::replace_file(path, "new\n");
    EXPECT_FALSE(std::filesystem::is_symlink(path));

    testing::write_bytes(path, std::string(1 << 20, 'x'));
    EXPECT_EQ(refused("is larger than 64 KiB"), "");
    testing::write_bytes(path, std::string(os::small_file_limit, 'x'));
    EXPECT_EQ(os::read_small_file(path)->size(), os::small_file_limit);

    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_EQ(refused("is a folder"), "");
    EXPECT_THROW(os::replace_file(path, "new\n"), Error);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << testing::listing(dir.path());

    // Nor is a link followed in place of the folder itself.
    std::filesystem::create_directory(dir / "real");
    std::filesystem::create_directory_symlink("real", dir / "link");
    EXPECT_THROW(os::replace_file(dir / "link/dorvane.prom", "x"), Error);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "real"));
}

}  // namespace
}  // namespace dorvane
