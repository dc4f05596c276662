// The object list: the logged-on user's tables, each with a check box that
// says whether the scripting run scripts it.  Items are kept sorted by
// caption with the process locale's case-sensitive comparison (strcoll;
// byte order in the C locale).  The window mirrors this model in its list
// control; tarlow-script uses it directly.
#pragma once

#include <string>
#include <vector>

namespace tarlow {

class ObjectList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Caption(int i) const { return items_[static_cast<std::size_t>(i)].Caption; }
  bool Ticked(int i) const { return items_[static_cast<std::size_t>(i)].Ticked; }
  void SetTicked(int i, bool ticked);
  // Index of the selected item, -1 for none.
  int Selected() const { return selected_; }
  void SetSelected(int i);

  void Clear();
  // Inserts an unticked item at its sorted place (after equal captions) and
  // returns its index.
  int Add(const std::string& caption);
  // Index of the item with exactly this caption, -1 when there is none.
  int IndexOf(const std::string& caption) const;

  // "Select All": every item takes the box's state (nothing when empty).
  void SelectAll(bool ticked);
  // A character typed in the list.  Space toggles the selected item and then
  // moves the selection one item down (it stays on the last item).  Returns
  // whether the character was handled.
  bool KeyPress(char c);
  // After Log In: the first item becomes the selected one.
  void SelectFirst();

 private:
  struct Item {
    std::string Caption;
    bool Ticked = false;
  };
  std::vector<Item> items_;
  int selected_ = -1;
};

}  // namespace tarlow
