#include "config/big_ini_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fakes/forwarding_file_system.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace pq {
namespace {

namespace fs = std::filesystem;

// A directory of the test's own, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "big_ini_XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    return names;
  }

 private:
  fs::path path_;
};

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Entries(const TStringList& list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list.Count(); ++i) entries.emplace_back(list[i]);
  return entries;
}

using Lines = std::vector<std::string>;

class IniFileTest : public ::testing::Test {
 protected:
  // A store on a file holding the bytes, loaded with the flags set by `setup`.
  std::unique_ptr<TBigIniFile> Load(const std::string& bytes,
                                    const std::function<void(TBigIniFile&)>& setup = {}) {
    WriteBytes(path, bytes);
    auto ini = std::make_unique<TBigIniFile>("");
    if (setup) setup(*ini);
    ini->SetFileName(path);
    return ini;
  }
  Lines SectionValues(TBigIniFile& ini, const std::string& section) {
    TStringList list;
    ini.ReadSectionValues(section, list);
    return Entries(list);
  }
  Lines SectionNames(TBigIniFile& ini) {
    TStringList list;
    ini.ReadSections(list);
    return Entries(list);
  }
  Lines Keys(TBigIniFile& ini, const std::string& section) {
    TStringList list;
    ini.ReadSection(section, list);
    return Entries(list);
  }

  TempDir dir;
  std::string path = dir.File("toolbar.ini");
};

// ------------------------------------------------------------------ syntax

TEST_F(IniFileTest, BlanksAroundEqualsBelongToNameAndValue) {
  auto ini = Load("[Item]\r\nCaption = Home\r\n");
  EXPECT_EQ(ini->ReadString("Item", "Caption", "none"), "none");
  EXPECT_EQ(ini->ReadString("Item", "Caption ", "none"), " Home");
}

TEST_F(IniFileTest, ValueIsEverythingAfterTheFirstEquals) {
  auto ini = Load("[Item]\r\nURL=a=b\r\nName=\r\n");
  EXPECT_EQ(ini->ReadString("Item", "URL", ""), "a=b");
  EXPECT_EQ(ini->ReadString("Item", "Name", "default"), "") << "present but empty";
  EXPECT_EQ(ini->ReadString("Item", "URL=a", "default"), "default");
}

TEST_F(IniFileTest, LineWithoutEqualsStaysButIsNeverFound) {
  auto ini = Load("[Item]\r\nName\r\nCaption=x\r\n");
  EXPECT_EQ(ini->ReadString("Item", "Name", "default"), "default");
  EXPECT_EQ(Keys(*ini, "Item"), (Lines{"Caption"}));
  EXPECT_EQ(SectionValues(*ini, "Item"), (Lines{"Name", "Caption=x"}));
  EXPECT_FALSE(ini->ValueExists("Item", "Name"));
  EXPECT_TRUE(ini->ValueExists("Item", "CAPTION"));
}

TEST_F(IniFileTest, SectionsAndNamesMatchWithoutRegardToCase) {
  auto ini = Load("[Toolbar Items]\nmiHome=1\n[\xC3\x84pfel]\nK=v\n");
  EXPECT_EQ(ini->ReadString("TOOLBAR ITEMS", "MIHOME", ""), "1");
  EXPECT_EQ(ini->ReadString("\xC3\xA4PFEL", "k", ""), "v");
  EXPECT_TRUE(ini->SectionExists("toolbar items"));
  EXPECT_TRUE(ini->HasSection("toolbar items"));
}

TEST_F(IniFileTest, FirstOfTwoSameNamedKeysWins) {
  auto ini = Load("[S]\nK=first\nk=second\n");
  EXPECT_EQ(ini->ReadString("S", "K", ""), "first");
  ini->WriteString("S", "K", "changed");
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"K=changed", "k=second"}));
}

TEST_F(IniFileTest, LinesBeforeTheFirstHeaderAreIgnoredAndLostOnRewrite) {
  auto ini = Load("Orphan=1\r\n; note\r\n[S]\r\nK=v\r\n");
  EXPECT_EQ(SectionNames(*ini), (Lines{"S"}));
  ini->WriteString("S", "K", "w");
  ini->UpdateFile();
  EXPECT_EQ(ReadBytes(path), "[S]\r\nK=w\r\n\r\n");
}

TEST_F(IniFileTest, HeaderMustStartWithBracketAndEndWithBracket) {
  auto ini = Load("[Options]\n[Toolbar Items] \n [Toolbar Items]\n[ a ]\n[]\nK=v\n[\n");
  EXPECT_EQ(SectionNames(*ini), (Lines{"Options", " a ", ""}));
  EXPECT_EQ(SectionValues(*ini, "Options"), (Lines{"[Toolbar Items] ", " [Toolbar Items]"}));
  EXPECT_EQ(SectionValues(*ini, ""), (Lines{"K=v", "["}));
  EXPECT_FALSE(ini->SectionExists("a"));
}

TEST_F(IniFileTest, LinesEndAtLfOrCrLfAndStrayCrsAreDropped) {
  auto ini = Load("[S]\r\nA=1\nB=2\r\nC=x\ry\r\nD=\r\r\n\r\nE=last\r");
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"A=1", "B=2", "C=xy", "D=", "E=last"}));
}

TEST_F(IniFileTest, LastLineNeedsNoLineEnd) {
  auto ini = Load("[S]\nK=v");
  EXPECT_EQ(ini->ReadString("S", "K", ""), "v");
}

TEST_F(IniFileTest, CtrlZAtTheStartOfALineEndsTheInput) {
  auto ini = Load(
      "[S]\nA=1\x1A"
      "2\n\x1A"
      "B=2\n[T]\nC=3\n");
  EXPECT_EQ(ini->ReadString("S", "A", ""),
            "1\x1A"
            "2")
      << "inside a line it is text";
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"A=1\x1A"
                                             "2"}));
  EXPECT_FALSE(ini->SectionExists("T"));
}

TEST_F(IniFileTest, NulBytesAreText) {
  const std::string nul(1, '\0');
  auto ini = Load("[S" + nul + "]\nK" + nul + "=a" + nul + "b\n");
  EXPECT_EQ(ini->ReadString("S" + nul, "K" + nul, ""), "a" + nul + "b");
  EXPECT_EQ(ini->ReadString("S", "K", "default"), "default");
}

TEST_F(IniFileTest, LinesOfAnyLengthLoadWhole) {
  const std::string long_value(3 << 20, 'v');
  const std::string long_name(100000, 'n');
  auto ini = Load("[S]\n" + long_name + "=1\nK=" + long_value + "\r\nL=2\n");
  EXPECT_EQ(ini->ReadString("S", "K", ""), long_value);
  EXPECT_EQ(ini->ReadString("S", long_name, ""), "1");
  EXPECT_EQ(ini->ReadString("S", "L", ""), "2");
}

TEST_F(IniFileTest, BufferSizeDoesNotChangeWhatIsRead) {
  const std::string bytes =
      "junk\r\n[A]\r\nK=v\r\n\r\n[B]\rx\nL=w\r\r\nM=" + std::string(100, 'm') + "\n\x1Az\n[C]\n";
  auto reference = Load(bytes);
  TStringList expected;
  reference->ReadAll(expected);
  for (int32_t size : {-1, 0, 1, 2, 3, 5, 7, 64}) {
    auto ini = Load(bytes, [size](TBigIniFile& store) { store.TextBufferSize = size; });
    TStringList image;
    ini->ReadAll(image);
    EXPECT_EQ(Entries(image), Entries(expected)) << "buffer of " << size << " bytes";
  }
  EXPECT_EQ(Entries(expected),
            (Lines{"[A]", "K=v", "[B]x", "L=w", "M=" + std::string(100, 'm'), ""}))
      << "a lone CR does not end a line";
}

// ------------------------------------------------------------------ files

TEST_F(IniFileTest, MissingFileGivesAnEmptyStoreAndCreatesNothing) {
  {
    TBigIniFile ini(dir.File("missing.ini"));
    EXPECT_EQ(ini.ReadString("S", "K", "default"), "default");
    EXPECT_EQ(ini.ReadInteger("S", "K", 42), 42);
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_FALSE(ini.Modified);
  }
  EXPECT_TRUE(dir.Names().empty());
}

TEST_F(IniFileTest, UnreadableFileThrowsInOutErrorNamingIt) {
  const std::string name = dir.File("folder.ini");
  fs::create_directory(name);
  try {
    TBigIniFile ini(name);
    FAIL() << "a directory read as a configuration file";
  } catch (const InOutError& error) {
    EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
  }
}

TEST_F(IniFileTest, ReadingNeverRewritesTheFile) {
  const std::string bytes = "x\n[Search]\nA=1\n\n[search]\nB=2\n";
  { auto ini = Load(bytes); }
  EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(IniFileTest, UpdateFileWritesCrLfLinesAndOneBlankLineAfterEachSection) {
  auto ini = Load("[A]\nK=1\n\n\n; comment\nstray\n[Empty]\n[B]\nL=2");
  ini->WriteString("A", "K", "changed");
  ini->UpdateFile();
  EXPECT_EQ(ReadBytes(path), "[A]\r\nK=changed\r\n; comment\r\nstray\r\n\r\n[B]\r\nL=2\r\n\r\n");
  EXPECT_FALSE(ini->Modified);
  TStringList image;
  ini->ReadAll(image);
  EXPECT_EQ(image.Text(), ReadBytes(path)) << "ReadAll is the written image";
}

TEST_F(IniFileTest, UpdateFileWritesOnlyWhenModified) {
  auto ini = Load("[A]\nK=1\n");
  ini->UpdateFile();
  EXPECT_EQ(ReadBytes(path), "[A]\nK=1\n");
  ini->Modified = true;
  ini->FlushFile();
  EXPECT_EQ(ReadBytes(path), "[A]\r\nK=1\r\n\r\n");
}

TEST_F(IniFileTest, StoreWithoutFileNameWritesNothingButForgetsItsChanges) {
  TBigIniFile ini("");
  ini.WriteString("S", "K", "v");
  EXPECT_TRUE(ini.Modified);
  ini.UpdateFile();
  EXPECT_FALSE(ini.Modified);
  EXPECT_EQ(ini.ReadString("S", "K", ""), "v");
}

TEST_F(IniFileTest, DestructionWritesPendingChanges) {
  {
    TBigIniFile ini(path);
    ini.WriteInteger("Options", "Count", 3);
  }
  EXPECT_EQ(ReadBytes(path), "[Options]\r\nCount=3\r\n\r\n");
  EXPECT_EQ(dir.Names(), (Lines{"toolbar.ini"})) << "no scratch file is left behind";
}

TEST_F(IniFileTest, WriteFailureThrowsInOutErrorNamingTheFile) {
  const std::string name = dir.File("no such folder/toolbar.ini");
  TBigIniFile ini(name);
  ini.WriteString("S", "K", "v");
  try {
    ini.UpdateFile();
    FAIL() << "writing into a missing folder succeeded";
  } catch (const InOutError& error) {
    EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
  }
}

TEST_F(IniFileTest, DestructionSurvivesAWriteFailure) {
  auto ini = std::make_unique<TBigIniFile>(dir.File("no such folder/toolbar.ini"));
  ini->WriteString("S", "K", "v");
  ini.reset();
  EXPECT_TRUE(dir.Names().empty());
}

// Refuses to move files into place, as a full disk or a locked target would.
class RefusingFileSystem : public fakes::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  bool Rename(const std::string&, const std::string&) override { return false; }
  bool Replace(const std::string&, const std::string&) override { return false; }
  bool Copy(const std::string&, const std::string&) override { return false; }
};

TEST_F(IniFileTest, FailedRewriteKeepsTheOldFileAndLeavesNoScratchFile) {
  auto ini = Load("[S]\nK=old\n");
  ini->WriteString("S", "K", "new");
  RefusingFileSystem refusing(Files());
  InstallFileSystem(&refusing);
  EXPECT_THROW(ini->UpdateFile(), InOutError);
  InstallFileSystem(nullptr);
  EXPECT_EQ(ReadBytes(path), "[S]\nK=old\n");
  EXPECT_EQ(dir.Names(), (Lines{"toolbar.ini"}));
  EXPECT_TRUE(ini->Modified) << "the change is still pending";
}

TEST_F(IniFileTest, RewriteDoesNotTouchAnUnrelatedFileBesideIt) {
  WriteBytes(dir.File("toolbar.ini.tmp"), "someone else's");
  auto ini = Load("[S]\nK=old\n");
  ini->WriteString("S", "K", "new");
  ini->UpdateFile();
  EXPECT_EQ(ReadBytes(dir.File("toolbar.ini.tmp")), "someone else's");
  EXPECT_EQ(ReadBytes(path), "[S]\r\nK=new\r\n\r\n");
}

TEST_F(IniFileTest, SetFileNameWritesTheOldFileAndLoadsTheNewOne) {
  const std::string other = dir.File("other.ini");
  WriteBytes(other, "[Other]\nK=o\n[other]\nL=dropped\n");
  TBigIniFile ini(path);
  ini.WriteString("S", "K", "v");
  ini.SetFileName(other);
  EXPECT_EQ(ReadBytes(path), "[S]\r\nK=v\r\n\r\n");
  EXPECT_EQ(ini.FileName(), other);
  EXPECT_EQ(SectionNames(ini), (Lines{"Other"}));
  EXPECT_FALSE(ini.Modified) << "even though duplicates were removed";
}

// ------------------------------------------------------------ duplicates

TEST_F(IniFileTest, FirstOfSameNamedSectionsSurvivesWhole) {
  auto ini = Load("[Search]\nA=1\n[Other]\n[search]\nA=2\nB=3\n");
  EXPECT_EQ(SectionNames(*ini), (Lines{"Search", "Other"}));
  EXPECT_EQ(ini->ReadString("search", "A", ""), "1");
  EXPECT_EQ(ini->ReadString("search", "B", "none"), "none") << "keys are not merged";
  EXPECT_FALSE(ini->Modified);
}

TEST_F(IniFileTest, DuplicateHandlerChoosesWhichSectionStays) {
  struct Call {
    std::string name;
    Lines earlier, later;
  };
  std::vector<Call> calls;
  auto ini =
      Load("[Dup]\nA=1\n[B]\nx=1\n[dup]\nA=2\n[DUP]\nA=3\n[b]\nx=2\n", [&](TBigIniFile& store) {
        store.OnDuplicateSection = [&](const std::string& name, TStringList& earlier,
                                       TStringList& later) {
          calls.push_back({name, Entries(earlier), Entries(later)});
          return name != "dup";  // keeps the later [dup] over [Dup] only
        };
      });
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].name, "b");
  EXPECT_EQ(calls[1].name, "dup");
  EXPECT_EQ(calls[1].earlier, (Lines{"A=1"}));
  EXPECT_EQ(calls[1].later, (Lines{"A=2"}));
  EXPECT_EQ(calls[2].name, "DUP");
  EXPECT_EQ(calls[2].earlier, (Lines{"A=2"})) << "the survivor meets the next one";
  EXPECT_EQ(calls[2].later, (Lines{"A=3"}));
  EXPECT_EQ(SectionNames(*ini), (Lines{"B", "dup"}));
  EXPECT_EQ(ini->ReadString("DUP", "A", ""), "2");
}

TEST_F(IniFileTest, DuplicateHandlerMayMoveLinesIntoTheSurvivor) {
  auto ini = Load("[S]\nA=1\n[s]\nB=2\n", [](TBigIniFile& store) {
    store.OnDuplicateSection = [](const std::string&, TStringList& earlier, TStringList& later) {
      for (int i = 0; i < later.Count(); ++i) earlier.Add(later[i]);
      return true;
    };
  });
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"A=1", "B=2"}));
}

TEST_F(IniFileTest, ErrorInDuplicateHandlerReachesTheCaller) {
  WriteBytes(path, "[S]\n[s]\n");
  TBigIniFile ini("");
  ini.OnDuplicateSection = [](const std::string&, TStringList&, TStringList&) -> bool {
    throw Error("handler failed");
  };
  EXPECT_THROW(ini.SetFileName(path), Error);
}

TEST_F(IniFileTest, LoadFileMergesAndHeldSectionsWin) {
  const std::string second = dir.File("second.ini");
  WriteBytes(second, "[Options]\nName=second\n[Extra]\nK=e\n");
  auto ini = Load("[Options]\nName=first\n");
  ini->LoadFile(second);
  EXPECT_EQ(ini->ReadString("Options", "Name", ""), "first");
  EXPECT_EQ(ini->ReadString("Extra", "K", ""), "e");
  EXPECT_TRUE(ini->Modified) << "a merge that removed a section is a change";
  ini->UpdateFile();
  EXPECT_EQ(ReadBytes(path), "[Options]\r\nName=first\r\n\r\n[Extra]\r\nK=e\r\n\r\n");
}

// ----------------------------------------------------------------- flags

TEST_F(IniFileTest, DropCommentsRemovesCommentLinesAndCommentNames) {
  auto ini =
      Load("[S]\n;x=1\nA=1\n ;y=2\n", [](TBigIniFile& store) { store.FlagDropComments = true; });
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"A=1", " ;y=2"}));
  ini->WriteString("S", ";later", "1");
  EXPECT_EQ(Keys(*ini, "S"), (Lines{"A", " ;y"}));
  ini->FlagDropComments = false;
  EXPECT_EQ(Keys(*ini, "S"), (Lines{"A", " ;y", ";later"}));
}

TEST_F(IniFileTest, CommentsAreKeptByDefault) {
  auto ini = Load("[S]\n;x=1\n");
  EXPECT_EQ(Keys(*ini, "S"), (Lines{";x"}));
}

TEST_F(IniFileTest, DropNoValueLinesKeepsOnlyLinesWithEquals) {
  auto ini =
      Load("[S]\nword\nA=1\n=2\n", [](TBigIniFile& store) { store.FlagDropNoValueLines = true; });
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"A=1", "=2"}));
}

TEST_F(IniFileTest, TrimBlanksAroundEqualsRemovesBlanksAndTabsNextToTheFirstEquals) {
  auto ini = Load("[S]\nA \t= \tb = c\n = x\nnone\nB=\t\n",
                  [](TBigIniFile& store) { store.FlagTrimBlanksAroundEquals = true; });
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"A=b = c", "= x", "none", "B="}));
}

TEST_F(IniFileTest, StripQuotesRemovesMatchingQuotesAroundTheValue) {
  auto ini = Load("[S]\nA=\"x\"\nB='y'\nC=\"z'\nD=\"\nE=\"\"\n=\"f\"\nG= \"g\"\n",
                  [](TBigIniFile& store) { store.FlagStripQuotes = true; });
  EXPECT_EQ(SectionValues(*ini, "S"),
            (Lines{"A=x", "B=y", "C=\"z'", "D=\"", "E=", "=\"f\"", "G= \"g\""}));
}

TEST_F(IniFileTest, TrimRightRemovesTrailingControlCharactersAndBlanks) {
  auto ini = Load("[S]\nA=1 \t\x01\n\x02\x03\nB=\xC2\xA0 \n[T] \n",
                  [](TBigIniFile& store) { store.FlagTrimRight = true; });
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"A=1", "", "B=\xC2\xA0", "[T]"}))
      << "headers are recognised before trimming";
}

TEST_F(IniFileTest, TrimmingHappensBeforeQuotesAreStrippedAndAfter) {
  auto ini = Load("[S]\nA = \"v\" \nB = \"w\"\n", [](TBigIniFile& store) {
    store.FlagTrimBlanksAroundEquals = true;
    store.FlagStripQuotes = true;
    store.FlagTrimRight = true;
  });
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"A=\"v\"", "B=w"}));
}

TEST_F(IniFileTest, ReadSectionValuesAppendsUnlessAskedToClear) {
  auto ini = Load("[S]\nA=1\n");
  TStringList list;
  list.Add("kept");
  ini->ReadSectionValues("S", list);
  ini->ReadSectionValues("missing", list);
  EXPECT_EQ(Entries(list), (Lines{"kept", "A=1"}));
  ini->FlagClearOnReadSectionValues = true;
  ini->ReadSectionValues("missing", list);
  EXPECT_EQ(Entries(list), (Lines{"kept", "A=1"})) << "a missing section leaves the list";
  ini->ReadSectionValues("S", list);
  EXPECT_EQ(Entries(list), (Lines{"A=1"}));
}

// ------------------------------------------------------------------ lists

TEST_F(IniFileTest, ReadSectionAppendsNamesInOrderInsideOneUpdate) {
  auto ini = Load("[S]\nB=1\n=nameless\nA=2\n");
  TStringList list;
  list.Add("kept");
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  ini->ReadSection("S", list);
  EXPECT_EQ(Entries(list), (Lines{"kept", "B", "A"}));
  EXPECT_EQ(changes, 1);
  ini->ReadSection("missing", list);
  EXPECT_EQ(list.Count(), 3);
}

TEST_F(IniFileTest, ReadSectionsListsEverySectionWithItsLines) {
  auto ini = Load("[A]\nK=1\n[Empty]\n");
  ini->DeleteKey("Created", "K");
  TStringList list;
  list.Add("replaced");
  ini->ReadSections(list);
  ASSERT_EQ(Entries(list), (Lines{"A", "Empty", "Created"}));
  auto* lines = static_cast<TStringList*>(list.Objects(0));
  EXPECT_EQ(lines, ini->Sections().SectionItems(0));
  EXPECT_EQ(Entries(*lines), (Lines{"K=1"}));
}

TEST_F(IniFileTest, ReadAllAppendsTheImageOfSectionsWithLines) {
  auto ini = Load("[A]\nK=1\n[Empty]\n[B]\nL=2\n");
  TStringList list;
  list.Add("kept");
  ini->ReadAll(list);
  EXPECT_EQ(Entries(list), (Lines{"kept", "[A]", "K=1", "", "[B]", "L=2", ""}));
}

// ---------------------------------------------------------------- cursors

TEST_F(IniFileTest, KeyLookupStartsAtTheSectionCursorAndWraps) {
  auto ini = Load("[A]\nK=a\n[B]\nK=b\n[C]\nK=c\n[D]\nK=d\n");
  EXPECT_EQ(ini->SectionCursor(), 0);
  EXPECT_EQ(ini->ReadString("C", "K", ""), "c");
  EXPECT_EQ(ini->SectionCursor(), 2);
  EXPECT_EQ(ini->ReadString("B", "K", ""), "b") << "found after wrapping";
  EXPECT_EQ(ini->SectionCursor(), 1);
  EXPECT_EQ(ini->ReadString("missing", "K", "none"), "none");
  EXPECT_EQ(ini->SectionCursor(), 0) << "stops on the section before the start";
  ini->WriteString("New", "K", "n");
  EXPECT_EQ(ini->SectionCursor(), 4);
}

TEST_F(IniFileTest, SectionSearchStartsWhereItLastFoundOne) {
  auto ini = Load("[A]\nK=1\n[B]\nK=2\n[C]\nK=3\n");
  EXPECT_EQ(ini->Sections().LastFound(), 0);
  EXPECT_TRUE(ini->SectionExists("c"));
  EXPECT_EQ(ini->Sections().LastFound(), 2);
  EXPECT_FALSE(ini->SectionExists("missing"));
  EXPECT_EQ(ini->Sections().LastFound(), 2);
  EXPECT_TRUE(ini->SectionExists("a"));
  EXPECT_EQ(ini->Sections().LastFound(), 0);
}

// ------------------------------------------------------------ changes

TEST_F(IniFileTest, WriteStringOfAnIdenticalLineIsNoChange) {
  auto ini = Load("[S]\nK=v\n");
  ini->WriteString("S", "K", "v");
  EXPECT_FALSE(ini->Modified);
  ini->WriteString("s", "K", "v");
  EXPECT_FALSE(ini->Modified) << "the section name is not part of the line";
  ini->WriteString("S", "k", "v");
  EXPECT_TRUE(ini->Modified) << "the name's case changed";
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"k=v"}));
  ini->Modified = false;
  ini->WriteString("S", "k", "V");
  EXPECT_TRUE(ini->Modified) << "the value's case changed";
}

TEST_F(IniFileTest, WriteStringAppendsNewKeysAndCreatesSections) {
  auto ini = Load("[S]\nK=v\n");
  ini->WriteString("S", "L", "w");
  ini->WriteString("New Section", "M", "x");
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"K=v", "L=w"}));
  EXPECT_EQ(SectionNames(*ini), (Lines{"S", "New Section"}));
  ini->UpdateFile();
  EXPECT_EQ(ReadBytes(path), "[S]\r\nK=v\r\nL=w\r\n\r\n[New Section]\r\nM=x\r\n\r\n");
}

TEST_F(IniFileTest, WriteStringWithAnEmptyNameErasesTheSectionOrWritesTheFile) {
  auto ini = Load("[S]\nK=v\n[T]\nL=w\n");
  ini->WriteString("S", "", "anything");
  EXPECT_EQ(SectionNames(*ini), (Lines{"T"}));
  EXPECT_TRUE(ini->Modified);
  EXPECT_EQ(ReadBytes(path), "[S]\nK=v\n[T]\nL=w\n");
  ini->WriteString("", "", "");
  EXPECT_FALSE(ini->Modified);
  EXPECT_EQ(ReadBytes(path), "[T]\r\nL=w\r\n\r\n");
}

TEST_F(IniFileTest, WritesThatWouldReadBackDifferentlyAreRefused) {
  auto ini = Load("[S]\nK=v\n");
  EXPECT_THROW(ini->WriteString("S", "K", "a\r\n[Other]"), Error);
  EXPECT_THROW(ini->WriteString("S\n", "K", "v"), Error);
  EXPECT_THROW(ini->WriteString("S", "K\r", "v"), Error);
  EXPECT_THROW(ini->WriteString("S", "a=b", "v"), Error);
  EXPECT_THROW(ini->WriteString("S", "[x", "y]"), Error);
  EXPECT_THROW(ini->WriteString("S",
                                "\x1A"
                                "K",
                                "v"),
               Error);
  EXPECT_FALSE(ini->Modified);
  EXPECT_EQ(SectionNames(*ini), (Lines{"S"}));
  ini->WriteString("S", "[x", "y");
  ini->WriteString("S", "x]", "]");
  EXPECT_EQ(ini->ReadString("S", "x]", ""), "]");
}

TEST_F(IniFileTest, DeleteKeyRemovesTheFirstMatchingLine) {
  auto ini = Load("[S]\nK=1\nk=2\n");
  ini->DeleteKey("S", "K");
  EXPECT_EQ(SectionValues(*ini, "S"), (Lines{"k=2"}));
  EXPECT_TRUE(ini->Modified);
}

TEST_F(IniFileTest, DeleteKeyOfAMissingSectionLeavesAnEmptyUnwrittenSection) {
  auto ini = Load("[S]\nK=1\n");
  ini->DeleteKey("Missing", "K");
  EXPECT_FALSE(ini->Modified);
  EXPECT_TRUE(ini->SectionExists("Missing"));
  ini->Modified = true;
  ini->UpdateFile();
  EXPECT_EQ(ReadBytes(path), "[S]\r\nK=1\r\n\r\n");
}

TEST_F(IniFileTest, EraseSectionResetsTheCursors) {
  auto ini = Load("[A]\nK=1\n[B]\nK=2\n");
  EXPECT_EQ(ini->ReadString("B", "K", ""), "2");
  EXPECT_EQ(ini->SectionCursor(), 1);
  ini->EraseSection("b");
  EXPECT_EQ(ini->SectionCursor(), 0);
  EXPECT_EQ(ini->Sections().LastFound(), 0);
  EXPECT_TRUE(ini->Modified);
  ini->Modified = false;
  ini->EraseSection("missing");
  EXPECT_FALSE(ini->Modified);
  EXPECT_EQ(ini->ReadString("A", "K", ""), "1");
}

TEST_F(IniFileTest, ClearEmptiesTheStoreWithoutMarkingIt) {
  auto ini = Load("[A]\nK=1\n");
  ini->Clear();
  EXPECT_FALSE(ini->SectionExists("A"));
  EXPECT_FALSE(ini->Modified);
  EXPECT_EQ(ini->ReadString("A", "K", "gone"), "gone");
}

// ------------------------------------------------------------ typed values

TEST_F(IniFileTest, ReadIntegerAcceptsDecimalAndHexadecimal) {
  auto ini = Load(
      "[N]\na=0x1F\nb=0X1f\nc=$1F\nd= 12\ne=12 \nf=\ng=abc\nh=99999999999\ni=-12\nj=+7\n"
      "k=x10\nl=-2147483648\nm=2147483648\nn=$FFFFFFFF\no=$100000000\np=-$10\nq= 0x1F\n"
      "r=$\ns=-\nt=1 2\nu=\t5\n");
  EXPECT_EQ(ini->ReadInteger("N", "a", -1), 31);
  EXPECT_EQ(ini->ReadInteger("N", "b", -1), 31);
  EXPECT_EQ(ini->ReadInteger("N", "c", -1), 31);
  EXPECT_EQ(ini->ReadInteger("N", "d", -1), 12);
  EXPECT_EQ(ini->ReadInteger("N", "e", -1), -1) << "trailing blank";
  EXPECT_EQ(ini->ReadInteger("N", "f", -1), -1);
  EXPECT_EQ(ini->ReadInteger("N", "g", -1), -1);
  EXPECT_EQ(ini->ReadInteger("N", "h", -1), -1) << "overflow";
  EXPECT_EQ(ini->ReadInteger("N", "i", 0), -12);
  EXPECT_EQ(ini->ReadInteger("N", "j", 0), 7);
  EXPECT_EQ(ini->ReadInteger("N", "k", 0), 16);
  EXPECT_EQ(ini->ReadInteger("N", "l", 0), INT32_MIN);
  EXPECT_EQ(ini->ReadInteger("N", "m", 0), 0) << "overflow";
  EXPECT_EQ(ini->ReadInteger("N", "n", 0), -1) << "hexadecimal spans all 32 bits";
  EXPECT_EQ(ini->ReadInteger("N", "o", 0), 0) << "more than 32 bits";
  EXPECT_EQ(ini->ReadInteger("N", "p", 0), -16);
  EXPECT_EQ(ini->ReadInteger("N", "q", 0), 0) << "0x counts only at the very start";
  EXPECT_EQ(ini->ReadInteger("N", "r", 0), 0);
  EXPECT_EQ(ini->ReadInteger("N", "s", 0), 0);
  EXPECT_EQ(ini->ReadInteger("N", "t", 0), 0);
  EXPECT_EQ(ini->ReadInteger("N", "u", 0), 0) << "only blanks are skipped";
  EXPECT_EQ(ini->ReadInteger("N", "missing", 5), 5);
}

TEST_F(IniFileTest, ReadIntegerUsesAtMost255CharactersAfterALeading0x) {
  auto ini = Load("[N]\nshort=0x" + std::string(254, '0') + "1F\nlong=0x" + std::string(255, '0') +
                  "1F\n");
  EXPECT_EQ(ini->ReadInteger("N", "short", -1), 1) << "the F is cut off";
  EXPECT_EQ(ini->ReadInteger("N", "long", -1), 0);
}

TEST_F(IniFileTest, ReadBoolIsTrueForAnyNonZeroInteger) {
  auto ini = Load("[B]\na=0\nb=1\nc=-1\nd=7\ne=yes\n");
  EXPECT_FALSE(ini->ReadBool("B", "a", true));
  EXPECT_TRUE(ini->ReadBool("B", "b", false));
  EXPECT_TRUE(ini->ReadBool("B", "c", false));
  EXPECT_TRUE(ini->ReadBool("B", "d", false));
  EXPECT_TRUE(ini->ReadBool("B", "e", true));
  EXPECT_FALSE(ini->ReadBool("B", "e", false));
}

TEST_F(IniFileTest, TypedWritesUseTheirTextForms) {
  TBigIniFile ini("");
  ini.WriteInteger("T", "Int", -42);
  ini.WriteBool("T", "Yes", true);
  ini.WriteBool("T", "No", false);
  ini.WriteDate("T", "Date", *TryEncodeDate(2024, 2, 29));
  ini.WriteTime("T", "Time", *TryEncodeTime(13, 5, 9, 0));
  ini.WriteDateTime("T", "Stamp", *TryEncodeDate(2001, 12, 3) + *TryEncodeTime(0, 0, 1, 0));
  ini.WriteFloat("T", "Float", 0.1);
  ini.WriteValue("T", "Value", "text");
  EXPECT_EQ(SectionValues(ini, "T"),
            (Lines{"Int=-42", "Yes=1", "No=0", "Date=2/29/2024", "Time=1:05:09 PM",
                   "Stamp=12/3/2001 12:00:01 AM", "Float=0.1", "Value=text"}));
  EXPECT_EQ(ini.ReadValue("T", "Value", ""), "text");
}

TEST_F(IniFileTest, TypedReadsGiveTheDefaultForEmptyOrUnconvertibleText) {
  auto ini = Load(
      "[T]\nDate=2/29/2024\nBadDate=2/30/2024\nTime=1:05:09 PM\nStamp=12/3/2001 0:00:01\n"
      "Float=-1.5E3\nBadFloat=1,5\nEmpty=\n");
  EXPECT_EQ(ini->ReadDate("T", "Date", -1), *TryEncodeDate(2024, 2, 29));
  EXPECT_EQ(ini->ReadDate("T", "BadDate", -1), -1);
  EXPECT_EQ(ini->ReadDate("T", "Empty", -1), -1);
  EXPECT_DOUBLE_EQ(ini->ReadTime("T", "Time", -1), *TryEncodeTime(13, 5, 9, 0));
  EXPECT_EQ(ini->ReadTime("T", "Float", -1), -1);
  EXPECT_DOUBLE_EQ(ini->ReadDateTime("T", "Stamp", -1),
                   *TryEncodeDate(2001, 12, 3) + *TryEncodeTime(0, 0, 1, 0));
  EXPECT_EQ(ini->ReadDateTime("T", "Float", -1), -1);
  EXPECT_EQ(ini->ReadFloat("T", "Float", 0), -1500.0);
  EXPECT_EQ(ini->ReadFloat("T", "BadFloat", 7), 7);
  EXPECT_EQ(ini->ReadFloat("T", "Empty", 7), 7);
  EXPECT_EQ(ini->ReadFloat("T", "Missing", 7), 7);
}

TEST_F(IniFileTest, TypedValuesFollowTheUserRegionalSettings) {
  FormatSettings saved = UserFormatSettings();
  UserFormatSettings().DateSeparator = '.';
  UserFormatSettings().ShortDateFormat = "dd/MM/yyyy";
  UserFormatSettings().TimeFormat = "HH:mm:ss";
  UserFormatSettings().DecimalSeparator = ',';
  TBigIniFile ini("");
  ini.WriteDateTime("T", "Stamp", *TryEncodeDate(2024, 3, 1) + *TryEncodeTime(18, 30, 0, 0));
  ini.WriteFloat("T", "Float", 2.5);
  EXPECT_EQ(SectionValues(ini, "T"), (Lines{"Stamp=01.03.2024 18:30:00", "Float=2,5"}));
  EXPECT_DOUBLE_EQ(ini.ReadDateTime("T", "Stamp", 0),
                   *TryEncodeDate(2024, 3, 1) + *TryEncodeTime(18, 30, 0, 0));
  EXPECT_EQ(ini.ReadFloat("T", "Float", 0), 2.5);
  UserFormatSettings() = saved;
}

TEST_F(IniFileTest, UnformattableDateIsAnErrorNotAWrite) {
  TBigIniFile ini("");
  EXPECT_THROW(ini.WriteDate("T", "Date", 1e12), Error);
  EXPECT_FALSE(ini.Modified);
}

}  // namespace
}  // namespace pq
