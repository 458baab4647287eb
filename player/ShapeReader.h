#pragma once
// Reads shapes: the body of a DefineShape tag (versions 1 to 4) after its character id, the
// outline of a font's glyph, and the two shapes of a DefineMorphShape (versions 1 and 2).
// Platform-neutral.
#include "CBitReader.h"
#include "ModelBudget.h"
#include "SwfTypes.h"

// False when the shape's data is cut short, malformed or over budget; the styles and edges
// read up to that point stay in `shape`.
bool ReadShape(CBitReader& reader, int version, Shape& shape, CModelBudget& budget);

// A glyph: edges only, with no style tables; an edge keeps the fill numbers it was given.
bool ReadGlyph(CBitReader& reader, Shape& glyph, CModelBudget& budget);

// After the character id. False, leaving `morph` unusable, when the two shapes do not pair up.
bool ReadMorphShape(CBitReader& reader, int version, MorphShape& morph, CModelBudget& budget);
