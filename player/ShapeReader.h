#pragma once
// Reads the body of a DefineShape tag (versions 1 to 4) after its character id. Platform-neutral.
#include "CBitReader.h"
#include "ModelBudget.h"
#include "SwfTypes.h"

// False when the shape's data is cut short, malformed or over budget; the styles and edges
// read up to that point stay in `shape`.
bool ReadShape(CBitReader& reader, int version, Shape& shape, CModelBudget& budget);
