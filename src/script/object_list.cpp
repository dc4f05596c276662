#include "script/object_list.h"

#include <algorithm>
#include <cstring>

namespace tarlow {

void ObjectList::SetTicked(int i, bool ticked) {
  if (i >= 0 && i < Count()) items_[static_cast<std::size_t>(i)].Ticked = ticked;
}

void ObjectList::SetSelected(int i) { selected_ = (i >= 0 && i < Count()) ? i : -1; }

void ObjectList::Clear() {
  items_.clear();
  selected_ = -1;
}

int ObjectList::Add(const std::string& caption) {
  auto it = std::upper_bound(items_.begin(), items_.end(), caption,
                             [](const std::string& c, const Item& item) {
                               return std::strcoll(c.c_str(), item.Caption.c_str()) < 0;
                             });
  const int index = static_cast<int>(it - items_.begin());
  items_.insert(it, Item{caption, false});
  if (selected_ >= index) ++selected_;
  return index;
}

int ObjectList::IndexOf(const std::string& caption) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<std::size_t>(i)].Caption == caption) return i;
  return -1;
}

void ObjectList::SelectAll(bool ticked) {
  for (auto& item : items_) item.Ticked = ticked;
}

bool ObjectList::KeyPress(char c) {
  if (c != ' ' || selected_ < 0) return false;
  items_[static_cast<std::size_t>(selected_)].Ticked = !items_[static_cast<std::size_t>(selected_)].Ticked;
  if (selected_ + 1 < Count()) ++selected_;
  return true;
}

void ObjectList::SelectFirst() {
  if (!items_.empty()) selected_ = 0;
}

}  // namespace tarlow
