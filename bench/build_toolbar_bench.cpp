// Building the toolbar from a configuration of many items, half of them in
// submenus: the cost must grow with the number of items, not faster.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "config/toolbar_config.h"
#include "platform/registry.h"
#include "quiet_ports.h"
#include "toolbar/toolbar_form.h"

namespace {

namespace fs = std::filesystem;

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

void BM_BuildToolbar(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const fs::path dir = fs::temp_directory_path() /
                       ("pq-bench-" + std::to_string(getpid()) + "-" + std::to_string(count));
  fs::create_directories(dir);
  pq::ToolbarConfig.InstallPath = (dir / "install").string();
  pq::ToolbarConfig.ToolbarFile = "Bench";
  pq::ToolbarConfig.SearchUrl = pq::kDefaultSearchUrl;
  pq::ToolbarConfig.UpdatesUrl.clear();
  std::ofstream(pq::ConfigFilePath(), std::ios::binary) << Configuration(count);

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
BENCHMARK(BM_BuildToolbar)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();
