// The procedure loop
//   I#=0 / DO_WHILE I#<N / A#=A#+I#*2 / I#=I#+1 / LOOP
// run through the runtime's procedure interpreter and, side by side in the
// same process, the same loop in embedded Lua 5.4 (with global variables,
// as the runtime's are, and with locals). Prints both times and the ratio.
//
//   procedure_loop [--loop_count=N] [benchmark flags]
//
// N defaults to 1,000,000; a smaller N suits a profiler run.
#include <benchmark/benchmark.h>
#include <lua.hpp>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/arena.h"
#include "core/context.h"
#include "core/slots.h"
#include "script/numbers.h"
#include "script/procedures.h"
#include "script/variables.h"

namespace {

using core::operator""_t;

long g_loop_count = 1000000;

std::string procedure_text() {
  return "A#=0\r\nI#=0\r\nDO_WHILE I#<" + std::to_string(g_loop_count) +
         "\r\nA#=A#+I#*2\r\nI#=I#+1\r\nLOOP\r\n";
}

// n * (n - 1): the sum of 2 * i for i from 0 to n - 1.
long long expected_sum() { return static_cast<long long>(g_loop_count) * (g_loop_count - 1); }

void BM_RuntimeProcedure(benchmark::State& state) {
  char tmpl[] = "/tmp/procbenchXXXXXX";
  if (mkdtemp(tmpl) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  std::string folder = tmpl;
  std::ofstream(folder + "/LOOP.PRX", std::ios::binary) << procedure_text();
  {
    core::CoreContext core;
    script::ScriptContext script;
    script::ProcContext proc;
    (void)core::slot_set(core::kGroupEnv, core::kEnvDocPath,
                         core::text_view(folder.data(), folder.size()));
    for (auto _ : state) {
      core::Status st = script::proc_call(core::Text{}, "LOOP.PRX"_t, core::Text{}, false);
      if (st != 0) {
        state.SkipWithError(("procedure failed with " + std::to_string(st)).c_str());
        break;
      }
    }
    core::ArenaScope scope;
    script::Value v;
    if (script::var_get_value("A#"_t, &v) == 0 &&
        script::number_to_int(v.number) != expected_sum())
      state.SkipWithError("wrong sum");
  }
  std::filesystem::remove_all(folder);
}

void run_lua(benchmark::State& state, const std::string& code) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  for (auto _ : state) {
    if (luaL_dostring(L, code.c_str()) != LUA_OK) {
      state.SkipWithError(lua_tostring(L, -1));
      break;
    }
    long long sum = lua_tointeger(L, -1);
    lua_pop(L, 1);
    if (sum != expected_sum()) {
      state.SkipWithError("wrong sum");
      break;
    }
  }
  lua_close(L);
}

void BM_LuaGlobals(benchmark::State& state) {
  run_lua(state, "A=0 I=0 while I<" + std::to_string(g_loop_count) +
                     " do A=A+I*2 I=I+1 end return A");
}

void BM_LuaLocals(benchmark::State& state) {
  run_lua(state, "local a=0 local i=0 while i<" + std::to_string(g_loop_count) +
                     " do a=a+i*2 i=i+1 end return a");
}

// Keeps each benchmark's times per iteration for the ratios at the end.
struct Times {
  double real = 0;
  double cpu = 0;
};

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
      const auto n = static_cast<double>(r.iterations);
      times[r.benchmark_name()] = Times{r.real_accumulated_time / n, r.cpu_accumulated_time / n};
    }
  }
  std::map<std::string, Times> times;
};

}  // namespace

BENCHMARK(BM_RuntimeProcedure)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LuaGlobals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LuaLocals)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--loop_count=", 13) == 0) g_loop_count = std::atol(argv[i] + 13);
    else args.push_back(argv[i]);
  }
  if (g_loop_count < 1) g_loop_count = 1;
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  auto time = [&](const char* name) {
    auto it = reporter.times.find(name);
    return it == reporter.times.end() ? Times{} : it->second;
  };
  auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
  const Times runtime = time("BM_RuntimeProcedure/iterations:3");
  std::printf("\nloop of %ld rounds (4 statements a round)      real ms     cpu ms   ratio (cpu)\n",
              g_loop_count);
  std::printf("runtime procedure                        %10.3f %10.3f\n", runtime.real * 1e3,
              runtime.cpu * 1e3);
  for (const char* name : {"BM_LuaGlobals", "BM_LuaLocals"}) {
    const Times lua = time(name);
    std::printf("%-40s %10.3f %10.3f   runtime/Lua %.1f\n", name, lua.real * 1e3, lua.cpu * 1e3,
                ratio(runtime.cpu, lua.cpu));
  }
  // Google Benchmark's "Library was built as DEBUG" warning is about the
  // benchmark library itself (Debian builds it without NDEBUG), not about
  // this program; its own build is told here.
#ifdef NDEBUG
  std::printf("\nthis program: optimised build (NDEBUG); a DEBUG warning above comes from the "
              "system's benchmark library\n");
#else
  std::printf("\nthis program: built without NDEBUG; configure with -DCMAKE_BUILD_TYPE=Release "
              "for representative times\n");
#endif
  return 0;
}
