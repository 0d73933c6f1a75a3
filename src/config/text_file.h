#pragma once
// Text files of one entry per line, in the system's 8-bit code page: the
// search history, saved searches, the installation's notice.
#include <string>
#include <string_view>

#include "config/string_list.h"

namespace pq {

// Splits a file's text into its lines. A line ends at CR, at LF or at the pair
// CR LF; a NUL ends the text; an empty line is an empty entry; the break after
// the last line makes no entry of its own.
void TextToLines(std::string_view text, TStringList& lines);

// Reads a file's lines; raises InOutError "Cannot open file NAME" when it
// cannot be opened or read.
TStringList ReadLinesFile(const std::string& file_name);

// Replaces the file by the entries, each followed by CR LF, in one step;
// raises InOutError "Cannot create file NAME" when that fails (as
// FileAccessDenied when for lack of rights), and the old file stays whole.
void WriteLinesFile(const std::string& file_name, const TStringList& entries);

}  // namespace pq
