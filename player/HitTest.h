#pragma once
// Whether a point of the buffer falls on what a display list shows: on a shape's fills or lines,
// inside a text's box, or on a sprite's contents. Buttons ask it of their hit state. Platform-
// neutral.
#include "CTimelineState.h"

// `matrix` takes the list's coordinates to buffer pixels; (x, y) is in buffer pixels.
bool HitsList(const CTimelineState& list, const Matrix& matrix, double x, double y, int nesting = 0);
// The same for one object: `matrix` takes the object's own coordinates there (its matrix
// applied). A clip's drawing counts as its shape.
bool HitsObject(const CMovie& movie, const DisplayObject& object, const Matrix& matrix, double x, double y,
                int nesting = 0);
