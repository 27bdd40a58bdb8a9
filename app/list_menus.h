#pragma once
// The right-click menus the window adds: on lstMemo (select the suspects, clear the
// selection, look inside a chapter, review every matter) and on txtFindStr (the field's own
// menu plus the pattern presets, with what each finds in the analysed file). Each menu is built on request, so tests can build it and trigger its actions.
#include <QMenu>
#include <QPoint>

namespace pw {

class frmPagewright;

// The menu of lstMemo for a right click at `pos` (in the list's viewport).
QMenu* buildMemoMenu(frmPagewright& w, const QPoint& pos, QWidget* parent);
// txtFindStr's standard menu with a submenu of the presets.
QMenu* buildPatternMenu(frmPagewright& w, QWidget* parent);
// Shows both menus on right clicks; Ctrl+R opens the review.
void installListMenus(frmPagewright& w);

// Selects every suspect entry of lstMemo, leaving the other selected entries as they are.
void selectSuspects(frmPagewright& w);
// Takes every suspect entry back into the output, leaving the other selected entries as they are.
void deselectSuspects(frmPagewright& w);
// Opens the read-only box with the start of the chapter of list row `row`.
void previewChapter(frmPagewright& w, int row);

} // namespace pw
