#pragma once
// Text files of one entry per line: the search history, saved searches, the
// installation's notice. Their lines come back as UTF-8 whatever the file
// held; files are written as UTF-8 with a byte-order mark.
#include <string>
#include <string_view>

#include "config/string_list.h"

namespace pq {

// Splits a file's text into its lines. A line ends at CR, at LF or at the pair
// CR LF; a NUL ends the text; an empty line is an empty entry; the break after
// the last line makes no entry of its own.
void TextToLines(std::string_view text, TStringList& lines);

// What the bytes of a file without a byte-order mark are.
enum class UnmarkedText {
  Utf8OrAnsi,  // UTF-8 when well-formed, else the ANSI code page: any editor's file
  Ansi,        // the ANSI code page: files this toolbar wrote before it wrote UTF-8
};

// Reads a file's lines; raises InOutError "Cannot open file NAME" when it
// cannot be opened or read.
TStringList ReadLinesFile(const std::string& file_name,
                          UnmarkedText unmarked = UnmarkedText::Utf8OrAnsi);

// Replaces the file by the entries in UTF-8 after a byte-order mark, each
// followed by CR LF, in one step;
// raises InOutError "Cannot create file NAME" when that fails (as
// FileAccessDenied when for lack of rights), and the old file stays whole.
void WriteLinesFile(const std::string& file_name, const TStringList& entries);

}  // namespace pq
