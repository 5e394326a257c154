// The program's one form: it carries the whole job as its methods, and the
// state that outlives a single call (the connection and the run log).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/error.h"
#include "db/database.h"
#include "db/held_privileges.h"
#include "log/text_stream.h"
#include "os/reports.h"
#include "run/run_summary.h"

namespace dorvane {

// What the form reaches outside the program. The defaults are the real
// platform; tests put observers in their place.
struct Form1Seams {
    std::function<std::unique_ptr<db::Connection>()> new_connection;
    std::function<void(const std::string& text)> message_box;
    // Told of a data source that could not be opened, once it is logged.
    std::function<void(const std::string& data_source, const Error& failure)> data_source_not_opened;
    // Tells what the check of the read-only user's privileges found; empty
    // where nothing is to be checked (the plan, whose statements were not
    // sent).
    std::function<void(os::Warning kind, const std::string& text)> privilege_warning;
    // Told once the run holds its log, before it opens any data source:
    // from here on no other run can be under way.
    std::function<void()> run_started;
    std::function<std::string()> program_directory;
    std::function<std::int32_t(std::uint32_t clave_raiz, const std::string& subclave,
                               const std::string& nombre_valor, const std::string& valor,
                               std::int32_t tipo_valor)>
        escribir_valor_registro;

    static Form1Seams platform();
    // For a plan: the real connection for reading, printing every statement
    // to `output` instead of sending it; no box, no setting.
    static Form1Seams plan(const std::function<void(const std::string& line)>& output);
};

class Form1 {
public:
    explicit Form1(Form1Seams seams = Form1Seams::platform());

    // The whole run, from the settings before the work to the settings after
    // it. An Error that leaves it ends the run.
    void Form_Load();

    // What a run would send, without sending it: each data source's walk,
    // under a line that names it, with the log's lines going to `output`
    // too. Needs the seams of Form1Seams::plan. An Error that leaves it is
    // the one that would end the run.
    void print_plan(const std::function<void(const std::string& line)>& output);

    // One data source: open, walk the catalogue, close.
    void principal(const std::string& nombre_odbc);

    // What the read-only user can still do on the open data source, once
    // its walk is over: each privilege beyond the run's intent is told. A
    // check that cannot be made is told and flagged; it never ends the run.
    void check_privileges(const std::string& data_source, const db::WalkedTables& walked);

    // True when the data source could not be opened (the failure is logged).
    bool abrir_conexion(const std::string& ODBC);
    void cerrar_conexion();

    void quitar_permisos(const std::string& propietario, const std::string& tabla,
                         const std::string& usuario, const std::string& bd);
    void asignar_permisos(const std::string& propietario, const std::string& tabla,
                          const std::string& usuario, const std::string& bd);

    void crear_fichero();
    // Whether crear_fichero would create the log, creating nothing: raises
    // the error that would end the run there.
    void check_log_creatable();
    // Logs the current error `Err` with the context `tabla`.
    void control_errores(const std::string& tabla);
    void cerrar_fichero();

    // The current error: the last failure that a handler kept.
    Error Err;

    // What the walk did so far, for the run's summary.
    RunSummary summary;

    std::unique_ptr<db::Connection> conexion;
    std::unique_ptr<log::FileSystemObject> fso;
    std::unique_ptr<log::TextStream> fichero_log;

private:
    void count(std::size_t DataSourceSummary::*sent, std::size_t DataSourceSummary::*failed);

    Form1Seams seams_;
};

}  // namespace dorvane
