#pragma once
// The built-in movie player's core: reading a movie file into a CMovie, then playing it with a
// CPlayer. Platform-neutral; a window around it does only this:
//
//   std::string note;
//   std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note, decoder, mp3);
//   if (!movie) show the note ("Not a movie", "Damaged movie") centred, and stop;
//   CSoundMixer mixer(movie);                     // Mix() on the sound output's thread
//   CPlayer player(movie, &mixer);                // shows the first frame
//   CFrameClock clock(movie->GetFrameRate());     // clock.Start(now) when playing starts
//   on a timer:  clock.Due(now) times player.Advance();  then repaint
//   on paint:  player.Render(pixels, width, height);      // 32-bit BGRX, rows top down,
//                                                         // what StretchDIBits takes with a
//                                                         // negative biHeight
//
// The decoder turns embedded JPEG (or PNG, GIF) bytes into pixels; Load calls it on the
// caller's thread, once per image. Without one those bitmaps stay empty and shapes filled with
// them draw nothing. The MP3 decoder factory does the same for MP3 sound: Load decodes every
// event sound, and streamed MP3 is decoded as it plays (see CSoundMixer); without one, MP3
// sound is silent.
//
// Device fonts (text fields that name a system font rather than embed glyphs) come from an
// IDeviceFonts handed to the CPlayer; the mouse reaches buttons through CPlayer::OnMouse.
//
// A movie is immutable once loaded; any number of players may share it.
#include "SoundDecoding.h"
#include "SwfTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

class CMovie {
public:
    // Fills image.width, image.height and image.pixels (straight RGBA) from image file bytes;
    // false when it cannot.
    using ImageDecoder = std::function<bool(const std::uint8_t* data, std::size_t size, Bitmap& image)>;

    // Plain (FWS), zlib-compressed (CWS) and LZMA-compressed (ZWS) movies are read.
    // A compressed movie may not claim to be larger than this once expanded.
    static constexpr std::size_t kMaxMovieBytes = std::size_t{256} << 20;
    // Pixels of one bitmap (width · height · 4); a larger bitmap is skipped.
    static constexpr std::size_t kMaxBitmapBytes = std::size_t{64} << 20;
    // Everything the parsed movie holds (edges, styles, pixels) together.
    static constexpr std::size_t kMaxModelBytes = std::size_t{512} << 20;
    // Decoded event sounds together (about twelve minutes of 44 kHz stereo); past it, sounds
    // stay silent.
    static constexpr std::size_t kMaxSoundBytes = std::size_t{128} << 20;

    static constexpr const char kNotAMovie[] = "Not a movie";
    static constexpr const char kDamaged[] = "Damaged movie";

    // Null with a note when the bytes are not a movie or the header cannot be read. A movie
    // cut short or damaged after its header keeps the frames before the damage and reports
    // IsComplete() false.
    static std::unique_ptr<CMovie> Load(const std::uint8_t* data, std::size_t size, std::string& note,
                                        const ImageDecoder& decoder = {}, const Mp3DecoderFactory& mp3 = {});

    int GetVersion() const { return m_nVersion; }
    bool IsCompressed() const { return m_bCompressed; }
    bool IsComplete() const { return m_bComplete; }
    const StageRect& GetStage() const { return m_stage; }
    // Frames per second as the header gives it (8.8 fixed point).
    double GetFrameRate() const { return m_nFrameRate / 256.0; }
    // Time between frames for a timer: a rate of 0 counts as 12 per second, and no movie runs
    // faster than 100 per second.
    unsigned GetFrameIntervalMs() const;
    int GetDeclaredFrameCount() const { return m_nDeclaredFrames; }
    int GetFrameCount() const { return static_cast<int>(m_timeline.frames.size()); }
    Rgba GetBackground() const { return m_background; }
    const Timeline& GetTimeline() const { return m_timeline; }

    // True for a movie written for ActionScript 3 (its file attributes say so, or it carries
    // ActionScript 3 byte code), whose scripts this player does not run.
    bool NeedsActionScript3() const { return m_bActionScript3; }

    const Shape* FindShape(std::uint16_t id) const;
    const Bitmap* FindBitmap(std::uint16_t id) const;
    const Sprite* FindSprite(std::uint16_t id) const;
    const MorphShape* FindMorph(std::uint16_t id) const;
    const Font* FindFont(std::uint16_t id) const;
    // An embedded font with glyphs by its name (case blind), preferring the style asked for.
    const Font* FindFontByName(const std::string& name, bool bold, bool italic) const;
    const StaticText* FindText(std::uint16_t id) const;
    const EditText* FindEditText(std::uint16_t id) const;
    const Button* FindButton(std::uint16_t id) const;
    const EventSound* FindSound(std::uint16_t id) const;
    // The id a sound is exported under (ExportAssets, SymbolClass); 0 when none.
    std::uint16_t FindSoundId(const std::string& name) const;
    // The character exported under a name (any letter case), and the first name a character is
    // exported under ("" when none): attachMovie and registered classes find symbols by them.
    std::uint16_t FindExport(const std::string& name) const;
    const std::string& ExportName(std::uint16_t id) const;
    // The length the file's header gives, which scripts read as the bytes loaded and in all.
    std::size_t GetFileLength() const { return m_nFileLength; }
    const Mp3DecoderFactory& GetMp3Decoder() const { return m_mp3Decoder; }
    // True when the movie has sound in a coding the player leaves silent (Nellymoser, Speex).
    bool HasUnplayedSounds() const { return m_bUnplayedSounds; }

private:
    friend class CMovieReader;
    friend class CSoundReader;
    CMovie() = default;

    int m_nVersion = 0;
    bool m_bCompressed = false;
    bool m_bComplete = true;
    StageRect m_stage;
    std::uint16_t m_nFrameRate = 0;
    int m_nDeclaredFrames = 0;
    Rgba m_background{255, 255, 255, 255};
    Timeline m_timeline;
    std::unordered_map<std::uint16_t, Shape> m_shapes;
    std::unordered_map<std::uint16_t, Bitmap> m_bitmaps;
    std::unordered_map<std::uint16_t, Sprite> m_sprites;
    std::unordered_map<std::uint16_t, MorphShape> m_morphs;
    std::unordered_map<std::uint16_t, Font> m_fonts;
    std::unordered_map<std::uint16_t, StaticText> m_texts;
    std::unordered_map<std::uint16_t, EditText> m_editTexts;
    std::unordered_map<std::uint16_t, Button> m_buttons;
    bool m_bActionScript3 = false;
    std::unordered_map<std::uint16_t, EventSound> m_sounds;
    std::unordered_map<std::string, std::uint16_t> m_exports;  // by the name in lower case
    std::unordered_map<std::uint16_t, std::string> m_exportNames;
    std::size_t m_nFileLength = 0;
    Mp3DecoderFactory m_mp3Decoder;
    bool m_bUnplayedSounds = false;
};
