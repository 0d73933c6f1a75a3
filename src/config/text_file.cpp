#include "config/text_file.h"

#include <algorithm>
#include <cstdint>

#include "platform/code_pages.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace pq {

void TextToLines(std::string_view text, TStringList& lines) {
  const size_t end = std::min(text.find('\0'), text.size());
  size_t breaks = 0;
  for (size_t i = 0; i < end; ++i)
    if (text[i] == '\n' || text[i] == '\r') ++breaks;
  lines.Reserve(static_cast<int>(std::min<size_t>(breaks + 1, INT32_MAX)), end);
  size_t at = 0;
  while (at < end) {
    size_t stop = at;
    while (stop < end && text[stop] != '\r' && text[stop] != '\n') ++stop;
    lines.Add(text.substr(at, stop - at));
    at = stop;
    if (at < end && text[at] == '\r') ++at;
    if (at < end && text[at] == '\n') ++at;
  }
}

TStringList ReadLinesFile(const std::string& file_name, UnmarkedText unmarked) {
  std::string bytes;
  if (!Files().ReadAll(file_name, bytes)) throw InOutError("Cannot open file " + file_name);
  TStringList lines;
  const std::optional<TextEncoding> marked = MarkedEncoding(bytes);
  if (marked == TextEncoding::Utf8Bom) {
    // Taken as it stands: well-formed or not, it is what was typed.
    TextToLines(std::string_view(bytes).substr(3), lines);
  } else if (unmarked == UnmarkedText::Ansi && !marked && !IsAscii(bytes)) {
    CodePages& code_pages = SystemCodePages();
    TextToLines(code_pages.ToUtf8(bytes, code_pages.AnsiCodePage()), lines);
  } else {
    TextToLines(DecodeText(bytes).text, lines);
  }
  return lines;
}

void WriteLinesFile(const std::string& file_name, const TStringList& entries) {
  TextEncoding encoding = TextEncoding::Utf8Bom;
  switch (ReplaceFileContents(file_name, EncodeText(entries.Text(), encoding))) {
    case FileWriteResult::Written:
      return;
    case FileWriteResult::Denied:
      throw FileAccessDenied("Cannot create file " + file_name);
    default:
      throw InOutError("Cannot create file " + file_name);
  }
}

}  // namespace pq
