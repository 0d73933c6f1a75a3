// Building the toolbar from a configuration of many items, half of them in
// submenus, and from one whose submenus nest one inside the other: the cost
// must grow with the number of items, not faster, however deep the file nests.
//   build_toolbar_bench [benchmark flags]   exits 1 when a bound is exceeded
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "config/toolbar_config.h"
#include "platform/registry.h"
#include "quiet_ports.h"
#include "timed_runs.h"
#include "toolbar/toolbar_form.h"

namespace {

namespace fs = std::filesystem;

// Bound: 20,000 nested submenus against 10,000 items side by side. The nested
// file lists twice as many entries, each read once.
constexpr double kMaxNestedAgainstFlat = 4.0;

// A configuration of `count` items: submenus of ten entries each hold half of
// them, the other half stand on the toolbar beside the submenus.
std::string Configuration(int count) {
  std::string list = "[Options]\r\nToolbar Name=Bench\r\n[Toolbar Items]\r\n";
  std::string sections;
  const int nested = count / 2;
  const int submenus = nested / 10;
  int made = 0;
  auto add = [&](const std::string& key, const std::string& parent) {
    list += key + "=\r\n";
    sections += "[" + key + "]\r\nCaption=" + key + "\r\nImageIndex=" + std::to_string(made % 144) +
                "\r\nURL=http://www.example.com/" + key + "\r\nParent=" + parent + "\r\n";
    ++made;
  };
  for (int s = 0; s < submenus; ++s) {
    const std::string menu = "Menu" + std::to_string(s) + "SubMenu";
    add(menu, "Toolbar");
    for (int c = 0; c < 10; ++c) add("Entry" + std::to_string(s) + "_" + std::to_string(c), menu);
  }
  for (int p = 0; made < count; ++p) add("Button" + std::to_string(p), "Toolbar");
  return list + sections;
}

// A configuration of `count` submenus, each inside the one listed before it.
std::string NestedConfiguration(int count) {
  std::string list = "[Options]\r\nToolbar Name=Bench\r\n[Toolbar Items]\r\n";
  std::string sections;
  std::string parent = "Toolbar";
  for (int i = 0; i < count; ++i) {
    std::string key = "Level" + std::to_string(i) + "SubMenu";
    list += key + "=\r\n";
    sections += "[" + key + "]\r\nParent=" + parent + "\r\nCaption=" + std::to_string(i) + "\r\n";
    parent = std::move(key);
  }
  return list + sections;
}

void Build(benchmark::State& state, std::string (*configuration)(int)) {
  const int count = static_cast<int>(state.range(0));
  const fs::path dir = fs::temp_directory_path() /
                       ("pq-bench-" + std::to_string(getpid()) + "-" + std::to_string(count));
  fs::create_directories(dir);
  pq::ToolbarConfig.InstallPath = (dir / "install").string();
  pq::ToolbarConfig.ToolbarFile = "Bench";
  pq::ToolbarConfig.SearchUrl = pq::kDefaultSearchUrl;
  pq::ToolbarConfig.UpdatesUrl.clear();
  std::ofstream(pq::ConfigFilePath(), std::ios::binary) << configuration(count);

  pq::bench::EmptyRegistry registry;
  pq::SilentView view;
  pq::Platform platform;
  platform.registry = &registry;
  size_t items = 0;
  for (auto _ : state) {
    pq::TToolbarForm form(platform, view);
    form.BuildToolbar();
    items = form.ComponentCount();
    benchmark::DoNotOptimize(form.SearchItem);
  }
  state.counters["components"] = static_cast<double>(items);
  state.SetComplexityN(count);
  pq::ClearToolbarConfig();
  fs::remove_all(dir);
}
void BM_BuildToolbar(benchmark::State& state) { Build(state, Configuration); }
BENCHMARK(BM_BuildToolbar)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

// 20,000 levels make a file of little more than a megabyte, well within what
// an update may bring.
void BM_BuildNestedToolbar(benchmark::State& state) { Build(state, NestedConfiguration); }
BENCHMARK(BM_BuildNestedToolbar)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const auto time = pq::bench::TimedRuns::Measure(&argc, argv, pq::bench::TimedRuns::Clock::Cpu);
  const double flat = time("BM_BuildToolbar/10000");
  const double nested = time("BM_BuildNestedToolbar/20000");
  if (flat <= 0 || nested <= 0) return 0;  // a filtered run: nothing to compare
  const double ratio = nested / flat;
  std::printf("BuildToolbar 20,000 nested / 10,000 side by side: %.2f (at most %.0f)\n", ratio,
              kMaxNestedAgainstFlat);
  const bool held = ratio <= kMaxNestedAgainstFlat;
  std::printf("%s\n", held ? "bounds held" : "BOUND EXCEEDED");
  return held ? 0 : 1;
}
