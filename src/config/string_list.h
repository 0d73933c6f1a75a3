#pragma once
// An ordered list of text entries, each with an object pointer that the list
// does not own. Duplicates are allowed; lookups ignore case the way the
// user's locale does (pq::CompareText).
//
// All text of a list lives in one buffer of its own: a list of many short
// lines costs a few allocations, not one per line. Entries are therefore read
// as views, valid until the list next changes. A list holds at most 4 GiB of
// text; more throws std::length_error.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pq {

class TStringList {
 public:
  TStringList() = default;
  TStringList(const TStringList&) = default;
  TStringList& operator=(const TStringList&) = default;
  TStringList(TStringList&&) = default;
  TStringList& operator=(TStringList&&) = default;
  virtual ~TStringList() = default;

  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  // Indexes outside 0..Count()-1 throw std::out_of_range.
  std::string_view operator[](int index) const { return Strings(index); }
  std::string_view Strings(int index) const {
    const Entry& entry = entries_.at(static_cast<size_t>(index));
    return std::string_view(text_.data() + entry.offset, entry.length);
  }
  void* Objects(int index) const {
    const size_t at = static_cast<size_t>(index);
    if (at >= entries_.size()) entries_.at(at);  // throws
    return has_objects_ ? objects_[at] : nullptr;
  }

  // Appends; returns the new entry's index. The text may be one of this list's own.
  int Add(std::string_view text, void* object = nullptr);
  // Appends all entries of another list (or of this one) with their objects.
  void AddStrings(const TStringList& other);
  void Insert(int index, std::string_view text, void* object = nullptr);
  void Put(int index, std::string_view text);
  void PutObject(int index, void* object);
  virtual void Delete(int index);
  // Empties the list; its buffers stay for the next entries.
  virtual void Clear();
  // Makes room for this many entries holding this many bytes of text in all.
  void Reserve(int entries, size_t text_bytes);

  // Index of the first entry equal to the text without regard to case; -1 when absent.
  virtual int IndexOf(std::string_view text) const;
  // Index of the first entry whose text before its first "=" equals the name
  // without regard to case; -1 when absent. Entries without "=" have no name.
  virtual int IndexOfName(std::string_view name) const;
  // The text before the first "=", or empty when there is none.
  std::string_view NameOf(int index) const;

  // Change notifications: OnChange runs after every change, except that
  // between BeginUpdate and the matching EndUpdate all changes make one
  // notification, at the EndUpdate.
  std::function<void()> OnChange;
  void BeginUpdate() { ++update_count_; }
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  // Every entry's text followed by CR LF.
  std::string Text() const;

  // Deletes, in one pass, every entry whose flag is set (flags by index).
  void DeleteMarked(const std::vector<char>& marked);

 protected:
  void Changed() {
    if (update_count_ > 0)
      pending_change_ = true;
    else if (OnChange)
      OnChange();
  }

 private:
  struct Entry {
    uint32_t offset;  // in text_
    uint32_t length;
  };
  // Copies text to the end of the buffer; returns where it starts.
  uint32_t Store(std::string_view text);
  // Text of replaced and deleted entries is reclaimed once it outweighs the rest.
  void Forget(size_t length);
  // Gives every entry its object slot (null), for the first object stored.
  void MakeObjects();

  std::string text_;
  std::vector<Entry> entries_;
  std::vector<void*> objects_;  // one per entry once an object was stored
  bool has_objects_ = false;
  size_t unused_ = 0;  // bytes of text_ that no entry refers to
  int update_count_ = 0;
  bool pending_change_ = false;
};

// Brackets a list's changes in BeginUpdate/EndUpdate for one scope.
class UpdateScope {
 public:
  explicit UpdateScope(TStringList& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateScope() { list_.EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TStringList& list_;
};

}  // namespace pq
