#pragma once
// An ordered list of text entries, each with an object pointer that the list
// does not own. Duplicates are allowed; lookups ignore case the way the
// user's locale does (pq::CompareText).
#include <functional>
#include <string>
#include <string_view>
#include <utility>
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
  const std::string& operator[](int index) const { return entries_.at(index).text; }
  const std::string& Strings(int index) const { return entries_.at(index).text; }
  void* Objects(int index) const { return entries_.at(index).object; }

  // Appends; returns the new entry's index.
  int Add(std::string text, void* object = nullptr) {
    entries_.push_back(Entry{std::move(text), object});
    Changed();
    return Count() - 1;
  }
  void Insert(int index, std::string text, void* object = nullptr);
  void Put(int index, std::string text);
  void PutObject(int index, void* object);
  virtual void Delete(int index);
  virtual void Clear();

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

 protected:
  // Deletes, in one pass, every entry whose flag is set (flags by index).
  void DeleteMarked(const std::vector<char>& marked);
  void Changed() {
    if (update_count_ > 0)
      pending_change_ = true;
    else if (OnChange)
      OnChange();
  }

 private:
  struct Entry {
    std::string text;
    void* object;
  };
  std::vector<Entry> entries_;
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
