#pragma once
// Reads a movie's sound tags: DefineSound (decoded once, here), StartSound and StartSound2 into
// the frame they belong to, SoundStreamHead/2 and SoundStreamBlock into the timeline's stream,
// DefineButtonSound into its button, and the exported names StartSound2 and scripts find
// sounds and symbols by. Platform-neutral.
#include "CBitReader.h"
#include "CMovie.h"
#include "ModelBudget.h"

class CSoundReader {
public:
    CSoundReader(CMovie& movie, CModelBudget& budget) : m_movie(movie), m_budget(budget) {}

    // False when `code` is no tag of this reader's (or one other readers want too: the
    // exported names); otherwise the tag is read. Definitions inside a sprite are passed over,
    // as every definition there is.
    bool Read(int code, CBitReader& body, Timeline& timeline, Frame& frame, bool inSprite);

private:
    void DefineSound(CBitReader& body);
    void DecodeMp3(CBitReader& body, std::uint32_t sampleCount, EventSound& sound);
    bool ChargeSamples(std::size_t frames, int channels);
    void StartSound(CBitReader& body, bool byName, Frame& frame);
    bool ReadSoundInfo(CBitReader& body, SoundStart& start);
    void DefineButtonSound(CBitReader& body);
    void ReadStreamHead(CBitReader& body, Timeline& timeline);
    void ReadStreamBlock(CBitReader& body, Timeline& timeline);
    void ExportedNames(CBitReader& body);

    CMovie& m_movie;
    CModelBudget& m_budget;
    std::size_t m_nSoundBytesLeft = CMovie::kMaxSoundBytes;
};
