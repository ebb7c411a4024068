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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/walk_cluster.h"
#include "core/status.h"
#include "data/access.h"
#include "output/reports.h"

namespace {

using bench::Clock;
using bench::seconds_since;

long g_rows = 100000;
long g_single_rows = 20000;
int g_rounds = 3;
std::string g_port = "55691";

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

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rows=", 7) == 0) g_rows = std::atol(argv[i] + 7);
    else if (std::strncmp(argv[i], "--single_rows=", 14) == 0) g_single_rows = std::atol(argv[i] + 14);
    else if (std::strncmp(argv[i], "--rounds=", 9) == 0) g_rounds = std::atoi(argv[i] + 9);
    else if (std::strncmp(argv[i], "--port=", 7) == 0) g_port = argv[i] + 7;
  }
  bool ok = false;
  {
    bench::WalkCluster cluster(g_port, "reportwalk", "REPORT_WALK_KEEP");
    const std::string& folder = cluster.folder();
    ok = cluster.ok() && cluster.make_table(g_rows);
    if (ok) std::ofstream(folder + "/WALK.PDC", std::ios::binary) << kTemplate;
    else std::fprintf(stderr, "could not set the table up\n");

    std::vector<double> reports, copies;
    std::string report_out = folder + "/report.txt", copy_out = folder + "/copy.txt";
    for (int round = 0; round < g_rounds && ok; ++round) {
      double r = report_once(report_out), c = cluster.copy_once(copy_out);
      ok = r > 0 && c > 0;
      reports.push_back(r);
      copies.push_back(c);
    }
    long report_lines = ok ? bench::lines_of(report_out) : 0, copy_lines = ok ? bench::lines_of(copy_out) : 0;

    // The same report over fewer rows, read ahead and with every move sent.
    double ahead = 0, single = 0;
    if (ok && g_single_rows > 0) {
      ok = cluster.make_table(g_single_rows);
      ahead = ok ? report_once(report_out) : -1;
      data::access_read_ahead_set(false);
      single = ok ? report_once(report_out) : -1;
      data::access_read_ahead_set(true);
      ok = ahead > 0 && single > 0;
    }
    if (ok) {
      double r = bench::median(reports), c = bench::median(copies);
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
#ifndef NDEBUG
  std::printf("built without NDEBUG; configure with -DCMAKE_BUILD_TYPE=Release for representative times\n");
#endif
  return ok ? 0 : 1;
}
