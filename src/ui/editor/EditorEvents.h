#pragma once
// The editor's mouse and key handlers read their modifier flags through the
// support library's mapping.

#include "support/ModifierFlags.h"
