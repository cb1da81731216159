// The first storage card: the first root entry that is both a directory and
// temporary (how Windows CE marks a mounted card).
#pragma once

#include <cstddef>

#include "platform/ce/CeTypes.h"

// Copies the card's folder name (for example "Storage Card") into `name`,
// which holds `capacity` units; false when there is no card.
bool findStorageCard(ce::WCHAR* name, size_t capacity);
