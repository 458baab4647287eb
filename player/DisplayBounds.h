#pragma once
// The box around what a display object shows, in any space its coordinates are taken to: for
// _width and _height, getBounds and hitTest. Platform-neutral.
#include "CTimelineState.h"
#include "DeviceFonts.h"

struct BoundsBox {
    double xMin = 0;
    double xMax = 0;
    double yMin = 0;
    double yMax = 0;
    bool empty = true;

    void Add(double x, double y);
    void Add(const BoundsBox& other);
    // A rectangle of the space `matrix` starts from, as it lands.
    void Add(const StageRect& rect, const Matrix& matrix);
    bool Contains(double x, double y) const { return !empty && x >= xMin && x <= xMax && y >= yMin && y <= yMax; }
    bool Meets(const BoundsBox& other) const;
};

// What `object` shows (its drawing, character and children; not its own matrix), taken by
// `matrix` to the space asked for. Text fields are measured with `fonts` (may be null).
BoundsBox ContentBounds(const CMovie& movie, const DisplayObject& object, const Matrix& matrix, IDeviceFonts* fonts,
                        int nesting = 0);
