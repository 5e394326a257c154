// Where the machine's node_exporter reads metrics files, as its systemd
// unit tells it: the installers' own ways of writing the flag.
#include <gtest/gtest.h>

#include <map>

#include "os/node_exporter_unit.h"

namespace dorvane::os {
namespace {

// A machine's files, by path.
struct Files {
    std::map<std::string, std::string> text;
    std::optional<std::string> folder_of(const std::map<std::string, std::string>& extra = {}) const {
        std::map<std::string, std::string> all = text;
        for (const auto& [path, content] : extra) all[path] = content;
        return node_exporter_textfile_directory(
            [&](const std::string& path) -> std::optional<std::string> {
                const auto at = all.find(path);
                if (at == all.end()) return std::nullopt;
                return at->second;
            },
            [&](const std::string& folder) {
                std::vector<std::string> names;
                for (const auto& [path, _] : all)
                    if (path.rfind(folder + "/", 0) == 0) names.push_back(path.substr(folder.size() + 1));
                return names;
            });
    }
};

const char debian_unit[] =
    "[Unit]\nDescription=Prometheus exporter for machine metrics\n\n[Service]\nRestart=on-failure\n"
    "User=prometheus\nEnvironmentFile=/etc/default/prometheus-node-exporter\n"
    "ExecStart=/usr/bin/prometheus-node-exporter $ARGS\nExecReload=/bin/kill -HUP $MAINPID\n";

TEST(NodeExporterUnit, DebiansUnitTakesTheFolderFromItsArgs) {
    Files debian{{{"/lib/systemd/system/prometheus-node-exporter.service", debian_unit},
                  {"/etc/default/prometheus-node-exporter",
                   "# Set the command-line arguments to pass to the server.\nARGS=\"\"\n"}}};
    EXPECT_EQ(debian.folder_of(), std::nullopt);  // no flag: the caller's default
    EXPECT_EQ(debian.folder_of({{"/etc/default/prometheus-node-exporter",
                                 "ARGS=\"--web.listen-address=:9100 --collector.textfile.directory=/srv/metrics\"\n"}}),
              "/srv/metrics");
    // A variable as part of a word is its value, blanks and all.
    EXPECT_EQ(debian.folder_of({{"/etc/systemd/system/prometheus-node-exporter.service.d/folder.conf",
                                 "[Service]\nEnvironment=\"DIR=/srv/my metrics\"\nExecStart=\n"
                                 "ExecStart=/usr/bin/prometheus-node-exporter --collector.textfile.directory=${DIR}\n"}}),
              "/srv/my metrics");
    EXPECT_EQ(Files{}.folder_of(), std::nullopt);
}

// The release archive's unit as the common installers write it: a copy in
// /etc first, the flag in either form, quoted or not, across lines, the
// last one given; a drop-in's reset ExecStart= in its place.
TEST(NodeExporterUnit, TheEtcCopyAndTheLastFlagCount) {
    Files archive{{{"/etc/systemd/system/node_exporter.service",
                    "[Service]\nType=simple\nExecStart=/usr/local/bin/node_exporter \\\n"
                    "    --collector.textfile.directory \"/var/lib/node exporter\" \\\n    --web.listen-address=:9100\n"},
                   {"/usr/lib/systemd/system/node_exporter.service",
                    "[Service]\nExecStart=/usr/bin/node_exporter --collector.textfile.directory=/elsewhere\n"}}};
    EXPECT_EQ(archive.folder_of(), "/var/lib/node exporter");
    EXPECT_EQ(archive.folder_of({{"/etc/systemd/system/node_exporter.service.d/override.conf",
                                  "[Service]\nExecStart=\nExecStart=-/usr/local/bin/node_exporter "
                                  "--collector.textfile.directory=/a '--collector.textfile.directory=/b'\n"}}),
              "/b");
    // Another section's ExecStart is not the service's.
    EXPECT_EQ((Files{{{"/lib/systemd/system/node-exporter.service",
                       "[Service]\nExecStart=/usr/bin/node_exporter\n[Install]\n"
                       "ExecStart=x --collector.textfile.directory=/no\n"}}}.folder_of()),
              std::nullopt);
    EXPECT_EQ(systemd_words("a \"b c\"\\ d $$x ${V}x $V", {{"V", " 1  2 "}}),
              (std::vector<std::string>{"a", "b c d", "$x", " 1  2 x", "1", "2"}));
}

}  // namespace
}  // namespace dorvane::os
