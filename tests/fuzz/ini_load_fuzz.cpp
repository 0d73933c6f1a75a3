// Loads arbitrary bytes as an INI file under every combination of the load
// flags and the duplicate-section handler (chosen by the first byte), reads
// everything back and checks what must hold whatever the input.
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "config/big_ini_file.h"
#include "platform/text.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

const std::string& ScratchFile() {
  static const std::string path = [] {
    // In memory where there is such a file system: every run writes files.
    static std::string dir;
    for (std::string candidate : {"/dev/shm/ini_load_fuzz_XXXXXX", "/tmp/ini_load_fuzz_XXXXXX"})
      if (mkdtemp(candidate.data())) {
        dir = candidate;
        break;
      }
    if (dir.empty()) std::abort();
    std::atexit([] { std::filesystem::remove_all(dir); });
    return dir + "/fuzz.ini";
  }();
  return path;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SameEntries(const pq::TStringList& a, const pq::TStringList& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t choice = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string& path = ScratchFile();
  WriteFile(path, bytes);

  pq::TBigIniFile ini("");
  ini.FlagClearOnReadSectionValues = choice & 0x01;
  ini.FlagDropComments = choice & 0x02;
  ini.FlagDropNoValueLines = choice & 0x04;
  ini.FlagTrimBlanksAroundEquals = choice & 0x08;
  ini.FlagStripQuotes = choice & 0x10;
  ini.FlagTrimRight = choice & 0x20;
  if (choice & 0x40) {
    // Keeps one or the other by what it sees, moving a line to the survivor.
    ini.OnDuplicateSection = [](const std::string& name, pq::TStringList& earlier,
                                pq::TStringList& later) {
      const bool keep_earlier = (name.size() + earlier.Count()) % 2 == 0;
      pq::TStringList& dropped = keep_earlier ? later : earlier;
      pq::TStringList& kept = keep_earlier ? earlier : later;
      if (!dropped.Empty()) {
        kept.Add(dropped[dropped.Count() - 1]);
        dropped.Delete(dropped.Count() - 1);
      }
      return keep_earlier;
    };
  }
  // Tiny buffers put line ends and CR LF pairs across reads.
  if (choice & 0x80) ini.TextBufferSize = 1 + static_cast<int32_t>(size % 7);
  ini.SetFileName(path);
  Check(!ini.Modified, "loading through SetFileName leaves the store unmodified");

  pq::TStringList sections;
  ini.ReadSections(sections);
  std::set<std::string> folded_names;
  for (int s = 0; s < sections.Count(); ++s) {
    const std::string section(sections[s]);
    Check(ini.SectionExists(section), "a listed section exists");
    Check(folded_names.insert(pq::LowerCase(section)).second, "no two sections share a name");
    pq::TStringList names;
    ini.ReadSection(section, names);
    for (int n = 0; n < names.Count(); ++n) {
      const std::string name(names[n]);
      // A missing key would give each default back.
      Check(ini.ReadString(section, name, "a") == ini.ReadString(section, name, "b"),
            "every listed key is found");
      Check(ini.ValueExists(section, name), "every listed key exists");
      (void)ini.ReadInteger(section, name, 0);
      (void)ini.ReadBool(section, name, false);
      (void)ini.ReadFloat(section, name, 0);
      (void)ini.ReadDate(section, name, 0);
      (void)ini.ReadTime(section, name, 0);
      (void)ini.ReadDateTime(section, name, 0);
    }
    pq::TStringList values;
    ini.ReadSectionValues(section, values);
    Check(values.Count() >= names.Count(), "every key has its line");
  }

  pq::TStringList image;
  ini.ReadAll(image);
  ini.Modified = true;
  ini.UpdateFile();
  Check(ReadFile(path) == image.Text(), "the written file is the ReadAll image");

  // Without the load filters that rewrite lines, what is written reads back
  // as the same image.
  if (!ini.FlagTrimBlanksAroundEquals && !ini.FlagStripQuotes && !ini.FlagTrimRight) {
    pq::TBigIniFile again(path);
    pq::TStringList reread;
    again.ReadAll(reread);
    Check(SameEntries(image, reread), "a written file reads back as written");
  }

  // Changes land where reads find them.
  if (sections.Count() > 0) {
    const std::string section(sections[0]);
    ini.WriteString(section, "FuzzKey", "value");
    Check(ini.ReadString(section, "fuzzkey", "") == "value", "a written key reads back");
    ini.DeleteKey(section, "FuzzKey");
    ini.EraseSection(section);
    Check(!ini.SectionExists(section), "an erased section is gone");
  }
  ini.Modified = false;
  return 0;
}
