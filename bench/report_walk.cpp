// A report of a whole table to a text file, side by side with the server
// streaming the same rows with COPY through libpq into a file: what share
// of the streaming rate a report reaches. The report prints one line a
// record (four fields) and a total at the end. A stretch of the same
// report with every move sent on its own shows what the read-ahead saves.
//
//   report_walk [--rows=N] [--single_rows=N] [--rounds=N] [--port=P]
//
// The program starts a throwaway PostgreSQL cluster of its own with the
// project's script (scripts/pg-cluster.sh) and removes it at the end.
#include <libpq-fe.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/errors.h"
#include "core/slots.h"
#include "core/status_words.h"
#include "data/access.h"
#include "data/context.h"
#include "data/dictionary.h"
#include "data/script_hooks.h"
#include "data/session.h"
#include "formats/formats.h"
#include "output/reports.h"
#include "script/hooks.h"
#include "script/procedures.h"
#include "script/variables.h"

namespace {

using core::operator""_t;
using Clock = std::chrono::steady_clock;

long g_rows = 100000;
long g_single_rows = 20000;
int g_rounds = 3;
std::string g_port = "55691";
std::string g_folder;

core::Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }
bool run(const std::string& command) { return std::system(command.c_str()) == 0; }
bool exec(const std::string& sql) { return data::sql_exec_simple(txt(sql)) == 0; }
double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

bool make_table(long rows) {
  if (!exec("DROP TABLE IF EXISTS walk;") ||
      !exec("CREATE TABLE walk (\"K1\" character(8), \"NAME\" character(30), \"QTY\" numeric(6), "
            "\"AMT\" numeric(12,2));"))
    return false;
  std::string insert =
      "INSERT INTO walk SELECT 'K' || lpad(i::text, 7, '0'), 'article number ' || i, i % 1000, "
      "i * 1.5 FROM generate_series(1, " + std::to_string(rows) + ") i;";
  if (!exec(insert)) return false;
  core::ArenaScope scope;
  core::Text index = data::access_index_definition(1, 1, true);
  return exec(std::string(index.ptr, index.len)) && exec("VACUUM ANALYZE walk;");
}

bool define_file() {
  if (data::dict_add_file(0, "walk"_t, ""_t) != 0 || data::dict_add_field("K1"_t, 8, 'A') != 0 ||
      data::dict_add_field("NAME"_t, 30, 'A') != 0 || data::dict_add_field("QTY"_t, 6, 'N') != 0 ||
      data::dict_add_field("AMT"_t, 12, '2') != 0)
    return false;
  data::KeySegment key[] = {{0, 8}};
  return data::dict_add_key(1, key, 1) == 0;
}

// One line a record and the total of the amounts at the end.
const char* kTemplate =
    "01001\\\\\\\\\\\\\\\\|\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\|"
    "#####0|###,###,##0.00\x19K1{walk},NAME{walk},QTY{walk},AMT{walk} /TOTALBASE%=1\n"
    "000011\tTotal|###,###,###,##0.00\x17,_#(4)\n";

double report_once(const std::string& out) {
  output::ReportRequest request;
  request.device = out + " /LP:0";
  request.template_name = "WALK.PDC";
  request.progress = "NONE";
  auto t = Clock::now();
  core::Status st = output::report_run(request);
  double s = seconds_since(t);
  if (st != 0) {
    std::fprintf(stderr, "the report ended with %u\n", st);
    return -1;
  }
  return s;
}

// COPY of the same rows in key order, written as it arrives.
double copy_once(PGconn* conn, const std::string& out) {
  auto t = Clock::now();
  PGresult* res = PQexec(conn, "COPY (SELECT \"K1\", \"NAME\", \"QTY\", \"AMT\" FROM walk ORDER BY \"K1\") TO STDOUT;");
  if (PQresultStatus(res) != PGRES_COPY_OUT) {
    std::fprintf(stderr, "COPY: %s", PQerrorMessage(conn));
    PQclear(res);
    return -1;
  }
  PQclear(res);
  FILE* f = std::fopen(out.c_str(), "wb");
  char* buf = nullptr;
  int n;
  while ((n = PQgetCopyData(conn, &buf, 0)) > 0) {
    std::fwrite(buf, 1, static_cast<size_t>(n), f);
    PQfreemem(buf);
  }
  std::fclose(f);
  while ((res = PQgetResult(conn)) != nullptr) PQclear(res);
  return seconds_since(t);
}

long lines_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rows=", 7) == 0) g_rows = std::atol(argv[i] + 7);
    else if (std::strncmp(argv[i], "--single_rows=", 14) == 0) g_single_rows = std::atol(argv[i] + 14);
    else if (std::strncmp(argv[i], "--rounds=", 9) == 0) g_rounds = std::atoi(argv[i] + 9);
    else if (std::strncmp(argv[i], "--port=", 7) == 0) g_port = argv[i] + 7;
  }
  char folder[] = "/tmp/reportwalkXXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  g_folder = folder;
  chmod(folder, 0755);  // the server's own user must reach the cluster inside
  std::string cluster = std::string(APP_PG_SCRIPT) + " %s " + g_folder + "/pg " + g_port;
  auto script = [&](const char* action) {
    char buf[512];
    std::snprintf(buf, sizeof buf, cluster.c_str(), action);
    return run(std::string(buf) + " >/dev/null");
  };
  if (!script("start")) return 1;
  std::string sock = g_folder + "/pg/sock";
  setenv("PGHOST", sock.c_str(), 1);
  setenv("PGPORT", g_port.c_str(), 1);
  std::ofstream(g_folder + "/WALK.PDC", std::ios::binary) << kTemplate;
  bool ok = true;
  {
    core::CoreContext core;
    script::ScriptContext script_context;
    data::DataContext data_context;
    script::ProcContext procs;
    core::hooks_install(script::core_hooks());
    formats::hooks_install(script::formats_hooks());
    script::Hooks hooks;
    hooks.fields = data::field_reference;
    hooks.data_functions = data::data_function;
    hooks.execute = script::procedure_execute;
    hooks.local_calls = data::local_call;
    script::hooks_install(hooks);
    script::var_set_int(core::kSwTrace, 0);
    core::Status st = core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(g_folder));
    if (st == 0) st = data::sql_connect(txt(sock), "postgres"_t, "postgres"_t, core::Text{}, 0);
    ok = st == 0 && define_file();
    if (st != 0) std::fprintf(stderr, "set-up: %u\n", st);
    if (ok && !make_table(g_rows)) {
      std::fprintf(stderr, "%s\n", core::text_str(core::error_detail()).c_str());
      ok = false;
    }
    script::var_set_int(core::kSwCurFil, 1);
    std::string conninfo = "host=" + sock + " port=" + g_port + " user=postgres dbname=postgres";
    PGconn* copy_conn = PQconnectdb(conninfo.c_str());
    ok = ok && PQstatus(copy_conn) == CONNECTION_OK;
    if (!ok) std::fprintf(stderr, "could not set the table up\n");

    std::vector<double> reports, copies;
    std::string report_out = g_folder + "/report.txt", copy_out = g_folder + "/copy.txt";
    for (int round = 0; round < g_rounds && ok; ++round) {
      double r = report_once(report_out), c = copy_once(copy_conn, copy_out);
      ok = r > 0 && c > 0;
      reports.push_back(r);
      copies.push_back(c);
    }
    long report_lines = ok ? lines_of(report_out) : 0, copy_lines = ok ? lines_of(copy_out) : 0;

    // The same report over fewer rows, read ahead and with every move sent.
    double ahead = 0, single = 0;
    if (ok && g_single_rows > 0) {
      ok = make_table(g_single_rows);
      ahead = ok ? report_once(report_out) : -1;
      data::access_read_ahead_set(false);
      single = ok ? report_once(report_out) : -1;
      data::access_read_ahead_set(true);
      ok = ahead > 0 && single > 0;
    }
    PQfinish(copy_conn);
    if (ok) {
      double r = median(reports), c = median(copies);
      std::printf("records                                 %ld (report %ld lines, COPY %ld lines)\n", g_rows,
                  report_lines, copy_lines);
      std::printf("report to a text file                   %.3f s   %8.0f records/s\n", r, g_rows / r);
      std::printf("COPY ... TO STDOUT into a file          %.3f s   %8.0f records/s\n", c, g_rows / c);
      std::printf("report rate / streaming rate            %.3f   (median of %d rounds)\n", c / r, g_rounds);
      if (g_single_rows > 0) {
        std::printf("%ld records read ahead                %.3f s   %6.1f us a record\n", g_single_rows, ahead,
                    ahead / g_single_rows * 1e6);
        std::printf("%ld records, every move sent          %.3f s   %6.1f us a record   (%.1f times slower)\n",
                    g_single_rows, single, single / g_single_rows * 1e6, single / ahead);
      }
    }
  }
  script("stop");
  if (std::getenv("REPORT_WALK_KEEP") == nullptr) std::filesystem::remove_all(g_folder);
#ifndef NDEBUG
  std::printf("built without NDEBUG; configure with -DCMAKE_BUILD_TYPE=Release for representative times\n");
#endif
  return ok ? 0 : 1;
}
