// Adding a search to long histories, beside `sort -f -u` on the same file:
// the merge a search makes must grow with the history like a sort does, and
// cost no more than a few times what the system's sort needs for the file.
//   history_bench [benchmark flags]   exits 1 when a bound is exceeded
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "config/toolbar_config.h"
#include "quiet_ports.h"
#include "timed_runs.h"
#include "toolbar/toolbar_form.h"

namespace {

namespace fs = std::filesystem;

// Bounds: 100,000 entries against 10,000, and against the system's sort.
constexpr double kMaxGrowth = 12.0;
constexpr double kMaxAgainstSort = 3.0;

fs::path Folder(int entries) {
  return fs::temp_directory_path() /
         ("pq-history-bench-" + std::to_string(getpid()) + "-" + std::to_string(entries));
}

// What people search for: a few words from a vocabulary, in whatever case
// they typed them; popular searches come back often.
std::string HistoryText(int entries) {
  static const char* const kWords[] = {
      "cheap", "flights", "to",       "Paris",  "weather", "Berlin", "recipe", "for",
      "apple", "pie",     "how",      "TO",     "fix",     "a",      "leaky",  "tap",
      "news",  "today",   "football", "scores", "best",    "laptop", "2024",   "under",
      "500",   "movie",   "times",    "near",   "me",      "Python", "list",   "sort",
      "C++",   "AT&T",    "stock",    "price",  "hotels",  "in",     "Rome",   "translate"};
  constexpr int kVocabulary = sizeof kWords / sizeof kWords[0];
  std::mt19937 random(static_cast<unsigned>(entries));
  std::string text;
  for (int i = 0; i < entries; ++i) {
    // One search in five repeats an earlier one, in other letter case.
    std::mt19937 words(i % 5 == 4 ? static_cast<unsigned>(random() % (i + 1)) : random());
    std::string query;
    const int count = 2 + static_cast<int>(words() % 4);
    for (int w = 0; w < count; ++w) {
      if (w > 0) query += ' ';
      query += kWords[words() % kVocabulary];
    }
    query += ' ' + std::to_string(words() % 1000);
    if (i % 5 == 4)
      for (char& c : query) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    text += query + "\r\n";
  }
  return text;
}

// The history file of a window whose program lives in `folder`.
std::string HistoryFile(const fs::path& folder) { return folder.string() + "/\\Bench.txt"; }

void Prepare(int entries) {
  const fs::path folder = Folder(entries);
  fs::create_directories(folder);
  std::ofstream(HistoryFile(folder), std::ios::binary) << HistoryText(entries);
}

void BM_AddToHistory(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  const fs::path folder = Folder(entries);
  Prepare(entries);
  pq::ToolbarConfig.ToolbarName = "Bench";
  pq::bench::EmptyRegistry registry;
  pq::bench::QuietDesktop desktop(folder.string() + "/");
  pq::SilentView view;
  pq::Platform platform;
  platform.registry = &registry;
  platform.desktop = &desktop;
  pq::TToolbarForm form(platform, view);
  form.LoadHistory();
  int n = 0;
  for (auto _ : state) {
    // A new text each time: the history is merged, extended and written.
    view.search_text = "benchmark query " + std::to_string(++n);
    form.AddToHistory();
  }
  state.counters["entries"] = form.SearchList().Count();
  pq::ClearToolbarConfig();
  fs::remove_all(folder);
}
BENCHMARK(BM_AddToHistory)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SystemSort(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  const fs::path folder = Folder(entries);
  Prepare(entries);
  const std::string command = "LC_ALL=C sort -f -u '" + HistoryFile(folder) + "' > /dev/null";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("sort failed");
  fs::remove_all(folder);
}
BENCHMARK(BM_SystemSort)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const auto time = pq::bench::TimedRuns::Measure(&argc, argv, pq::bench::TimedRuns::Clock::Real);
  const double small = time("BM_AddToHistory/10000/real_time");
  const double large = time("BM_AddToHistory/100000/real_time");
  const double sort = time("BM_SystemSort/100000/real_time");
  if (small <= 0 || large <= 0 || sort <= 0) return 0;  // a filtered run: nothing to compare
  const double growth = large / small, against_sort = large / sort;
  std::printf("AddToHistory 100,000 / 10,000: %.2f (at most %.0f)\n", growth, kMaxGrowth);
  std::printf("AddToHistory 100,000 / sort -f -u 100,000: %.2f (at most %.0f)\n", against_sort,
              kMaxAgainstSort);
  const bool held = growth <= kMaxGrowth && against_sort <= kMaxAgainstSort;
  std::printf("%s\n", held ? "bounds held" : "BOUND EXCEEDED");
  return held ? 0 : 1;
}
