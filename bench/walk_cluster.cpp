#include "bench/walk_cluster.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

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
#include "script/hooks.h"
#include "script/procedures.h"
#include "script/variables.h"

namespace bench {
namespace {

using core::operator""_t;

bool exec(const std::string& sql) { return data::sql_exec_simple(txt(sql)) == 0; }

bool define_file() {
  if (data::dict_add_file(0, "walk"_t, ""_t) != 0 || data::dict_add_field("K1"_t, 8, 'A') != 0 ||
      data::dict_add_field("NAME"_t, 30, 'A') != 0 || data::dict_add_field("QTY"_t, 6, 'N') != 0 ||
      data::dict_add_field("AMT"_t, 12, '2') != 0)
    return false;
  data::KeySegment key[] = {{0, 8}};
  return data::dict_add_key(1, key, 1) == 0;
}

}  // namespace

double process_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

long lines_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

core::Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

struct WalkCluster::Contexts {
  core::CoreContext core;
  script::ScriptContext script;
  data::DataContext data;
  script::ProcContext procs;
};

bool WalkCluster::script(const char* action) const {
  std::string command = std::string(APP_PG_SCRIPT) + " " + action + " " + folder_ + "/pg " + port_ + " >/dev/null";
  return std::system(command.c_str()) == 0;
}

WalkCluster::WalkCluster(const std::string& port, const char* folder_prefix, const char* keep_variable)
    : port_(port), keep_variable_(keep_variable) {
  std::string pattern = std::string("/tmp/") + folder_prefix + "XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return;
  folder_ = pattern;
  chmod(folder_.c_str(), 0755);  // the server's own user must reach the cluster inside
  started_ = script("start");
  if (!started_) return;
  std::string sock = folder_ + "/pg/sock";
  setenv("PGHOST", sock.c_str(), 1);
  setenv("PGPORT", port_.c_str(), 1);

  contexts_ = std::make_unique<Contexts>();
  core::hooks_install(script::core_hooks());
  formats::hooks_install(script::formats_hooks());
  script::Hooks hooks;
  hooks.fields = data::field_reference;
  hooks.data_functions = data::data_function;
  hooks.execute = script::procedure_execute;
  hooks.local_calls = data::local_call;
  script::hooks_install(hooks);
  script::var_set_int(core::kSwTrace, 0);
  core::Status st = core::slot_set(core::kGroupEnv, core::kEnvDocPath, txt(folder_));
  if (st == 0) st = data::sql_connect(txt(sock), "postgres"_t, "postgres"_t, core::Text{}, 0);
  if (st != 0 || !define_file()) {
    std::fprintf(stderr, "set-up: %u\n", st);
    return;
  }
  script::var_set_int(core::kSwCurFil, 1);
  std::string conninfo = "host=" + sock + " port=" + port_ + " user=postgres dbname=postgres";
  copy_conn_ = PQconnectdb(conninfo.c_str());
  ok_ = PQstatus(copy_conn_) == CONNECTION_OK;
  if (!ok_) std::fprintf(stderr, "COPY connection: %s", PQerrorMessage(copy_conn_));
}

WalkCluster::~WalkCluster() {
  if (copy_conn_ != nullptr) PQfinish(copy_conn_);
  contexts_.reset();
  if (started_) script("stop");
  if (!folder_.empty() && std::getenv(keep_variable_) == nullptr) std::filesystem::remove_all(folder_);
}

bool WalkCluster::make_table(long rows) {
  if (!exec("DROP TABLE IF EXISTS walk;") ||
      !exec("CREATE TABLE walk (\"K1\" character(8), \"NAME\" character(30), \"QTY\" numeric(6), "
            "\"AMT\" numeric(12,2));"))
    return false;
  std::string insert =
      "INSERT INTO walk SELECT 'K' || lpad(i::text, 7, '0'), 'article number ' || i, i % 1000, "
      "i * 1.5 FROM generate_series(1, " + std::to_string(rows) + ") i;";
  bool done = exec(insert);
  if (done) {
    core::ArenaScope scope;
    core::Text index = data::access_index_definition(1, 1, true);
    done = exec(std::string(index.ptr, index.len)) && exec("VACUUM ANALYZE walk;");
  }
  if (!done) std::fprintf(stderr, "%s\n", core::text_str(core::error_detail()).c_str());
  return done;
}

double WalkCluster::copy_once(const std::string& out) {
  auto t = Clock::now();
  PGresult* res = PQexec(copy_conn_, "COPY (SELECT \"K1\", \"NAME\", \"QTY\", \"AMT\" FROM walk ORDER BY \"K1\") TO STDOUT;");
  if (PQresultStatus(res) != PGRES_COPY_OUT) {
    std::fprintf(stderr, "COPY: %s", PQerrorMessage(copy_conn_));
    PQclear(res);
    return -1;
  }
  PQclear(res);
  FILE* f = std::fopen(out.c_str(), "wb");
  char* buf = nullptr;
  int n;
  while ((n = PQgetCopyData(copy_conn_, &buf, 0)) > 0) {
    std::fwrite(buf, 1, static_cast<size_t>(n), f);
    PQfreemem(buf);
  }
  std::fclose(f);
  while ((res = PQgetResult(copy_conn_)) != nullptr) PQclear(res);
  return seconds_since(t);
}

}  // namespace bench
