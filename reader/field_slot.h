#pragma once

namespace vantrel {

// Where one field of the current row lies in its page.
struct FieldSlot {
  int start = 0;  // offset in the page; 0 for a missing field
  int size = 0;
  bool isNull = true;
  bool isFixed = false;
  int columnIndex = 0;  // position of the column in the table's column list
};

}  // namespace vantrel
