#include "CMovie.h"

#include "CMovieReader.h"
#include "Inflate.h"
#include "Lzma.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr std::size_t kFileHeaderSize = 8;  // signature, version, file length
constexpr std::size_t kLzmaHeaderSize = 17;  // and the compressed length, the LZMA properties

} // namespace

namespace {

// The bytes after the file header, expanded if the movie is compressed; `expanded` holds them
// then. False when a compressed stream is damaged. `complete` turns false when the body is
// shorter than the header says.
bool ExpandBody(const std::uint8_t* data, std::size_t size, std::size_t bodyDeclared,
                std::vector<std::uint8_t>& expanded, const std::uint8_t*& body, std::size_t& bodySize, bool& complete)
{
    body = data + kFileHeaderSize;
    bodySize = size - kFileHeaderSize;
    complete = true;
    if (data[0] == 'C') {
        const InflateStatus status = ZlibInflate(body, bodySize, bodyDeclared, expanded);
        if (status == InflateStatus::BadData || status == InflateStatus::BadChecksum) return false;
        // Reaching the declared length is enough: what the stream holds past it is not part of
        // the movie.
        complete = status == InflateStatus::Ok || status == InflateStatus::TooLarge;
        body = expanded.data();
        bodySize = expanded.size();
    } else if (data[0] == 'Z') {
        // After the lengths: the compressed length (not needed, the stream runs to the end of
        // the file), five property bytes, the stream.
        if (size < kLzmaHeaderSize) return false;
        const LzmaStatus status = LzmaDecode(data + 12, data + kLzmaHeaderSize, size - kLzmaHeaderSize, bodyDeclared,
                                             bodyDeclared, expanded);
        if (status == LzmaStatus::BadData) return false;
        complete = status != LzmaStatus::Truncated;
        body = expanded.data();
        bodySize = expanded.size();
    }
    bodySize = std::min(bodySize, bodyDeclared);
    if (bodySize < bodyDeclared) complete = false;
    return true;
}

} // namespace

std::unique_ptr<CMovie> CMovie::Load(const std::uint8_t* data, std::size_t size, std::string& note,
                                     const ImageDecoder& decoder, const Mp3DecoderFactory& mp3)
{
    note.clear();
    if (size < kFileHeaderSize || data[1] != 'W' || data[2] != 'S' ||
        (data[0] != 'F' && data[0] != 'C' && data[0] != 'Z')) {
        note = kNotAMovie;
        return nullptr;
    }
    const std::size_t declared = data[4] | data[5] << 8 | data[6] << 16 | static_cast<std::size_t>(data[7]) << 24;
    const bool compressed = data[0] != 'F';
    std::vector<std::uint8_t> expanded;
    const std::uint8_t* body = nullptr;
    std::size_t bodySize = 0;
    bool complete = true;
    if (declared < kFileHeaderSize || (compressed && declared > kMaxMovieBytes) ||
        !ExpandBody(data, size, declared - kFileHeaderSize, expanded, body, bodySize, complete)) {
        note = kDamaged;
        return nullptr;
    }

    std::unique_ptr<CMovie> movie(new CMovie());
    movie->m_nVersion = data[3];
    movie->m_bCompressed = compressed;
    movie->m_nFileLength = declared;
    movie->m_mp3Decoder = mp3;
    CBitReader reader(body, bodySize);
    movie->m_stage = reader.Rect();
    movie->m_nFrameRate = reader.U16();
    movie->m_nDeclaredFrames = reader.U16();
    if (reader.Failed()) {
        note = kDamaged;
        return nullptr;
    }
    CMovieReader tags(*movie, decoder);
    if (!tags.ReadMainTimeline(reader)) complete = false;
    movie->m_bComplete = complete;
    return movie;
}

unsigned CMovie::GetFrameIntervalMs() const
{
    if (m_nFrameRate == 0) return 1000 / 12;
    const unsigned interval = (256u * 1000u + m_nFrameRate / 2) / m_nFrameRate;
    return std::clamp(interval, 10u, 256u * 1000u);
}

namespace {

template <class Map>
const typename Map::mapped_type* FindIn(const Map& map, std::uint16_t id)
{
    const auto found = map.find(id);
    return found == map.end() ? nullptr : &found->second;
}

} // namespace

const Shape* CMovie::FindShape(std::uint16_t id) const
{
    return FindIn(m_shapes, id);
}

const Bitmap* CMovie::FindBitmap(std::uint16_t id) const
{
    return FindIn(m_bitmaps, id);
}

const Sprite* CMovie::FindSprite(std::uint16_t id) const
{
    return FindIn(m_sprites, id);
}

const MorphShape* CMovie::FindMorph(std::uint16_t id) const
{
    return FindIn(m_morphs, id);
}

const Font* CMovie::FindFont(std::uint16_t id) const
{
    return FindIn(m_fonts, id);
}

const StaticText* CMovie::FindText(std::uint16_t id) const
{
    return FindIn(m_texts, id);
}

const EditText* CMovie::FindEditText(std::uint16_t id) const
{
    return FindIn(m_editTexts, id);
}

const Button* CMovie::FindButton(std::uint16_t id) const
{
    return FindIn(m_buttons, id);
}

const Font* CMovie::FindFontByName(const std::string& name, bool bold, bool italic) const
{
    const auto same = [](const std::string& a, const std::string& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y)); });
    };
    const Font* best = nullptr;
    for (const auto& [id, font] : m_fonts) {
        if (font.glyphs.empty() || !same(font.name, name)) continue;
        if (font.bold == bold && font.italic == italic) return &font;
        // Ties go to the lowest id, so that the choice does not depend on the map's order.
        if (!best || &font < best) best = &font;
    }
    return best;
}

const EventSound* CMovie::FindSound(std::uint16_t id) const
{
    const auto found = m_sounds.find(id);
    return found == m_sounds.end() ? nullptr : &found->second;
}

std::uint16_t CMovie::FindSoundId(const std::string& name) const
{
    const std::uint16_t id = FindExport(name);
    return m_sounds.count(id) != 0 ? id : 0;
}

std::uint16_t CMovie::FindExport(const std::string& name) const
{
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto found = m_exports.find(key);
    return found == m_exports.end() ? 0 : found->second;
}

const std::string& CMovie::ExportName(std::uint16_t id) const
{
    static const std::string kNone;
    const auto found = m_exportNames.find(id);
    return found == m_exportNames.end() ? kNone : found->second;
}
