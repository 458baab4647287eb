#include "CSoundReader.h"

#include "SoundDecoding.h"

#include <algorithm>
#include <cctype>

namespace {

enum SoundTagCode {
    TAG_DEFINE_SOUND = 14,
    TAG_START_SOUND = 15,
    TAG_DEFINE_BUTTON_SOUND = 17,
    TAG_SOUND_STREAM_HEAD = 18,
    TAG_SOUND_STREAM_BLOCK = 19,
    TAG_SOUND_STREAM_HEAD2 = 45,
    TAG_EXPORT_ASSETS = 56,
    TAG_SYMBOL_CLASS = 76,
    TAG_START_SOUND2 = 89,
};

enum SoundInfoFlag {
    INFO_HAS_IN_POINT = 0x01,
    INFO_HAS_OUT_POINT = 0x02,
    INFO_HAS_LOOPS = 0x04,
    INFO_HAS_ENVELOPE = 0x08,
    INFO_NO_MULTIPLE = 0x10,
    INFO_STOP = 0x20,
};

// Coding, rate, size and channels packed in one byte, as DefineSound and the stream heads have.
SoundFormat ReadFormat(std::uint8_t bits)
{
    SoundFormat format;
    format.coding = static_cast<SoundCoding>(bits >> 4);
    format.rate = 5512.5 * (1 << ((bits >> 2) & 3));
    format.sixteenBit = (bits & 0x02) != 0;
    format.stereo = (bits & 0x01) != 0;
    return format;
}

bool IsPcm(SoundCoding coding)
{
    return coding == SoundCoding::PcmNative || coding == SoundCoding::PcmLittle;
}

bool IsPlayable(SoundCoding coding)
{
    return IsPcm(coding) || coding == SoundCoding::Adpcm || coding == SoundCoding::Mp3;
}

} // namespace

bool CSoundReader::Read(int code, CBitReader& body, Timeline& timeline, Frame& frame, bool inSprite)
{
    switch (code) {
    case TAG_START_SOUND: StartSound(body, false, frame); return true;
    case TAG_START_SOUND2: StartSound(body, true, frame); return true;
    case TAG_SOUND_STREAM_HEAD:
    case TAG_SOUND_STREAM_HEAD2: ReadStreamHead(body, timeline); return true;
    case TAG_SOUND_STREAM_BLOCK: ReadStreamBlock(body, timeline); return true;
    case TAG_DEFINE_SOUND:
        if (!inSprite) DefineSound(body);
        return true;
    case TAG_DEFINE_BUTTON_SOUND:
        if (!inSprite) DefineButtonSound(body);
        return true;
    case TAG_EXPORT_ASSETS:
    case TAG_SYMBOL_CLASS: {
        // Read from a copy and left to other readers too: the names are not only sounds'.
        CBitReader names = body;
        if (!inSprite) ExportedNames(names);
        return false;
    }
    default: return false;
    }
}

void CSoundReader::DefineSound(CBitReader& body)
{
    const std::uint16_t id = body.U16();
    const SoundFormat format = ReadFormat(body.U8());
    const std::uint32_t sampleCount = body.U32();
    if (body.Failed() || m_movie.m_sounds.count(id) != 0) return;
    EventSound& sound = m_movie.m_sounds[id];
    sound.rate = format.rate;
    sound.channels = format.Channels();
    if (!IsPlayable(format.coding)) {
        m_movie.m_bUnplayedSounds = true;
        return;
    }
    if (format.coding == SoundCoding::Mp3) {
        DecodeMp3(body, sampleCount, sound);
        return;
    }
    const bool adpcm = format.coding == SoundCoding::Adpcm;
    const std::size_t available = adpcm ? AdpcmFrames(body.Here(), body.Remaining(), sound.channels)
                                        : PcmFrames(body.Remaining(), format);
    // The sample count may be smaller than the data (the rest is padding), never larger.
    const std::size_t frames = std::min<std::size_t>(available, sampleCount);
    if (!ChargeSamples(frames, sound.channels)) return;
    if (adpcm) {
        DecodeAdpcm(body.Here(), body.Remaining(), sound.channels, sound.samples, frames);
    } else {
        DecodePcm(body.Here(), body.Remaining(), format, sound.samples, frames);
    }
}

void CSoundReader::DecodeMp3(CBitReader& body, std::uint32_t sampleCount, EventSound& sound)
{
    const std::int16_t seek = static_cast<std::int16_t>(body.U16());
    const Mp3DecoderFactory& factory = m_movie.m_mp3Decoder;
    if (body.Failed() || !factory) return;
    // The frames like the first one, put one after the other without what lies between.
    CMp3FrameWalker walker(body.Here(), body.Remaining());
    const std::uint8_t* frame = nullptr;
    Mp3FrameHeader header;
    std::vector<std::uint8_t> frames;
    std::size_t decodedFrames = 0;
    while (walker.Next(frame, header)) {
        if (frames.empty()) {
            walker.Expect(header.rate, header.channels);
            sound.rate = header.rate;
            sound.channels = header.channels;
        }
        frames.insert(frames.end(), frame, frame + header.size);
        decodedFrames += header.samples;
    }
    if (frames.empty() || !ChargeSamples(decodedFrames, sound.channels)) return;
    std::unique_ptr<IMp3Decoder> decoder = factory(static_cast<int>(sound.rate), sound.channels);
    if (!decoder || !decoder->Decode(frames.data(), frames.size(), sound.samples)) {
        sound.samples.clear();
        return;
    }
    // The decoder may give a little more than the frames hold; never keep more than charged.
    const std::size_t keep = std::min(decodedFrames, sound.Frames()) * sound.channels;
    sound.samples.resize(keep);
    // The seek samples lead in to the sound; the sample count ends it.
    const std::size_t skip = std::min<std::size_t>(std::max<int>(seek, 0) * sound.channels, sound.samples.size());
    sound.samples.erase(sound.samples.begin(), sound.samples.begin() + static_cast<std::ptrdiff_t>(skip));
    if (sampleCount > 0 && sound.Frames() > sampleCount) sound.samples.resize(std::size_t{sampleCount} * sound.channels);
}

bool CSoundReader::ChargeSamples(std::size_t frames, int channels)
{
    const std::size_t bytes = frames * channels * sizeof(std::int16_t);
    if (bytes > m_nSoundBytesLeft || !m_budget.Charge(bytes)) return false;
    m_nSoundBytesLeft -= bytes;
    return true;
}

void CSoundReader::StartSound(CBitReader& body, bool byName, Frame& frame)
{
    SoundStart start;
    if (byName) {
        start.className = body.String();
    } else {
        start.soundId = body.U16();
    }
    if (!ReadSoundInfo(body, start) || !m_budget.Charge(sizeof(SoundStart) + start.className.size())) return;
    frame.sounds.push_back(std::move(start));
}

bool CSoundReader::ReadSoundInfo(CBitReader& body, SoundStart& start)
{
    const std::uint8_t flags = body.U8();
    start.stop = (flags & INFO_STOP) != 0;
    start.noMultiple = (flags & INFO_NO_MULTIPLE) != 0;
    if (flags & INFO_HAS_IN_POINT) start.inPoint = body.U32();
    if (flags & INFO_HAS_OUT_POINT) {
        start.hasOutPoint = true;
        start.outPoint = body.U32();
    }
    if (flags & INFO_HAS_LOOPS) start.loops = std::max<std::uint16_t>(body.U16(), 1);
    if (flags & INFO_HAS_ENVELOPE) {
        const int points = body.U8();
        if (!m_budget.Charge(points * sizeof(SoundEnvelopePoint))) return false;
        for (int i = 0; i < points && !body.Failed(); ++i) {
            SoundEnvelopePoint point;
            point.position44 = body.U32();
            point.left = std::min<std::uint16_t>(body.U16(), 32768);
            point.right = std::min<std::uint16_t>(body.U16(), 32768);
            start.envelope.push_back(point);
        }
    }
    return !body.Failed();
}

// DefineButtonSound: a sound and how it plays for each moment of the button's; 0 for none.
void CSoundReader::DefineButtonSound(CBitReader& body)
{
    const auto found = m_movie.m_buttons.find(body.U16());
    if (body.Failed() || found == m_movie.m_buttons.end()) return;
    for (SoundStart& start : found->second.sounds) {
        SoundStart read;
        read.soundId = body.U16();
        if (body.Failed() || (read.soundId != 0 && !ReadSoundInfo(body, read))) return;
        start = std::move(read);
    }
}

void CSoundReader::ReadStreamHead(CBitReader& body, Timeline& timeline)
{
    body.U8();  // the rate, size and channels suggested for playing; the stream's own are used
    const SoundFormat format = ReadFormat(body.U8());
    if (body.Failed() || timeline.stream) return;  // a second head changes nothing
    if (!IsPlayable(format.coding)) {
        m_movie.m_bUnplayedSounds = true;
        return;
    }
    // The average samples per frame and the MP3 latency that follow are not needed: each
    // block says how long it lasts.
    if (!m_budget.Charge(sizeof(SoundStream))) return;
    timeline.stream = std::make_shared<SoundStream>();
    timeline.stream->format = format;
}

void CSoundReader::ReadStreamBlock(CBitReader& body, Timeline& timeline)
{
    SoundStream* stream = timeline.stream.get();
    const int frame = static_cast<int>(timeline.frames.size());
    if (!stream || (!stream->blocks.empty() && stream->blocks.back().frame >= frame)) return;
    StreamBlock block;
    block.frame = frame;
    if (!stream->blocks.empty()) block.position = stream->blocks.back().position + stream->blocks.back().samples;
    const SoundFormat& format = stream->format;
    if (format.coding == SoundCoding::Mp3) {
        block.samples = body.U16();
        block.seek = static_cast<std::int16_t>(body.U16());
    } else if (format.coding == SoundCoding::Adpcm) {
        block.samples = static_cast<std::uint32_t>(
            std::min<std::size_t>(AdpcmFrames(body.Here(), body.Remaining(), format.Channels()), UINT32_MAX));
    } else {
        block.samples = static_cast<std::uint32_t>(std::min<std::size_t>(PcmFrames(body.Remaining(), format), UINT32_MAX));
    }
    if (body.Failed() || !m_budget.Charge(sizeof(StreamBlock) + body.Remaining())) return;
    block.data.assign(body.Here(), body.Here() + body.Remaining());
    stream->blocks.push_back(std::move(block));
}

void CSoundReader::ExportedNames(CBitReader& body)
{
    const int count = body.U16();
    for (int i = 0; i < count && !body.Failed(); ++i) {
        const std::uint16_t id = body.U16();
        std::string name = body.String();
        if (body.Failed() || !m_budget.Charge(2 * (sizeof(id) + name.size()))) return;
        m_movie.m_exportNames.emplace(id, name);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        m_movie.m_exports.emplace(std::move(name), id);
    }
}
