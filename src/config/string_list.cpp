#include "config/string_list.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "platform/text.h"

namespace pq {
namespace {

constexpr size_t kMinimumReclaim = 4096;
constexpr size_t kMaximumText = UINT32_MAX;

void CheckIndex(int index, int count) {
  if (index < 0 || index >= count) throw std::out_of_range("List index out of bounds");
}

}  // namespace

uint32_t TStringList::Store(std::string_view text) {
  if (text.size() > kMaximumText - text_.size())
    throw std::length_error("A string list holds at most 4 GiB of text");
  const uint32_t offset = static_cast<uint32_t>(text_.size());
  // Text of this very list must be copied out before the buffer may move.
  const std::less<const char*> before;
  if (!text.empty() && !before(text.data(), text_.data()) &&
      before(text.data(), text_.data() + text_.size())) {
    const std::string copy(text);
    text_.append(copy);
  } else {
    text_.append(text);
  }
  return offset;
}

void TStringList::Forget(size_t length) {
  unused_ += length;
  if (unused_ < kMinimumReclaim || unused_ < text_.size() / 2) return;
  std::string kept;
  kept.reserve(text_.size() - unused_);
  for (Entry& entry : entries_) {
    const uint32_t offset = static_cast<uint32_t>(kept.size());
    kept.append(text_, entry.offset, entry.length);
    entry.offset = offset;
  }
  text_.swap(kept);
  unused_ = 0;
}

void TStringList::MakeObjects() {
  if (has_objects_) return;
  objects_.assign(entries_.size(), nullptr);
  has_objects_ = true;
}

int TStringList::Add(std::string_view text, void* object) {
  if (object) MakeObjects();
  const uint32_t offset = Store(text);
  try {
    entries_.push_back(Entry{offset, static_cast<uint32_t>(text.size())});
    try {
      if (has_objects_) objects_.push_back(object);
    } catch (...) {
      entries_.pop_back();
      throw;
    }
  } catch (...) {
    text_.resize(offset);
    throw;
  }
  Changed();
  return Count() - 1;
}

void TStringList::AddStrings(const TStringList& other) {
  if (&other == this) {
    const TStringList copy(other);
    AddStrings(copy);
    return;
  }
  if (other.Empty()) return;
  const size_t added = other.text_.size() - other.unused_;
  if (added > kMaximumText - text_.size())
    throw std::length_error("A string list holds at most 4 GiB of text");
  if (other.has_objects_) MakeObjects();
  // Exact room for the first batch, doubling for the ones after it.
  const size_t entries = entries_.size() + other.entries_.size();
  if (entries > entries_.capacity()) entries_.reserve(std::max(entries, 2 * entries_.capacity()));
  if (has_objects_ && entries > objects_.capacity())
    objects_.reserve(std::max(entries, 2 * objects_.capacity()));
  if (text_.size() + added > text_.capacity())
    text_.reserve(std::max(text_.size() + added, 2 * text_.capacity()));
  // Nothing below allocates: the list cannot be left half extended.
  if (other.unused_ == 0) {
    const uint32_t base = static_cast<uint32_t>(text_.size());
    text_.append(other.text_);
    for (const Entry& entry : other.entries_)
      entries_.push_back(Entry{base + entry.offset, entry.length});
  } else {
    for (const Entry& entry : other.entries_) {
      const uint32_t offset = static_cast<uint32_t>(text_.size());
      text_.append(other.text_, entry.offset, entry.length);
      entries_.push_back(Entry{offset, entry.length});
    }
  }
  if (has_objects_) {
    if (!other.has_objects_)
      objects_.resize(entries_.size(), nullptr);
    else
      objects_.insert(objects_.end(), other.objects_.begin(), other.objects_.end());
  }
  Changed();
}

void TStringList::Insert(int index, std::string_view text, void* object) {
  if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
  if (object) MakeObjects();
  const uint32_t offset = Store(text);
  try {
    entries_.insert(entries_.begin() + index, Entry{offset, static_cast<uint32_t>(text.size())});
    try {
      if (has_objects_) objects_.insert(objects_.begin() + index, object);
    } catch (...) {
      entries_.erase(entries_.begin() + index);
      throw;
    }
  } catch (...) {
    text_.resize(offset);
    throw;
  }
  Changed();
}

void TStringList::Put(int index, std::string_view text) {
  CheckIndex(index, Count());
  const uint32_t offset = Store(text);
  Entry& entry = entries_[static_cast<size_t>(index)];
  const size_t old_length = entry.length;
  entry.offset = offset;
  entry.length = static_cast<uint32_t>(text.size());
  Forget(old_length);
  Changed();
}

void TStringList::PutObject(int index, void* object) {
  CheckIndex(index, Count());
  if (object) MakeObjects();
  if (has_objects_) objects_[static_cast<size_t>(index)] = object;
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  const size_t length = entries_[static_cast<size_t>(index)].length;
  entries_.erase(entries_.begin() + index);
  if (has_objects_) objects_.erase(objects_.begin() + index);
  Forget(length);
  Changed();
}

void TStringList::Clear() {
  if (entries_.empty() && text_.empty()) return;
  const bool had_entries = !entries_.empty();
  entries_.clear();
  objects_.clear();
  has_objects_ = false;
  text_.clear();
  unused_ = 0;
  if (had_entries) Changed();
}

int TStringList::IndexOf(std::string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Strings(i), text)) return i;
  return -1;
}

int TStringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string_view text = Strings(i);
    const size_t equals = text.find('=');
    if (equals != std::string_view::npos && SameText(text.substr(0, equals), name)) return i;
  }
  return -1;
}

std::string_view TStringList::NameOf(int index) const {
  const std::string_view text = Strings(index);
  const size_t equals = text.find('=');
  return equals == std::string_view::npos ? std::string_view() : text.substr(0, equals);
}

void TStringList::DeleteMarked(const std::vector<char>& marked) {
  size_t kept = 0;
  size_t freed = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (i < marked.size() && marked[i]) {
      freed += entries_[i].length;
      continue;
    }
    if (has_objects_) objects_[kept] = objects_[i];
    entries_[kept++] = entries_[i];
  }
  if (kept == entries_.size()) return;
  entries_.resize(kept);
  if (has_objects_) objects_.resize(kept);
  Forget(freed);
  Changed();
}

void TStringList::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0 && pending_change_) {
    pending_change_ = false;
    if (OnChange) OnChange();
  }
}

void TStringList::Reserve(int entries, size_t text_bytes) {
  if (entries > 0) entries_.reserve(entries_.size() + static_cast<size_t>(entries));
  text_.reserve(text_.size() + text_bytes);
}

std::string TStringList::Text() const {
  std::string text;
  text.reserve(text_.size() - unused_ + 2 * entries_.size());
  for (int i = 0; i < Count(); ++i) {
    text += Strings(i);
    text += "\r\n";
  }
  return text;
}

}  // namespace pq
