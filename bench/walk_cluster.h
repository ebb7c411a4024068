// What the walk benchmarks share: a throwaway PostgreSQL cluster of their
// own (scripts/pg-cluster.sh), the runtime's contexts connected to it, the
// table "walk" and its data file, and COPY ... TO STDOUT of the same rows as
// the reference the runtime is measured against.
#pragma once

#include <libpq-fe.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}
// CPU time of this process (user and system), in seconds.
double process_cpu_seconds();
double median(std::vector<double> v);
long lines_of(const std::string& path);
core::Text txt(const std::string& s);

// A temporary folder with a cluster inside, and the runtime connected to it
// (core, script, data and procedure contexts with the data hooks) with the
// folder as the definition folder. ok() tells whether all of it came up;
// the destructor stops the cluster and removes the folder (kept when the
// environment variable named by keep_variable is set).
class WalkCluster {
 public:
  WalkCluster(const std::string& port, const char* folder_prefix, const char* keep_variable);
  ~WalkCluster();
  WalkCluster(const WalkCluster&) = delete;
  WalkCluster& operator=(const WalkCluster&) = delete;

  bool ok() const { return ok_; }
  const std::string& folder() const { return folder_; }
  // Makes the table "walk" anew with rows rows (K1 the key, NAME, QTY,
  // AMT) and its index; the data file 1 is defined once at start.
  bool make_table(long rows);
  // COPY of the walk's rows in key order into the file out; seconds, or -1.
  double copy_once(const std::string& out);

 private:
  struct Contexts;
  bool script(const char* action) const;
  std::string port_;
  std::string folder_;
  const char* keep_variable_;
  bool started_ = false;
  bool ok_ = false;
  std::unique_ptr<Contexts> contexts_;
  PGconn* copy_conn_ = nullptr;
};

}  // namespace bench
