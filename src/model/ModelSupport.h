#pragma once
// Small functions that the model, the inspector and the bars share.

#include "support/Kolor.h"

// While set (the EMF importer sets it for the time of an import), colours
// set on styles and elements are not registered as recently used.
extern bool g_suppressColorRegister;

// Registers a colour as recently used: "twdraw.registerColor" (primary) or
// "twdraw.registerAltColor" with the main window as object and {"color": the
// Kolor}, coalesced so that of a burst only the last of each kind is posted
// when the event loop is idle. Invalid Kolors and suppressed registration
// post nothing.
void RegisterKolor(Kolor kolor, bool primary);
