// A procedure walking a whole table by next moves and writing each record
// as a line of a text file with WRITE, side by side with the server
// streaming the same rows with COPY through libpq into a file; and the same
// walk without the WRITE, which tells the write's share. Besides the times
// it prints this process's CPU time a record: the runtime's own cost, the
// server's work left out.
//
//   procedure_walk [--rows=N] [--rounds=N] [--port=P]
//
// The program starts a throwaway PostgreSQL cluster of its own with the
// project's script (scripts/pg-cluster.sh) and removes it at the end.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/walk_cluster.h"
#include "core/status.h"
#include "script/procedures.h"

namespace {

using bench::Clock;
using core::operator""_t;

long g_rows = 100000;
int g_rounds = 3;
std::string g_port = "55693";

// The walk, with or without the line it writes for each record.
std::string procedure_text(const std::string& out, bool write) {
  std::string text = "NL$=FN$CHRS(13)+FN$CHRS(10)\r\nN=0\r\nS=FILELOCATE('TOP';'walk')\r\nDO_WHILE S==0\r\nN=N+1\r\n";
  if (write)
    text += "X=WRITE('" + out +
            "';-1;K1{walk}+' '+NAME{walk}+FN$MASK('#####0';QTY{walk})+FN$MASK('#########0.00';AMT{walk})+NL$)\r\n";
  text += "S=FILELOCATE('NXT';'walk')\r\nLOOP\r\nEND\r\n";
  return text;
}

struct Run {
  double wall = -1;
  double cpu = -1;
};

Run walk_once(const char* procedure) {
  Run r;
  auto t = Clock::now();
  double cpu = bench::process_cpu_seconds();
  core::Status st = script::proc_call(core::Text{}, bench::txt(procedure), core::Text{}, false);
  r.cpu = bench::process_cpu_seconds() - cpu;
  r.wall = bench::seconds_since(t);
  if (st != 0) {
    std::fprintf(stderr, "%s ended with %u\n", procedure, st);
    return Run{};
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rows=", 7) == 0) g_rows = std::atol(argv[i] + 7);
    else if (std::strncmp(argv[i], "--rounds=", 9) == 0) g_rounds = std::atoi(argv[i] + 9);
    else if (std::strncmp(argv[i], "--port=", 7) == 0) g_port = argv[i] + 7;
  }
  if (g_rows < 1) g_rows = 1;
  bool ok = false;
  {
    bench::WalkCluster cluster(g_port, "procwalk", "PROCEDURE_WALK_KEEP");
    const std::string& folder = cluster.folder();
    std::string walk_out = folder + "/walk.txt", copy_out = folder + "/copy.txt";
    ok = cluster.ok() && cluster.make_table(g_rows);
    if (ok) {
      std::ofstream(folder + "/WALKW.PRX", std::ios::binary) << procedure_text(walk_out, true);
      std::ofstream(folder + "/WALK.PRX", std::ios::binary) << procedure_text(walk_out, false);
    } else {
      std::fprintf(stderr, "could not set the table up\n");
    }
    std::vector<double> wall, cpu, bare_wall, bare_cpu, copies;
    long lines = 0;
    for (int round = 0; round < g_rounds && ok; ++round) {
      std::filesystem::remove(walk_out);
      Run w = walk_once("WALKW.PRX");
      lines = bench::lines_of(walk_out);
      Run b = walk_once("WALK.PRX");
      double c = cluster.copy_once(copy_out);
      ok = w.wall > 0 && b.wall > 0 && c > 0 && lines == g_rows;
      wall.push_back(w.wall);
      cpu.push_back(w.cpu);
      bare_wall.push_back(b.wall);
      bare_cpu.push_back(b.cpu);
      copies.push_back(c);
    }
    if (ok) {
      double w = bench::median(wall), wc = bench::median(cpu), b = bench::median(bare_wall),
             bc = bench::median(bare_cpu), c = bench::median(copies);
      double per_row = 1e6 / static_cast<double>(g_rows);
      std::printf("records                                  %ld (median of %d rounds)\n", g_rows, g_rounds);
      std::printf("                                          wall s   us/record   CPU us/record (this process)\n");
      std::printf("procedure walk writing each record      %7.3f   %9.1f   %9.1f\n", w, w * per_row, wc * per_row);
      std::printf("the same walk without the WRITE         %7.3f   %9.1f   %9.1f\n", b, b * per_row, bc * per_row);
      std::printf("COPY ... TO STDOUT into a file          %7.3f   %9.1f\n", c, c * per_row);
      std::printf("walk writing / COPY                     %.1f times slower\n", w / c);
      std::printf("the WRITE's share of the walk's CPU     %.0f%%\n", wc > 0 ? (wc - bc) / wc * 100 : 0.0);
    } else {
      std::fprintf(stderr, "the walk did not run through (%ld lines written)\n", lines);
    }
  }
#ifndef NDEBUG
  std::printf("built without NDEBUG; configure with -DCMAKE_BUILD_TYPE=Release for representative times\n");
#endif
  return ok ? 0 : 1;
}
