#include "config/string_list.h"

#include <stdexcept>

#include "platform/text.h"

namespace pq {
namespace {

void CheckIndex(int index, int count) {
  if (index < 0 || index >= count) throw std::out_of_range("List index out of bounds");
}

}  // namespace

void TStringList::Insert(int index, std::string text, void* object) {
  if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
  entries_.insert(entries_.begin() + index, Entry{std::move(text), object});
  Changed();
}

void TStringList::Put(int index, std::string text) {
  CheckIndex(index, Count());
  entries_[index].text = std::move(text);
  Changed();
}

void TStringList::PutObject(int index, void* object) {
  CheckIndex(index, Count());
  entries_[index].object = object;
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  entries_.erase(entries_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (entries_.empty()) return;
  entries_.clear();
  Changed();
}

int TStringList::IndexOf(std::string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(entries_[i].text, text)) return i;
  return -1;
}

int TStringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& text = entries_[i].text;
    const size_t equals = text.find('=');
    if (equals != std::string::npos && SameText(std::string_view(text).substr(0, equals), name))
      return i;
  }
  return -1;
}

std::string_view TStringList::NameOf(int index) const {
  const std::string& text = Strings(index);
  const size_t equals = text.find('=');
  return equals == std::string::npos ? std::string_view()
                                     : std::string_view(text).substr(0, equals);
}

void TStringList::DeleteMarked(const std::vector<char>& marked) {
  size_t kept = 0;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (i >= marked.size() || !marked[i]) {
      if (kept != i) entries_[kept] = std::move(entries_[i]);
      ++kept;
    }
  if (kept == entries_.size()) return;
  entries_.resize(kept);
  Changed();
}

void TStringList::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0 && pending_change_) {
    pending_change_ = false;
    if (OnChange) OnChange();
  }
}

std::string TStringList::Text() const {
  size_t size = 0;
  for (const Entry& entry : entries_) size += entry.text.size() + 2;
  std::string text;
  text.reserve(size);
  for (const Entry& entry : entries_) {
    text += entry.text;
    text += "\r\n";
  }
  return text;
}

}  // namespace pq
