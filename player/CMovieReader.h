#pragma once
// Fills a CMovie from the tag stream that follows a movie's header: character definitions into
// its dictionary, control tags into the frames of its timeline and of its sprites.
// Platform-neutral.
#include "CBitReader.h"
#include "CMovie.h"
#include "CSoundReader.h"
#include "ModelBudget.h"

class CMovieReader {
public:
    CMovieReader(CMovie& movie, const CMovie::ImageDecoder& decoder);

    // Reads tags up to the end tag or the end of the data. False when the stream was cut short
    // or damaged before its end tag; what was read up to there stays in the movie.
    bool ReadMainTimeline(CBitReader& reader);

private:
    bool ReadTags(CBitReader& reader, Timeline& timeline, bool inSprite);
    void ReadTag(int code, CBitReader& body, Frame& frame, bool inSprite);
    void DefineShape(CBitReader& body, int version);
    void DefineLossless(CBitReader& body, int version);
    void DefineJpeg(CBitReader& body, int version);
    void DefineSprite(CBitReader& body);
    void DefineMorph(CBitReader& body, int version);
    void DefineFont(CBitReader& body, int version);
    void DefineFontInfo(CBitReader& body, int version);
    void DefineText(CBitReader& body, int version);
    void DefineEditText(CBitReader& body);
    void DefineButton(CBitReader& body, int version);
    void DecodeImage(Bitmap& bitmap);
    bool IsDefined(std::uint16_t id) const;
    void Keep(Frame& frame, ControlTag&& tag);

    CMovie& m_movie;
    const CMovie::ImageDecoder& m_decoder;
    CModelBudget m_budget;
    CSoundReader m_sound{m_movie, m_budget};
    bool m_bBackgroundSet = false;
    bool m_bDamaged = false;
    std::vector<std::uint8_t> m_jpegTables;  // JPEGTables, shared by every DefineBits
};
