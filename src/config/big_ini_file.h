#pragma once
// The INI file store: reads a whole file into memory when it is built, answers
// every lookup from memory and writes the whole file back only when something
// has changed. File size and line length are unbounded. Text is UTF-8 inside;
// a file may hold it as UTF-8 or UTF-16 with a byte-order mark, as UTF-8
// without one, or in the system's ANSI code page, and is written back the way
// it came as far as that can hold the text.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/string_list.h"
#include "platform/code_pages.h"
#include "platform/date_time.h"

namespace pq {

// Consulted when a load finds a section twice: the section's name, the lines
// of the section that stands earlier and of the one that stands later.
// Returns true to keep the earlier section, false to keep the later one. It
// may move lines between the two lists, but must not change the section list.
using DuplicateSectionHandler =
    std::function<bool(const std::string& name, TStringList& earlier, TStringList& later)>;

// The sections of a store in order: each entry is a section name as it stood
// between the brackets, and its object is the section's line list, owned by
// the entry. It holds a string list of the names rather than being one, so
// that no caller can add, replace or drop an entry without its lines.
class TSectionList {
 public:
  TSectionList() = default;
  ~TSectionList();
  TSectionList(const TSectionList&) = delete;
  TSectionList& operator=(const TSectionList&) = delete;

  int Count() const { return names_.Count(); }
  // Indexes outside 0..Count()-1 throw std::out_of_range.
  std::string_view operator[](int index) const { return names_[index]; }
  std::string_view Strings(int index) const { return names_.Strings(index); }
  TStringList* SectionItems(int index) const {
    return static_cast<TStringList*>(names_.Objects(index));
  }

  // Appends a section with a new empty line list; returns its index.
  int AddSection(std::string_view name);
  void Delete(int index);
  void Clear();

  // Searches from the entry found last to the end, then from the start: reading
  // sections in file order never rescans the list. -1 when absent.
  int IndexOf(std::string_view name) const;
  int LastFound() const { return last_found_; }
  void ResetLastFound() { last_found_ = 0; }

  // Keeps one section of every group of same-named ones (names compared
  // without regard to case): without a handler the first in the list. Returns
  // whether a section was removed.
  bool EraseDuplicateSections(const DuplicateSectionHandler& handler);

 private:
  TStringList names_;
  mutable int last_found_ = 0;
};

class TBigIniFile {
 public:
  static constexpr int32_t kDefaultTextBufferSize = 28672;

  // Reads the file; a missing file gives an empty store. A file that exists
  // but cannot be read throws InOutError.
  explicit TBigIniFile(const std::string& file_name);
  // Writes pending changes. A failure cannot be reported from here and is
  // swallowed: callers that need to know call UpdateFile first.
  virtual ~TBigIniFile();
  TBigIniFile(const TBigIniFile&) = delete;
  TBigIniFile& operator=(const TBigIniFile&) = delete;

  // The in-memory image differs from the file.
  bool Modified = false;
  // Kept for callers that set it; files are read and written whole through
  // the file-system port, which needs no buffer of ours.
  int32_t TextBufferSize = kDefaultTextBufferSize;
  DuplicateSectionHandler OnDuplicateSection;
  // Load filters and read options; all off unless a caller sets them, and the
  // load filters act on the next LoadFile or SetFileName.
  bool FlagClearOnReadSectionValues = false;
  bool FlagDropComments = false;
  bool FlagDropNoValueLines = false;
  bool FlagTrimBlanksAroundEquals = false;
  bool FlagStripQuotes = false;
  bool FlagTrimRight = false;

  const std::string& FileName() const { return file_name_; }
  // Writes pending changes to the old file, empties the store and loads the
  // new one (unless the name is empty). Modified is false afterwards.
  void SetFileName(const std::string& file_name);
  int SectionCursor() const { return section_cursor_; }
  TSectionList& Sections() { return sections_; }
  const TSectionList& Sections() const { return sections_; }

  // Appends the file's sections to those held; same-named sections are then
  // reduced to one (see TSectionList::EraseDuplicateSections).
  virtual void LoadFile(const std::string& file_name);
  // Appends sections from a file's bytes held in memory, as LoadFile would
  // from the file.
  void LoadBytes(std::string_view bytes);
  // How the file held its text, and how it will be written.
  TextEncoding Encoding() const { return encoding_; }
  virtual void Clear();
  virtual void DeleteKey(std::string_view section, std::string_view name);
  virtual void EraseSection(std::string_view section);
  // Writes the file when Modified is set: a new image beside it replaces it
  // once complete. Throws InOutError when it cannot be written.
  virtual void UpdateFile();
  virtual bool SectionExists(std::string_view section);
  virtual std::string ReadValue(std::string_view section, std::string_view name,
                                std::string_view default_value);
  // Appends the image that UpdateFile would write, one line per entry.
  virtual void ReadAll(TStringList& strings);
  virtual bool ReadBool(std::string_view section, std::string_view name, bool default_value);
  virtual TDateTime ReadDate(std::string_view section, std::string_view name,
                             TDateTime default_value);
  virtual TDateTime ReadDateTime(std::string_view section, std::string_view name,
                                 TDateTime default_value);
  virtual double ReadFloat(std::string_view section, std::string_view name, double default_value);
  // Decimal, or hexadecimal after "$", "x" or a leading "0x"; anything else
  // gives the default.
  virtual int32_t ReadInteger(std::string_view section, std::string_view name,
                              int32_t default_value);
  // Appends the section's key names in order; a missing section adds nothing.
  virtual void ReadSection(std::string_view section, TStringList& strings);
  // Replaces the list's contents with the section names; each entry's object
  // is the section's line list, which stays the store's.
  virtual void ReadSections(TStringList& strings);
  // Appends the section's lines as stored.
  virtual void ReadSectionValues(std::string_view section, TStringList& strings);
  // Everything after the first "=" of the key's line; the default when the
  // section or the key is missing.
  virtual std::string ReadString(std::string_view section, std::string_view name,
                                 std::string_view default_value);
  virtual TDateTime ReadTime(std::string_view section, std::string_view name,
                             TDateTime default_value);
  virtual bool HasSection(std::string_view section);
  virtual void FlushFile();
  virtual bool ValueExists(std::string_view section, std::string_view name);
  virtual void WriteValue(std::string_view section, std::string_view name, std::string_view value);
  virtual void WriteBool(std::string_view section, std::string_view name, bool value);
  virtual void WriteDate(std::string_view section, std::string_view name, TDateTime value);
  virtual void WriteDateTime(std::string_view section, std::string_view name, TDateTime value);
  virtual void WriteFloat(std::string_view section, std::string_view name, double value);
  virtual void WriteInteger(std::string_view section, std::string_view name, int32_t value);
  // Sets the key's line to name=value. An empty name erases the section, or,
  // with section and value empty too, writes the file. Text that would not
  // read back as written (a line break, a name with "=", a line that would
  // read as a section header or as the end of the file) throws Error.
  virtual void WriteString(std::string_view section, std::string_view name, std::string_view value);
  virtual void WriteTime(std::string_view section, std::string_view name, TDateTime value);

 private:
  struct KeyPlace {
    TStringList* lines;  // none when the section is missing
    int index;           // -1 when the key is missing
  };
  KeyPlace FindKey(std::string_view section, std::string_view name, bool create);
  void AddLine(TStringList& lines, std::string_view line);
  void WriteImage();

  std::string file_name_;
  TextEncoding encoding_ = TextEncoding::Utf8;
  bool existing_file_ = false;  // the file existed when loaded or has been written
  int section_cursor_ = 0;
  TSectionList sections_;
};

}  // namespace pq
