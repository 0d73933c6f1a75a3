#include "toolbar/toolbar_items.h"

#include "platform/error.h"
#include "toolbar/toolbar_form.h"

namespace pq {
namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

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
  // Only an item that holds others can be an ancestor of this one: the way up
  // is walked for such an item alone, never for the new one construction adds.
  bool holds_itself = &child == this;
  for (const TTBCustomItem* up = child.children_.empty() ? nullptr : parent_; up && !holds_itself;
       up = up->parent_)
    holds_itself = up == &child;
  if (holds_itself) throw Error("The item " + child.Name() + " cannot hold itself");
  child.parent_ = this;
  children_.push_back(&child);

  // What the child holds moves down with it; walked without recursion, since
  // such a subtree may be as deep as anyone made it.
  child.level_ = level_ + 1;
  if (child.children_.empty()) return;
  std::vector<TTBCustomItem*> pending{&child};
  while (!pending.empty()) {
    TTBCustomItem* item = pending.back();
    pending.pop_back();
    for (TTBCustomItem* held : item->children_) {
      held->level_ = item->level_ + 1;
      pending.push_back(held);
    }
  }
}

}  // namespace pq
