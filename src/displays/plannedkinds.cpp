// Kinds whose live items this program does not build yet: track
// statistics and some toolbar buttons. Their entries keep the ids and sizes
// so that pages holding them load and save unchanged; they stay out of the
// kind menu.
#include "displays/itemkind.h"

namespace {

const CPlainItemKind<50> k50("Track: Logging Button");
const CPlainItemKind<51> k51("Track: Distance travelled");
const CPlainItemKind<52> k52("Track: Moving Time");
const CPlainItemKind<53> k53("Track: Elapsed Time");
const CPlainItemKind<54> k54("Track: Time not moving");
const CPlainItemKind<55> k55("Track: Avg Moving Speed");
const CPlainItemKind<56> k56("Track: Max Speed");
const CPlainItemKind<117> k117("Track: Resume Button");
const CPlainItemKind<128> k128("Track: Average Speed Overall");
const CPlainItemKind<130> k130("Track: Ascent");
const CPlainItemKind<131> k131("Track: Descent");

// Toolbar buttons that wait for the overlays list, place search, marks,
// routes and the lock screen.
const CPlainItemKind<122> k122("Toolbar: Overlays Button", 7, 100, 70);
const CPlainItemKind<125> k125("Toolbar: Search", 7, 70, 50);
const CPlainItemKind<127> k127("Toolbar: Add Route", 7, 70, 50);
const CPlainItemKind<129> k129("Toolbar: Lock Screen", 7, 70, 50);

}  // namespace
