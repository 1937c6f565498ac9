// Kinds whose live items this program does not build yet: some toolbar
// buttons. Their entries keep the ids and sizes so that pages holding them
// load and save unchanged; they stay out of the kind menu.
#include "displays/itemkind.h"

namespace {

// Toolbar buttons that wait for the overlays list, place search and the
// lock screen.
const CPlainItemKind<122> k122("Toolbar: Overlays Button", 7, 100, 70);
const CPlainItemKind<125> k125("Toolbar: Search", 7, 70, 50);
const CPlainItemKind<129> k129("Toolbar: Lock Screen", 7, 70, 50);

}  // namespace
