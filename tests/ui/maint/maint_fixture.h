// Maintenance windows over the headless backend on a database of the
// test's own, holding the sample application's tables and data; the
// definition folder is a copy of the sample's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "script/procedures.h"
#include "tests/data/pg_test.h"
#include "ui/headless/headless.h"
#include "ui/windows.h"

namespace mainttest {

class MaintTest : public datatest::DbTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs a window on an argument with scripted input until the script has
  // run out (the window is then closed as by its close button).
  core::Status run(const std::string& argument, const std::string& steps);
  // The same for a document window.
  core::Status run_document(const std::string& argument, const std::string& steps);
  // The first column of the rows of a query, "|" between columns.
  std::string query(const std::string& sql) { return this->sql(sql); }
  // The statements the keyed access sent since the last call.
  std::vector<std::string> sent();
  bool sent_any(const std::string& part);
  const std::string& transcript() const { return tk_->transcript(); }
  // The first window drawn after the last occurrence of `marker` (an input
  // step as the transcript shows it, "> key Enter"), and the last window
  // drawn.
  std::string window_after(const std::string& marker) const;
  std::string last_window() const;
  // Each window drawn first after an occurrence of the marker.
  std::vector<std::string> windows_after(const std::string& marker) const;
  void write(const std::string& name, const std::string& content);
  void expect_script_ok();

  datatest::TempFolder folder_;
  std::unique_ptr<script::ProcContext> procs_;
  ui::headless::HeadlessToolkit* tk_ = nullptr;
  std::unique_ptr<ui::UiContext> ui_;
  std::vector<std::string> trace_;
};

}  // namespace mainttest
