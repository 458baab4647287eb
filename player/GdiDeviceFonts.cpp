#include "GdiDeviceFonts.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>

namespace {

// Fonts are made one em = 1024 pixels tall, so that outlines come in the core's units.
constexpr int kEmPixels = 1024;
// Faces made at most; a movie naming more than this many gets the last one made for the rest
// (faces are never dropped: laid out text points at their glyphs).
constexpr std::size_t kMaxFaces = 32;

std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    return wide;
}

// The faces movies name by their generic names, as the system has them.
std::wstring SystemFace(const std::string& face)
{
    if (face == "_sans") return L"Arial";
    if (face == "_serif") return L"Times New Roman";
    if (face == "_typewriter") return L"Courier New";
    return Widen(face).substr(0, LF_FACESIZE - 1);
}

double FromFixed(FIXED value)
{
    return value.value + value.fract / 65536.0;
}

// TrueType outlines (y up, quadratic splines) as the core's edges (y down), ink on the right
// of outer contours so that holes wind the other way.
void AddOutline(const std::uint8_t* data, std::size_t size, Shape& outline)
{
    const auto add = [&](double x0, double y0, double cx, double cy, double x1, double y1, bool curved) {
        ShapeEdge edge;
        edge.x0 = static_cast<std::int32_t>(std::lround(x0));
        edge.y0 = static_cast<std::int32_t>(std::lround(-y0));
        edge.cx = static_cast<std::int32_t>(std::lround(curved ? cx : x1));
        edge.cy = static_cast<std::int32_t>(std::lround(curved ? -cy : -y1));
        edge.x1 = static_cast<std::int32_t>(std::lround(x1));
        edge.y1 = static_cast<std::int32_t>(std::lround(-y1));
        edge.curved = curved;
        edge.fill1 = 1;
        outline.edges.push_back(edge);
    };
    std::size_t pos = 0;
    while (pos + sizeof(TTPOLYGONHEADER) <= size) {
        TTPOLYGONHEADER header;
        std::copy_n(data + pos, sizeof header, reinterpret_cast<std::uint8_t*>(&header));
        if (header.cb < sizeof header || pos + header.cb > size) return;
        const double startX = FromFixed(header.pfxStart.x);
        const double startY = FromFixed(header.pfxStart.y);
        double x = startX;
        double y = startY;
        std::size_t at = pos + sizeof header;
        while (at + offsetof(TTPOLYCURVE, apfx) <= pos + header.cb) {
            WORD type = 0;
            WORD count = 0;
            std::copy_n(data + at, sizeof type, reinterpret_cast<std::uint8_t*>(&type));
            std::copy_n(data + at + sizeof type, sizeof count, reinterpret_cast<std::uint8_t*>(&count));
            const std::size_t pointsAt = at + offsetof(TTPOLYCURVE, apfx);
            if (pointsAt + count * sizeof(POINTFX) > pos + header.cb) return;
            std::vector<POINTFX> points(count);
            std::copy_n(data + pointsAt, count * sizeof(POINTFX), reinterpret_cast<std::uint8_t*>(points.data()));
            for (WORD i = 0; i < count; ++i) {
                const double px = FromFixed(points[i].x);
                const double py = FromFixed(points[i].y);
                if (type == TT_PRIM_QSPLINE && i + 1 < count) {
                    // Between two off-curve points lies an implied on-curve one.
                    const bool last = i + 2 == count;
                    const double nx = FromFixed(points[i + 1].x);
                    const double ny = FromFixed(points[i + 1].y);
                    const double ex = last ? nx : (px + nx) / 2;
                    const double ey = last ? ny : (py + ny) / 2;
                    add(x, y, px, py, ex, ey, true);
                    x = ex;
                    y = ey;
                    if (last) break;
                } else if (type != TT_PRIM_QSPLINE) {
                    add(x, y, 0, 0, px, py, false);
                    x = px;
                    y = py;
                }
            }
            at = pointsAt + count * sizeof(POINTFX);
        }
        if (x != startX || y != startY) add(x, y, 0, 0, startX, startY, false);
        pos += header.cb;
    }
}

} // namespace

struct CGdiDeviceFonts::Context {
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ original = nullptr;

    ~Context()
    {
        if (original) ::SelectObject(dc, original);
        if (dc) ::DeleteDC(dc);
    }
};

struct CGdiDeviceFonts::Face {
    DeviceFontKey key;
    HFONT font = nullptr;
    double ascent = 0.9 * kEmPixels;
    double descent = 0.22 * kEmPixels;
    std::unordered_map<char32_t, std::unique_ptr<DeviceGlyph>> glyphs;  // null: no glyph

    Face() = default;
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;
    ~Face()
    {
        if (font) ::DeleteObject(font);
    }
};

CGdiDeviceFonts::CGdiDeviceFonts() : m_pContext(std::make_unique<Context>()) {}

CGdiDeviceFonts::~CGdiDeviceFonts()
{
    // The fonts go after the DC lets go of them.
    m_pContext.reset();
    m_faces.clear();
}

CGdiDeviceFonts::Face* CGdiDeviceFonts::FaceFor(const DeviceFontKey& key)
{
    for (const auto& face : m_faces) {
        if (face->key == key) return face.get();
    }
    if (!m_pContext->dc) return nullptr;
    if (m_faces.size() >= kMaxFaces) return m_faces.back().get();
    auto face = std::make_unique<Face>();
    face->key = key;
    LOGFONTW description{};
    description.lfHeight = -kEmPixels;
    description.lfWeight = key.bold ? FW_BOLD : FW_NORMAL;
    description.lfItalic = key.italic ? TRUE : FALSE;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfOutPrecision = OUT_TT_PRECIS;
    description.lfQuality = ANTIALIASED_QUALITY;
    const std::wstring name = SystemFace(key.face);
    std::copy(name.begin(), name.end(), description.lfFaceName);
    face->font = ::CreateFontIndirectW(&description);
    if (!face->font) return nullptr;
    HGDIOBJ previous = ::SelectObject(m_pContext->dc, face->font);
    if (!m_pContext->original) m_pContext->original = previous;
    TEXTMETRICW metrics{};
    if (::GetTextMetricsW(m_pContext->dc, &metrics)) {
        face->ascent = metrics.tmAscent;
        face->descent = metrics.tmDescent;
    }
    m_faces.push_back(std::move(face));
    return m_faces.back().get();
}

const DeviceGlyph* CGdiDeviceFonts::GetGlyph(const DeviceFontKey& font, char32_t code)
{
    Face* face = FaceFor(font);
    if (!face || code > 0xFFFF) return nullptr;
    const auto found = face->glyphs.find(code);
    if (found != face->glyphs.end()) return found->second.get();
    ::SelectObject(m_pContext->dc, face->font);
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    GLYPHMETRICS metrics{};
    const UINT character = static_cast<UINT>(code);
    const DWORD size = ::GetGlyphOutlineW(m_pContext->dc, character, GGO_NATIVE | GGO_UNHINTED, &metrics, 0, nullptr, &identity);
    std::unique_ptr<DeviceGlyph> glyph;
    if (size != GDI_ERROR) {
        glyph = std::make_unique<DeviceGlyph>();
        std::vector<std::uint8_t> buffer(size);
        if (size > 0 && ::GetGlyphOutlineW(m_pContext->dc, character, GGO_NATIVE | GGO_UNHINTED, &metrics, size,
                                           buffer.data(), &identity) != GDI_ERROR)
            AddOutline(buffer.data(), buffer.size(), glyph->outline);
        glyph->advance = metrics.gmCellIncX;
    }
    return (face->glyphs[code] = std::move(glyph)).get();
}

void CGdiDeviceFonts::GetMetrics(const DeviceFontKey& font, double& ascent, double& descent)
{
    if (const Face* face = FaceFor(font)) {
        ascent = face->ascent;
        descent = face->descent;
    }
}
