// A NXT walk through a data file of 100,000 records, through the runtime,
// side by side with "SELECT 1;" round trips on the same connection: what
// one move costs in round trips. Also a stretch of the same walk with the
// statements in their plain form (one OR condition, a COUNT after each
// landing), which the server answers with a scan of the table.
//
//   record_walk [--rows=N] [--plain_moves=N] [--port=P]
//
// The program starts a throwaway PostgreSQL cluster of its own with the
// project's script (scripts/pg-cluster.sh) and removes it at the end.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "data/access.h"
#include "data/context.h"
#include "data/dictionary.h"
#include "data/recop.h"
#include "data/session.h"
#include "script/variables.h"

namespace {

using core::operator""_t;
using Clock = std::chrono::steady_clock;

long g_rows = 100000;
long g_plain_moves = 200;
std::string g_port = "55690";

core::Text txt(const std::string& s) { return core::text_view(s.data(), s.size()); }

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

bool exec(const std::string& sql) { return data::sql_exec_simple(txt(sql)) == 0; }

double seconds_since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

// The table: a unique two-field key (K1 text, K2 number) and two more fields.
bool make_table() {
  if (!exec("CREATE TABLE walk (\"K1\" character(8), \"K2\" numeric(4), \"NAME\" character(30), "
            "\"AMT\" numeric(12,2));"))
    return false;
  std::string insert =
      "INSERT INTO walk SELECT 'K' || lpad((i / 10)::text, 7, '0'), i % 10, 'name ' || i, i * 1.5 "
      "FROM generate_series(0, " + std::to_string(g_rows - 1) + ") i;";
  if (!exec(insert)) return false;
  if (data::dict_add_file(0, "walk"_t, ""_t) != 0 || data::dict_add_field("K1"_t, 8, 'A') != 0 ||
      data::dict_add_field("K2"_t, 4, 'N') != 0 || data::dict_add_field("NAME"_t, 30, 'A') != 0 ||
      data::dict_add_field("AMT"_t, 12, '2') != 0)
    return false;
  data::KeySegment key[] = {{0, 8}, {8, 4}};
  if (data::dict_add_key(1, key, 2) != 0) return false;
  core::ArenaScope scope;
  core::Text index = data::access_index_definition(1, 1, true);
  return exec(std::string(index.ptr, index.len)) && exec("ANALYZE walk;");
}

struct Lap {
  double round_trip = 0;  // seconds per SELECT 1
  double move = 0;        // seconds per move
};

// Alternates batches of round trips and moves so that both see the same
// load on the machine; returns the median batch of each.
Lap measure(long moves, long batch, bool* ok) {
  std::vector<double> trips, steps;
  long done = 0;
  while (done < moves && *ok) {
    long n = std::min(batch, moves - done);
    auto t = Clock::now();
    for (long i = 0; i < n; ++i) *ok &= exec("SELECT 1;");
    trips.push_back(seconds_since(t) / static_cast<double>(n));
    t = Clock::now();
    for (long i = 0; i < n && *ok; ++i) {
      core::Status st = data::record_operation(1, data::kWordNext, data::RecordTexts{});
      if (st != 0) {
        std::fprintf(stderr, "move %ld ended with %u\n", done + i, st);
        *ok = false;
      }
    }
    steps.push_back(seconds_since(t) / static_cast<double>(n));
    done += n;
  }
  auto median = [](std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  return Lap{median(trips), median(steps)};
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rows=", 7) == 0) g_rows = std::atol(argv[i] + 7);
    else if (std::strncmp(argv[i], "--plain_moves=", 14) == 0) g_plain_moves = std::atol(argv[i] + 14);
    else if (std::strncmp(argv[i], "--port=", 7) == 0) g_port = argv[i] + 7;
  }
  char folder[] = "/tmp/recordwalkXXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  chmod(folder, 0755);  // the server's own user must reach the cluster inside
  std::string cluster = std::string(APP_PG_SCRIPT) + " %s " + folder + "/pg " + g_port;
  auto script = [&](const char* action) {
    char buf[512];
    std::snprintf(buf, sizeof buf, cluster.c_str(), action);
    return run(std::string(buf) + " >/dev/null");
  };
  if (!script("start")) return 1;
  setenv("PGHOST", (std::string(folder) + "/pg/sock").c_str(), 1);
  setenv("PGPORT", g_port.c_str(), 1);
  bool ok = true;
  {
    core::CoreContext core;
    script::ScriptContext script_context;
    data::DataContext data_context;
    script::var_set_int(core::kSwTrace, 0);  // no trace lines
    ok = data::sql_connect(txt(std::string(folder) + "/pg/sock"), "postgres"_t, "postgres"_t,
                           core::Text{}, 0) == 0 &&
         make_table();
    if (!ok) std::fprintf(stderr, "could not set the table up\n");

    data::access_sql_form_set(data::SqlForm::Indexed);
    ok = ok && data::access_open(1, data::kOpenFirst) == 0;
    auto t = Clock::now();
    Lap indexed = ok ? measure(g_rows - 1, 1000, &ok) : Lap{};
    double whole = seconds_since(t);

    // The plain form from the middle of the table on.
    data::access_sql_form_set(data::SqlForm::Described);
    ok = ok && data::access_open(1, 0) == 0 &&
         data::access_find(1, 1, "K0005000"_t, data::kFindAtOrAfter) == 0;
    Lap plain = ok ? measure(g_plain_moves, 20, &ok) : Lap{};

    if (ok) {
      std::printf("records                              %ld\n", g_rows);
      std::printf("whole NXT walk, indexed form         %.2f s\n", whole);
      std::printf("                                     per move     round trip   ratio\n");
      std::printf("SELECT 1; vs NXT, indexed form     %9.1f us  %9.1f us   %5.2f\n",
                  indexed.move * 1e6, indexed.round_trip * 1e6, indexed.move / indexed.round_trip);
      std::printf("SELECT 1; vs NXT, plain form       %9.1f us  %9.1f us   %5.2f  (%ld moves "
                  "from the middle)\n",
                  plain.move * 1e6, plain.round_trip * 1e6, plain.move / plain.round_trip,
                  g_plain_moves);
    }
  }
  script("stop");
  rmdir(folder);
#ifndef NDEBUG
  std::printf("built without NDEBUG; configure with -DCMAKE_BUILD_TYPE=Release for representative times\n");
#endif
  return ok ? 0 : 1;
}
