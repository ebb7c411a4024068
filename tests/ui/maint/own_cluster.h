// A PostgreSQL cluster of a test's own, which the test may stop and start
// again (scripts/pg-cluster.sh through APP_PG_CLUSTER) while the shared
// one stays up for the other tests. While it runs, PGHOST points at it.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/data/pg_test.h"

namespace mainttest {

class OwnCluster {
 public:
  // Starts the cluster; call before the test's database is made.
  void start() {
    const char* script = std::getenv("APP_PG_CLUSTER");
    ASSERT_NE(script, nullptr) << "APP_PG_CLUSTER is not set: run the tests through ctest";
    script_ = script;
    ASSERT_EQ(chmod(folder_.path().c_str(), 0755), 0);  // the server's user reaches it
    dir_ = folder_.path() + "/pg";
    ASSERT_EQ(run("start"), 0);
    started_ = true;
    shared_host_ = datatest::pg_host();
    setenv("PGHOST", (dir_ + "/sock").c_str(), 1);
  }
  // Puts PGHOST back and stops the cluster; call after the test's database
  // is gone.
  void stop() {
    if (!started_) return;
    setenv("PGHOST", shared_host_.c_str(), 1);
    EXPECT_EQ(run("stop"), 0);
    started_ = false;
  }
  // "halt" stops the server keeping the cluster, "resume" starts it again.
  int run(const std::string& action) {
    std::string command = "'" + script_ + "' " + action + " '" + dir_ + "' " + datatest::pg_port() + " >/dev/null";
    return std::system(command.c_str());
  }

 private:
  datatest::TempFolder folder_;
  std::string script_, dir_, shared_host_;
  bool started_ = false;
};

}  // namespace mainttest
