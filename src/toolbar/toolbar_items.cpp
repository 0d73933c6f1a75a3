#include "toolbar/toolbar_items.h"

#include "platform/error.h"
#include "platform/text.h"
#include "toolbar/toolbar_form.h"

namespace pq {
namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

size_t CaptionLength(const std::string& caption) {
  size_t count = 0;
  for (size_t at = 0; at < caption.size(); ++count) (void)NextCodePoint(caption, at);
  return count;
}

std::string ButtonCaption(const std::string& caption) {
  if (caption.size() <= kMaxButtonCaption) return caption;  // no more characters than bytes
  size_t at = 0;
  for (size_t kept = 0; kept + 1 < kMaxButtonCaption && at < caption.size(); ++kept)
    (void)NextCodePoint(caption, at);
  if (at >= caption.size()) return caption;
  size_t rest = at;
  (void)NextCodePoint(caption, rest);
  if (rest >= caption.size()) return caption;  // exactly the most it shows
  return caption.substr(0, at) + "\u2026";
}

bool IsValidIdent(const std::string& name) {
  if (name.empty() || !IsIdentStart(name[0])) return false;
  for (char c : name)
    if (!IsIdentChar(c)) return false;
  return true;
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsValidIdent(name))
    throw Error("''" + name + "'' is not a valid component name");
  if (owner_) owner_->Rename(*this, name_, name);
  name_ = name;
}

void TTBCustomItem::SetChecked(bool checked) {
  checked_ = checked;
  if (!checked || GroupIndex == 0 || !parent_) return;
  for (TTBCustomItem* sibling : parent_->children_)
    if (sibling != this && sibling->GroupIndex == GroupIndex) sibling->checked_ = false;
}

void TTBCustomItem::Add(TTBCustomItem& child) {
  if (child.parent_) throw Error("The item " + child.Name() + " is placed already");
  for (const TTBCustomItem* up = this; up; up = up->parent_)
    if (up == &child) throw Error("The item " + child.Name() + " cannot hold itself");
  child.parent_ = this;
  children_.push_back(&child);
}

int TTBCustomItem::Level() const {
  int level = 0;
  for (const TTBCustomItem* up = this; up && up->kind_ != TTBItemKind::Root; up = up->parent_)
    ++level;
  return level;
}

}  // namespace pq
