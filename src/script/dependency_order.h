// The order in which views, procedures and functions are written: an object
// comes after the objects of its own kind that it references.
//
// The order is that of repeated sweeps over the list sorted by name: in each
// sweep every object that references one standing after it moves to the end
// of the list, and the object moving into its place waits for the next
// sweep; as many sweeps as there are objects, or fewer once nothing moves.
// Names match ignoring ASCII case; a reference matches the first object of
// that name in the list.  References to objects not in the list are ignored,
// and objects caught in a cycle keep moving until the sweeps run out.
//
// Sweeps are not walked object by object: the objects that have a
// referenced object after them are kept in an ordered set and the walk
// jumps from one to the next, so the cost follows the moves made, not the
// sweeps times the objects.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tarlow {

// One stored object and the objects of its own kind that it references.
struct TOracleObject {
  std::string ObjectName;
  std::vector<std::string> Dependencies;
};

// Reorders objects in place.  tick, when given, is called now and then (to
// let the window process pending messages while a large schema is ordered).
void OrderByDependencies(std::vector<TOracleObject>& objects, const std::function<void()>& tick = {});

}  // namespace tarlow
