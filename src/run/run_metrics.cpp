#include "run/run_metrics.h"

#include <cstdio>
#include <cstring>

#include "os/reports.h"
#include "os/metrics_directory.h"
#include "os/paths.h"
#include "os/whole_file.h"
#include "run/settings.h"

namespace dorvane {

const char metrics_file_name[] = "dorvane.prom";

namespace {

constexpr const char last_success_metric[] = "dorvane_last_success_timestamp_seconds";
constexpr const char start_metric[] = "dorvane_last_start_timestamp_seconds";
constexpr const char start_help[] = "When the last run started, in Unix seconds.";

std::string unix_seconds(std::chrono::system_clock::time_point at) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(at.time_since_epoch()).count());
}

// A label's value between double quotes, with backslash, double quote and
// line feed escaped as the format asks.
std::string label(const char* name, const std::string& value) {
    std::string out = std::string(name) + "=\"";
    for (const char c : value) {
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out + "\"";
}

// Appends a gauge's HELP and TYPE lines.
void describe(std::string& out, const char* name, const char* help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
}

void sample(std::string& out, const char* name, const std::string& labels, const std::string& value) {
    out += name;
    if (!labels.empty()) out += "{" + labels + "}";
    out += " " + value + "\n";
}

// The data source's counts, or zeros for one the run never reached.
DataSourceSummary counts_of(const RunSummary& summary, const std::string& data_source) {
    for (const DataSourceSummary& f : summary.data_sources)
        if (f.data_source == data_source) return f;
    return DataSourceSummary{data_source};
}

std::string seconds(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

bool is_plain_number(const std::string& text) {
    std::size_t digits = 0, points = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') ++digits;
        else if (c == '.' && digits > 0 && points == 0) ++points;
        else return false;
    }
    return digits > 0 && text.back() != '.';
}

// A file that cannot be read or written is a warning, as a setting that
// cannot be written.
void warn_metrics(const std::string& what, const Error& failure, const std::string& remedy = "") noexcept {
    try {
        os::warn(os::Warning::metrics_not_written,
                 what + ": " + error_text(failure) + remedy);
    } catch (const std::exception&) {  // no memory left to tell it
    }
}

}  // namespace

std::string metrics_text(const RunSummary& summary, const RunEnd& run_end,
                         const std::optional<std::string>& previous_success) {
    using std::chrono::duration;
    const std::string ended = unix_seconds(run_end.ended);
    const std::optional<std::string> success = run_end.status == exit_complete ? ended : previous_success;

    std::string out;
    describe(out, start_metric, start_help);
    sample(out, start_metric, "", unix_seconds(run_end.started));
    describe(out, "dorvane_last_run_timestamp_seconds", "When the last run ended, in Unix seconds.");
    sample(out, "dorvane_last_run_timestamp_seconds", "", ended);
    describe(out, "dorvane_last_run_duration_seconds", "How long the last run took.");
    sample(out, "dorvane_last_run_duration_seconds", "", seconds(duration<double>(run_end.duration).count()));
    describe(out, "dorvane_last_run_exit_status",
             "The last run's exit status: 0 all done, 3 a data source not opened, a grant failed or userSQL not "
             "proven read-only, 1 ended early.");
    sample(out, "dorvane_last_run_exit_status", "", std::to_string(run_end.status));
    if (success) {
        describe(out, last_success_metric, "When the last run that exited 0 ended, in Unix seconds.");
        sample(out, last_success_metric, "", *success);
    }

    describe(out, "dorvane_data_source_opened", "1 when the last run opened the data source, 0 otherwise.");
    for (const std::string& data_source : data_source_names)
        sample(out, "dorvane_data_source_opened", label("data_source", data_source),
               counts_of(summary, data_source).opened ? "1" : "0");
    describe(out, "dorvane_tables_walked", "The catalogue's tables that the last run walked.");
    for (const std::string& data_source : data_source_names)
        sample(out, "dorvane_tables_walked", label("data_source", data_source), std::to_string(counts_of(summary, data_source).tables_walked));
    describe(out, "dorvane_privileges_checked",
             "1 when the last run read what userSQL can still do on the data source, 0 otherwise.");
    for (const std::string& data_source : data_source_names)
        sample(out, "dorvane_privileges_checked", label("data_source", data_source),
               counts_of(summary, data_source).privilege_check == PrivilegeCheck::made ? "1" : "0");
    describe(out, "dorvane_excess_privileges",
             "The privileges beyond SELECT on PUB's tables that userSQL held after the last run, itself or through "
             "PUBLIC.");
    for (const std::string& data_source : data_source_names)
        sample(out, "dorvane_excess_privileges", label("data_source", data_source),
               std::to_string(counts_of(summary, data_source).excess_privileges));
    const struct {
        const char* name;
        const char* help;
        std::size_t DataSourceSummary::*revoke;
        std::size_t DataSourceSummary::*grant;
    } statements[] = {
        {"dorvane_statements_sent", "The statements that the last run sent.", &DataSourceSummary::revokes,
         &DataSourceSummary::grants},
        {"dorvane_statements_failed", "The statements that failed in the last run.",
         &DataSourceSummary::revokes_failed, &DataSourceSummary::grants_failed},
    };
    for (const auto& s : statements) {
        describe(out, s.name, s.help);
        for (const std::string& data_source : data_source_names) {
            const DataSourceSummary f = counts_of(summary, data_source);
            const std::string where = label("data_source", data_source) + ",";
            sample(out, s.name, where + label("statement", "revoke"), std::to_string(f.*s.revoke));
            sample(out, s.name, where + label("statement", "grant"), std::to_string(f.*s.grant));
        }
    }
    describe(out, "dorvane_build_info", "The version of the program that made the last run.");
    sample(out, "dorvane_build_info", label("version", DORVANE_VERSION), "1");
    return out;
}

std::optional<std::string> last_success_in(const std::string& previous_file) {
    const std::string prefix = std::string(last_success_metric) + " ";
    std::size_t at = 0;
    while (at < previous_file.size()) {
        std::size_t end = previous_file.find('\n', at);
        if (end == std::string::npos) end = previous_file.size();
        if (previous_file.compare(at, prefix.size(), prefix) == 0) {
            // An edited file's line may end in blanks or CR LF.
            std::size_t value_end = end;
            while (value_end > at + prefix.size() && std::strchr(" \t\r", previous_file[value_end - 1]) != nullptr)
                --value_end;
            const std::string value = previous_file.substr(at + prefix.size(), value_end - at - prefix.size());
            if (is_plain_number(value)) return value;
            return std::nullopt;
        }
        at = end + 1;
    }
    return std::nullopt;
}

std::string start_metrics_text(const std::optional<std::string>& previous_file,
                               std::chrono::system_clock::time_point started) {
    std::string out;
    describe(out, start_metric, start_help);
    sample(out, start_metric, "", unix_seconds(started));
    if (!previous_file) return out;
    const std::string start = start_metric;
    for (std::size_t at = 0; at < previous_file->size();) {
        std::size_t end = previous_file->find('\n', at);
        if (end == std::string::npos) end = previous_file->size();
        std::string line = previous_file->substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // The metric's name: a sample's first word, a comment's third.
        std::size_t from = 0;
        if (line.rfind("# HELP ", 0) == 0 || line.rfind("# TYPE ", 0) == 0) from = 7;
        const std::string name = line.substr(from, line.find_first_of("{ ", from) - from);
        if (name.rfind("dorvane_", 0) != 0 || name == start) continue;
        out += line + "\n";
    }
    return out;
}

namespace {

// Replaces the metrics file, where the machine has a collector's folder,
// with what `text_from` makes of the file there, read unless `previous`
// was (nothing where there is none, or where it cannot be read, which is
// told). What cannot be written is told where `tell_writing`. Gives back
// what was read.
template <typename TextFrom>
PreviousMetrics publish(PreviousMetrics previous, bool tell_writing, TextFrom&& text_from) noexcept {
    std::string path = metrics_file_name;
    std::optional<std::string> folder;
    try {
        folder = os::metrics_directory();
        if (!folder) return {true, std::nullopt};
        path = os::join_path(*folder, metrics_file_name);
        // Whatever stands at the path, the new file takes its place; what
        // cannot be read only loses the carry-over, and says why.
        if (!previous.read) {
            previous.read = true;
            try {
                previous.text = os::read_small_file(path);
            } catch (const Error& failure) {
                warn_metrics("the last success was not carried over from " + path, failure);
            }
        }
        os::replace_file(path, text_from(previous.text));
    } catch (const Error& failure) {
        if (tell_writing)
            warn_metrics("the metrics were not written to " + path, failure, folder ? os::how_to_allow(failure, *folder) : "");
    } catch (const std::exception&) {  // out of memory: the run's status stands
    }
    return previous;
}

}  // namespace

void forget_metrics() {
    const std::optional<std::string> folder = os::metrics_directory();
    if (folder) os::remove_file(os::join_path(*folder, metrics_file_name));
}

PreviousMetrics publish_start(std::chrono::system_clock::time_point started) noexcept {
    return publish({}, false, [&](const std::optional<std::string>& previous_file) {
        return start_metrics_text(previous_file, started);
    });
}

void publish_metrics(const RunSummary& summary, const RunEnd& run_end,
                     const PreviousMetrics& previous) noexcept {
    publish(previous, true, [&](const std::optional<std::string>& previous_file) {
        return metrics_text(summary, run_end, previous_file ? last_success_in(*previous_file) : std::nullopt);
    });
}

}  // namespace dorvane
