#pragma once
// Every page of the main window, one row each, in slot order. The window creates its pages
// from here; a page's row also gives it its tab label, its entry in the Pages menu and its
// name for `divuzovuzov --page NAME` (and the screenshots): a new page joins the window by its
// row alone.
#include <cstddef>
#include <string_view>
#include <vector>

class QWidget;

namespace divuzo {

class PageBase;

struct PageEntry {
  int dialogId;
  const char* name;   // "update", "gps-status", ...: what --page takes
  int titleTextId;    // the tab's label and the menu entry (string table)
  PageBase* (*create)(QWidget* parent);
};

const std::vector<PageEntry>& PageTable();
// The slot of the page called `name`; -1 when there is none.
int PageSlotByName(std::string_view name);

} // namespace divuzo
