// CScriptHost: the clip tree as scripts see it: finding clips, their properties, play heads,
// clips made and removed, depths, dragging, bounds, hit tests and masks.
#include "CScriptHost.h"

#include "DisplayBounds.h"
#include "HitTest.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwips = 20;
// Positions and scales a script sets are held to these, so that drawing never overflows.
constexpr double kMaxTwips = 1 << 26;
constexpr double kMaxScale = 1e4;
// Script depths a clip may be made at (as attachMovie and duplicateMovieClip take them), and
// those it may be removed from.
constexpr int kLowestDepth = -16384;
constexpr int kHighestDepth = 1048575;

const Timeline& EmptyTimeline()
{
    static const Timeline empty = [] {
        Timeline timeline;
        timeline.frames.emplace_back();
        return timeline;
    }();
    return empty;
}

double XScale(const Matrix& m)
{
    return std::sqrt(m.a * m.a + m.b * m.b);
}

// Negative for a mirrored matrix, so that scales and rotation give it back.
double YScale(const Matrix& m)
{
    const double scale = std::sqrt(m.c * m.c + m.d * m.d);
    return m.a * m.d - m.b * m.c < 0 ? -scale : scale;
}

double Rotation(const Matrix& m)
{
    if (m.a == 0 && m.b == 0) return std::atan2(-m.c, m.d) * 180 / kPi;
    return std::atan2(m.b, m.a) * 180 / kPi;
}

void Compose(Matrix& m, double xScale, double yScale, double degrees)
{
    const double radians = degrees * kPi / 180;
    xScale = std::clamp(xScale, -kMaxScale, kMaxScale);
    yScale = std::clamp(yScale, -kMaxScale, kMaxScale);
    m.a = xScale * std::cos(radians);
    m.b = xScale * std::sin(radians);
    m.c = -yScale * std::sin(radians);
    m.d = yScale * std::cos(radians);
}

bool SameName(const std::string& a, const std::string& b, bool caseBlind)
{
    if (!caseBlind) return a == b;
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

// ---- finding ----

DisplayObject* CScriptHost::Object(int clip) const
{
    const auto found = m_index.find(clip);
    return found == m_index.end() ? nullptr : found->second.object;
}

const DisplayObject* CScriptHost::Find(int id) const
{
    return Object(id);
}

CTimelineState* CScriptHost::ListOf(int clip) const
{
    const DisplayObject* object = Object(clip);
    return object && object->IsClip() ? object->sprite.get() : nullptr;
}

// The list the object is on; null for the main timeline, and for an object taken off its list.
CTimelineState* CScriptHost::ParentList(int clip) const
{
    const DisplayObject* object = Object(clip);
    CTimelineState* list = object ? ListOf(Parent(clip)) : nullptr;
    if (!list) return nullptr;
    const auto found = list->GetObjects().find(object->depth);
    return found != list->GetObjects().end() && &found->second == object ? list : nullptr;
}

bool CScriptHost::StageMatrix(int id, Matrix& matrix) const
{
    const DisplayObject* object = Object(id);
    if (!object) return false;
    matrix = object->matrix;
    int at = Parent(id);
    for (int steps = 0; at && steps < 64; ++steps) {
        const DisplayObject* parent = Object(at);
        if (!parent) break;
        matrix = parent->matrix.Then(matrix);
        at = Parent(at);
    }
    return true;
}

int CScriptHost::Parent(int clip)
{
    const auto found = m_index.find(clip);
    return found == m_index.end() ? 0 : found->second.parent;
}

int CScriptHost::Parent(int clip) const
{
    const auto found = m_index.find(clip);
    return found == m_index.end() ? 0 : found->second.parent;
}

int CScriptHost::Child(int clip, const std::string& name)
{
    const CTimelineState* list = ListOf(clip);
    if (!list || name.empty()) return 0;
    const bool caseBlind = m_movie.GetVersion() < 7;
    for (const auto& [depth, object] : list->GetObjects()) {
        if (SameName(object.name, name, caseBlind)) return object.id;
    }
    return 0;
}

std::string CScriptHost::Name(int clip)
{
    const DisplayObject* object = Object(clip);
    return object ? object->name : std::string();
}

// ---- properties ----

ClipValue CScriptHost::GetProperty(int clip, int property)
{
    ClipValue value;
    DisplayObject* object = Object(clip);
    if (!object) return value;
    const Matrix& m = object->matrix;
    const CTimelineState* timeline = object->IsClip() ? object->sprite.get() : nullptr;
    switch (property) {
    case PROP_X: value.number = m.tx / kTwips; break;
    case PROP_Y: value.number = m.ty / kTwips; break;
    case PROP_XSCALE: value.number = XScale(m) * 100; break;
    case PROP_YSCALE: value.number = YScale(m) * 100; break;
    case PROP_ROTATION: value.number = Rotation(m); break;
    case PROP_ALPHA: value.number = object->colour.multA * 100.0; break;
    case PROP_VISIBLE: value.number = object->visible ? 1 : 0; break;
    case PROP_WIDTH:
    case PROP_HEIGHT: {
        const BoundsBox box = ContentBounds(m_movie, *object, m, m_pFonts);
        if (!box.empty) value.number = (property == PROP_WIDTH ? box.xMax - box.xMin : box.yMax - box.yMin) / kTwips;
        break;
    }
    case PROP_CURRENTFRAME: value.number = timeline ? timeline->GetFrame() + 1 : 1; break;
    case PROP_TOTALFRAMES:
    case PROP_FRAMESLOADED: value.number = timeline ? timeline->GetFrameCount() : 1; break;
    case PROP_DROPTARGET:
        value.isText = true;
        value.text = object->dropTarget;
        break;
    case PROP_URL:
        value.isText = true;
        value.text = m_strUrl;
        break;
    case PROP_QUALITY:
        value.isText = true;
        value.text = "HIGH";
        break;
    case PROP_HIGHQUALITY:
    case PROP_FOCUSRECT: value.number = 1; break;
    case PROP_SOUNDBUFTIME: value.number = 5; break;
    case PROP_XMOUSE:
    case PROP_YMOUSE: {
        double x = m_dMouseX / kTwips, y = m_dMouseY / kTwips;
        ConvertPoint(clip, x, y, true);
        value.number = property == PROP_XMOUSE ? x : y;
        break;
    }
    default: break;
    }
    return value;
}

void CScriptHost::SetProperty(int clip, int property, const ClipValue& value)
{
    DisplayObject* object = Object(clip);
    if (!object) return;
    if (property == PROP_NAME) {
        object->name = value.text;
        return;
    }
    const double number = value.number;
    if (value.isText || !std::isfinite(number)) return;
    Matrix& m = object->matrix;
    switch (property) {
    case PROP_X: m.tx = std::clamp(number * kTwips, -kMaxTwips, kMaxTwips); break;
    case PROP_Y: m.ty = std::clamp(number * kTwips, -kMaxTwips, kMaxTwips); break;
    case PROP_XSCALE: Compose(m, number / 100, YScale(m), Rotation(m)); break;
    case PROP_YSCALE: Compose(m, XScale(m), number / 100, Rotation(m)); break;
    case PROP_ROTATION: Compose(m, XScale(m), YScale(m), number); break;
    case PROP_WIDTH:
    case PROP_HEIGHT: {
        const BoundsBox box = ContentBounds(m_movie, *object, m, m_pFonts);
        const double now = property == PROP_WIDTH ? box.xMax - box.xMin : box.yMax - box.yMin;
        if (box.empty || now <= 0) return;
        const double factor = number * kTwips / now;
        if (property == PROP_WIDTH) Compose(m, XScale(m) * factor, YScale(m), Rotation(m));
        else Compose(m, XScale(m), YScale(m) * factor, Rotation(m));
        break;
    }
    case PROP_ALPHA: object->colour.multA = static_cast<float>(std::clamp(number, -1e4, 1e4) / 100); break;
    case PROP_VISIBLE: object->visible = number != 0; return;
    default: return;
    }
    // The timeline's later moves no longer reach what a script placed.
    object->detached = true;
}

// ---- play heads ----

void CScriptHost::GotoFrame(int clip, int frame)
{
    if (CTimelineState* timeline = ListOf(clip)) timeline->GotoFrame(frame);
}

bool CScriptHost::GotoLabel(int clip, const std::string& label)
{
    CTimelineState* timeline = ListOf(clip);
    const int frame = timeline ? timeline->FindLabel(label) : -1;
    if (frame < 0) return false;
    timeline->GotoFrame(frame);
    return true;
}

void CScriptHost::Play(int clip, bool play)
{
    if (CTimelineState* timeline = ListOf(clip)) timeline->SetPlaying(play);
}

std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> CScriptHost::FrameActions(int clip, int frame)
{
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> codes;
    const CTimelineState* timeline = ListOf(clip);
    if (!timeline || frame < 0 || frame >= timeline->GetFrameCount()) return codes;
    for (const ControlTag& tag : timeline->GetTimeline().frames[static_cast<std::size_t>(frame)].tags) {
        if (tag.kind == ControlKind::Actions && tag.code) codes.push_back(tag.code);
    }
    return codes;
}

// ---- clips made and removed ----

bool CScriptHost::ValidDepth(int depth) const
{
    return depth >= kLowestDepth && depth <= kHighestDepth;
}

int CScriptHost::Duplicate(int clip, const std::string& name, int depth)
{
    const DisplayObject* source = Object(clip);
    CTimelineState* list = ParentList(clip);
    const int key = depth + CTimelineState::kScriptDepthBase;
    if (!source || !source->IsClip() || !list || !ValidDepth(depth) || source->depth == key) return 0;
    // Taken before the new object may push another off the list.
    const Timeline& timeline = source->sprite->GetTimeline();
    const std::uint16_t characterId = source->characterId;
    const Matrix matrix = source->matrix;
    const ColourTransform colour = source->colour;
    const bool visible = source->visible;
    const std::uint8_t blendMode = source->blendMode;
    const std::vector<ClipAction>* clipActions = source->clipActions;
    std::unique_ptr<CDrawing> drawing = source->drawing ? std::make_unique<CDrawing>(*source->drawing) : nullptr;
    DisplayObject* copy = list->Add(key);
    if (!copy) return 0;
    copy->characterId = characterId;
    copy->name = name;
    copy->matrix = matrix;
    copy->colour = colour;
    copy->visible = visible;
    copy->blendMode = blendMode;
    copy->clipActions = clipActions;
    copy->drawing = std::move(drawing);
    Placed(*list, *copy);
    list->MakeSprite(*copy, timeline);
    Loaded(*copy);
    return copy->id;
}

int CScriptHost::Attach(int parent, const std::string& exportName, const std::string& name, int depth)
{
    const std::uint16_t characterId = m_movie.FindExport(exportName);
    const Sprite* sprite = m_movie.FindSprite(characterId);
    if (!sprite || !ListOf(parent) || !ValidDepth(depth)) return 0;
    // The symbol's DoInitAction comes first: it may register the class the clip takes.
    RunInit(characterId);
    CTimelineState* list = ListOf(parent);
    DisplayObject* object = list ? list->Add(depth + CTimelineState::kScriptDepthBase) : nullptr;
    if (!object) return 0;
    object->characterId = characterId;
    object->name = name;
    Index(list, *object);
    list->MakeSprite(*object, sprite->timeline);
    Loaded(*object);
    return object->id;
}

int CScriptHost::CreateEmpty(int parent, const std::string& name, int depth)
{
    CTimelineState* list = ListOf(parent);
    DisplayObject* object = list && ValidDepth(depth) ? list->Add(depth + CTimelineState::kScriptDepthBase) : nullptr;
    if (!object) return 0;
    object->name = name;
    Index(list, *object);
    list->MakeSprite(*object, EmptyTimeline());
    return object->id;
}

void CScriptHost::Remove(int clip)
{
    const DisplayObject* object = Object(clip);
    CTimelineState* list = ParentList(clip);
    // Only what lies at script depths can go; the timeline's own objects stay.
    if (!object || !list || object->depth < CTimelineState::kScriptDepthBase ||
        object->depth > CTimelineState::kScriptDepthBase + kHighestDepth)
        return;
    list->Remove(object->depth);
}

int CScriptHost::Depth(int clip)
{
    const DisplayObject* object = Object(clip);
    return object ? object->depth - CTimelineState::kScriptDepthBase : 0;
}

int CScriptHost::NextHighestDepth(int clip)
{
    const CTimelineState* list = ListOf(clip);
    if (!list || list->GetObjects().empty()) return 0;
    return std::max(list->GetObjects().rbegin()->first - CTimelineState::kScriptDepthBase + 1, 0);
}

void CScriptHost::SwapDepths(int clip, int depth)
{
    const DisplayObject* object = Object(clip);
    CTimelineState* list = ParentList(clip);
    if (object && list && ValidDepth(depth)) list->SwapDepths(object->depth, depth + CTimelineState::kScriptDepthBase);
}

int CScriptHost::InstanceAtDepth(int clip, int depth)
{
    const CTimelineState* list = ListOf(clip);
    if (!list) return 0;
    const auto found = list->GetObjects().find(depth + CTimelineState::kScriptDepthBase);
    return found == list->GetObjects().end() ? 0 : found->second.id;
}

// ---- dragging ----

void CScriptHost::StartDrag(int clip, bool lockCentre, const double* bounds)
{
    const DisplayObject* object = Object(clip);
    Matrix parent;
    if (!object || clip == m_nRoot || !StageMatrix(Parent(clip), parent)) return;
    Matrix inverse;
    if (!parent.Invert(inverse)) return;
    m_drag = Drag();
    m_drag.clip = clip;
    m_drag.lockCentre = lockCentre;
    if (bounds && std::all_of(bounds, bounds + 4, [](double b) { return std::isfinite(b); })) {
        m_drag.bounded = true;
        m_drag.bounds[0] = std::min(bounds[0], bounds[2]);
        m_drag.bounds[1] = std::min(bounds[1], bounds[3]);
        m_drag.bounds[2] = std::max(bounds[0], bounds[2]);
        m_drag.bounds[3] = std::max(bounds[1], bounds[3]);
    }
    const double mouseX = inverse.a * m_dMouseX + inverse.c * m_dMouseY + inverse.tx;
    const double mouseY = inverse.b * m_dMouseX + inverse.d * m_dMouseY + inverse.ty;
    m_drag.offsetX = object->matrix.tx - mouseX;
    m_drag.offsetY = object->matrix.ty - mouseY;
    FollowDrag();
}

void CScriptHost::FollowDrag()
{
    DisplayObject* object = Object(m_drag.clip);
    Matrix parent, inverse;
    if (!object || !StageMatrix(Parent(m_drag.clip), parent) || !parent.Invert(inverse)) return;
    double x = inverse.a * m_dMouseX + inverse.c * m_dMouseY + inverse.tx;
    double y = inverse.b * m_dMouseX + inverse.d * m_dMouseY + inverse.ty;
    if (!m_drag.lockCentre) {
        x += m_drag.offsetX;
        y += m_drag.offsetY;
    }
    if (m_drag.bounded) {
        x = std::clamp(x, m_drag.bounds[0] * kTwips, m_drag.bounds[2] * kTwips);
        y = std::clamp(y, m_drag.bounds[1] * kTwips, m_drag.bounds[3] * kTwips);
    }
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    object->matrix.tx = std::clamp(x, -kMaxTwips, kMaxTwips);
    object->matrix.ty = std::clamp(y, -kMaxTwips, kMaxTwips);
    object->detached = true;
}

void CScriptHost::StopDrag()
{
    DisplayObject* object = Object(m_drag.clip);
    if (object) {
        // The innermost clip under the mouse, not the dragged one or what it holds.
        const int dragged = m_drag.clip;
        int under = 0;
        std::vector<int> clips = ClipsNow();
        for (int clip : clips) {
            bool inside = false;
            for (int at = clip; at && !inside; at = Parent(at)) inside = at == dragged;
            const DisplayObject* candidate = Object(clip);
            Matrix matrix;
            if (inside || clip == m_nRoot || !candidate || !StageMatrix(clip, matrix)) continue;
            if (HitsObject(m_movie, *candidate, matrix, m_dMouseX, m_dMouseY)) {
                under = clip;
                break;
            }
        }
        object->dropTarget = under ? m_vm.ClipPath(under, true) : std::string();
    }
    m_drag = Drag();
}

// ---- bounds, hits, masks ----

bool CScriptHost::GetBounds(int clip, int space, double bounds[4])
{
    const DisplayObject* object = Object(clip);
    Matrix clipToStage, spaceToStage, stageToSpace;
    if (!object || !StageMatrix(clip, clipToStage)) return false;
    if (space && !StageMatrix(space, spaceToStage)) return false;
    if (!spaceToStage.Invert(stageToSpace)) return false;
    const BoundsBox box = ContentBounds(m_movie, *object, stageToSpace.Then(clipToStage), m_pFonts);
    if (box.empty) return false;
    bounds[0] = box.xMin / kTwips;
    bounds[1] = box.xMax / kTwips;
    bounds[2] = box.yMin / kTwips;
    bounds[3] = box.yMax / kTwips;
    return true;
}

bool CScriptHost::HitTestPoint(int clip, double x, double y, bool shape)
{
    const DisplayObject* object = Object(clip);
    Matrix matrix;
    if (!object || !StageMatrix(clip, matrix)) return false;
    x *= kTwips;
    y *= kTwips;
    if (shape) return HitsObject(m_movie, *object, matrix, x, y);
    return ContentBounds(m_movie, *object, matrix, m_pFonts).Contains(x, y);
}

bool CScriptHost::HitTestClip(int clip, int other)
{
    const DisplayObject* a = Object(clip);
    const DisplayObject* b = Object(other);
    Matrix aMatrix, bMatrix;
    if (!a || !b || !StageMatrix(clip, aMatrix) || !StageMatrix(other, bMatrix)) return false;
    return ContentBounds(m_movie, *a, aMatrix, m_pFonts).Meets(ContentBounds(m_movie, *b, bMatrix, m_pFonts));
}

void CScriptHost::ConvertPoint(int clip, double& x, double& y, bool inward)
{
    Matrix matrix, inverse;
    if (!StageMatrix(clip, matrix)) return;
    if (inward) {
        if (!matrix.Invert(inverse)) return;
        matrix = inverse;
    }
    const double u = x * kTwips, v = y * kTwips;
    x = (matrix.a * u + matrix.c * v + matrix.tx) / kTwips;
    y = (matrix.b * u + matrix.d * v + matrix.ty) / kTwips;
}

void CScriptHost::SetMask(int clip, int mask)
{
    DisplayObject* object = Object(clip);
    if (!object || mask == clip) return;
    if (DisplayObject* old = Object(object->maskId)) old->isScriptMask = false;
    DisplayObject* shape = Object(mask);
    object->maskId = shape ? mask : 0;
    if (shape) shape->isScriptMask = true;
}
