// dorvane: resets the privileges of the read-only user on three ODBC data
// sources. With no arguments it runs the job and reads no configuration;
// an argument asks for something that touches nothing (help, the version).
#include <chrono>
#include <clocale>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "db/odbc_connection.h"
#include "log/output_file.h"
#include "log/run_log.h"
#include "os/console_output.h"
#include "os/message_box.h"
#include "os/odbc_library.h"
#include "os/paths.h"
#include "os/program_directory.h"
#include "os/reports.h"
#include "run/arguments.h"
#include "run/audit.h"
#include "run/form1.h"
#include "run/help_text.h"
#include "run/plan_line.h"
#include "run/run_metrics.h"
#include "run/run_summary.h"

namespace {

// Runs `work`; the error that ended it, whatever it raised, or nothing
// when it reached its end.
template <typename Work>
std::optional<dorvane::Error> failure_of(Work&& work) {
    try {
        work();
        return std::nullopt;
    } catch (const dorvane::Error& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return dorvane::Error(7, "Out of memory");
    } catch (const std::exception& e) {
        return dorvane::Error(dorvane::unspecified_error, e.what());
    }
}

// How a run went, for its reports.
struct RunOutcome {
    int status;
    // Kept from starting by another run, which holds the log: whatever the
    // metrics say is that run's, and stays so.
    bool refused = false;
};

// The whole run, its start published once it holds the log; its exit
// status, from what the walk counted and whether an error ended it.
// `summary` gets what the walk did, however far the run went.
RunOutcome run(dorvane::RunSummary& summary, std::chrono::system_clock::time_point started,
               dorvane::PreviousMetrics& previous) {
    std::unique_ptr<dorvane::Form1> form;
    bool published_start = false;
    const std::optional<dorvane::Error> fatal = failure_of([&] {
        dorvane::os::load_odbc_driver_manager();
        dorvane::Form1Seams seams = dorvane::Form1Seams::platform();
        seams.run_started = [&] {
            previous = dorvane::publish_start(started);
            published_start = true;
        };
        form = std::make_unique<dorvane::Form1>(std::move(seams));
        form->Form_Load();
    });
    // The log's creation failed (the file-system object is there, its
    // stream is not) because another run holds it.
    const bool refused = fatal && !published_start && form && form->fso && !form->fichero_log &&
                         dorvane::log::OutputFile::held_by_another(*fatal);
    if (form) summary = std::move(form->summary);
    // The log and the connection are closed before anybody is told, as a box
    // may wait for a person for a long time.
    form.reset();
    // Nothing caught it: it ends the run here, and the user is told.
    if (fatal) dorvane::os::show_fatal_error(*fatal);
    return {dorvane::exit_status_of(summary, fatal.has_value()), refused};
}

// A line on standard output, as itself or marked with visible escapes: a
// name cannot make the plan or the audit say what the database will not do.
void print_line(const std::string& line) {
    using dorvane::os::Stream;
    const auto representable = [](char32_t c) { return dorvane::os::can_carry(Stream::output, c); };
    if (!dorvane::os::write_console(Stream::output, dorvane::plan_line(line, representable) + "\n"))
        throw dorvane::Error(dorvane::unspecified_error, "Standard output could not be written");
}

// An error that would end the run, told as a run tells it on POSIX, on
// standard error, and nowhere else: no box, no event.
void tell_on_standard_error(const dorvane::Error& fatal) {
    dorvane::os::write_console(dorvane::os::Stream::error,
                               std::string(dorvane::os::program_name) + ": " + dorvane::error_text(fatal) + "\n");
}

// The plan: what a run would send, on standard output; its exit status is
// the one a run would have.
int plan() {
    const auto output = print_line;
    std::unique_ptr<dorvane::Form1> form;
    const std::optional<dorvane::Error> fatal = failure_of([&] {
        dorvane::os::load_odbc_driver_manager();
        form = std::make_unique<dorvane::Form1>(dorvane::Form1Seams::plan(output));
        form->print_plan(output);
    });
    dorvane::RunSummary summary;
    if (form) summary = std::move(form->summary);
    if (fatal) tell_on_standard_error(*fatal);
    return dorvane::exit_status_of(summary, fatal.has_value());
}

// The audit: what the read-only user can do, on standard output; 0 where
// all three data sources were read and it can only read, 3 otherwise, 1
// on an error that would end a run.
int check() {
    int status = dorvane::exit_early;
    const std::optional<dorvane::Error> fatal = failure_of([&] {
        dorvane::os::load_odbc_driver_manager();
        status = dorvane::audit([] { return std::make_unique<dorvane::db::OdbcConnection>(); }, print_line);
    });
    if (fatal) tell_on_standard_error(*fatal);
    return fatal ? dorvane::exit_early : status;
}

// The uninstallers' step: the metrics file goes, so that the exporter
// stops serving a run of a program that is no longer there.
int forget_metrics() {
    const std::optional<dorvane::Error> fatal = failure_of([] { dorvane::forget_metrics(); });
    if (fatal) tell_on_standard_error(*fatal);
    return fatal ? dorvane::exit_early : dorvane::exit_complete;
}

// How much the run's end matters to whoever watches the machine.
dorvane::os::Severity severity_of(int status) {
    using dorvane::os::Severity;
    return status == dorvane::exit_complete     ? Severity::information
           : status == dorvane::exit_incomplete ? Severity::warning
                                                  : Severity::error;
}

std::string log_path() {
    return dorvane::os::join_path(dorvane::os::program_directory(), dorvane::log::log_name);
}

}  // namespace

int main(int argc, char** argv) {
    // Only the character set comes from the environment, for the text the
    // program writes out. Numbers and everything else keep the C locale's
    // conventions, here and in the ODBC driver that runs in this process.
    std::setlocale(LC_CTYPE, "");
    const dorvane::Arguments arguments = dorvane::read_arguments(argc, argv);
    using dorvane::os::Stream;
    switch (arguments.request) {
        case dorvane::Request::help:
            return dorvane::os::write_console(Stream::output, dorvane::help_text()) ? 0 : 1;
        case dorvane::Request::version:
            return dorvane::os::write_console(Stream::output, dorvane::version_text()) ? 0 : 1;
        case dorvane::Request::usage_error:
            dorvane::os::write_console(Stream::error, dorvane::usage_error_text(arguments.problem));
            return dorvane::exit_usage;
        case dorvane::Request::dry_run:
            return plan();
        case dorvane::Request::check:
            return check();
        case dorvane::Request::forget_metrics:
            return forget_metrics();
        case dorvane::Request::run:
            break;
    }
    const auto started = std::chrono::steady_clock::now();
    const auto started_at = std::chrono::system_clock::now();
    dorvane::RunSummary summary;
    dorvane::PreviousMetrics previous;
    const RunOutcome outcome = run(summary, started_at, previous);
    const int status = outcome.status;
    dorvane::os::end_reports(log_path);
    const dorvane::RunEnd run_end{status, std::chrono::system_clock::now(),
                                    std::chrono::steady_clock::now() - started, started_at};
    try {
        dorvane::os::tell_summary(dorvane::summary_text(summary, run_end.duration, status), severity_of(status));
    } catch (const std::bad_alloc&) {  // no memory left for the summary: the run's status stands
    }
    if (!outcome.refused) dorvane::publish_metrics(summary, run_end, previous);
    return status;
}
