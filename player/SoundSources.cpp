#include "SoundSources.h"

#include <algorithm>
#include <cstdint>

namespace {

// Blocks searched for the first MP3 frame header, which gives the stream's real rate.
constexpr std::size_t kMp3FormatSearch = 16;
// MP3 frames decoded before a stream that starts part way: enough for the overlap of the first
// frame and a seek back into the frame before.
constexpr std::size_t kPrimerFrames = 2;

void CopyStereo(const std::int16_t* from, int channels, std::size_t frames, std::int16_t* out)
{
    for (std::size_t i = 0; i < frames; ++i) {
        out[2 * i] = from[i * channels];
        out[2 * i + 1] = from[i * channels + channels - 1];
    }
}

} // namespace

const StreamBlock* SoundStream::BlockOf(int frame) const
{
    const auto found = std::lower_bound(blocks.begin(), blocks.end(), frame,
                                        [](const StreamBlock& block, int wanted) { return block.frame < wanted; });
    return found != blocks.end() && found->frame == frame ? &*found : nullptr;
}

CEventSource::CEventSource(const EventSound& sound, std::size_t first, std::size_t end, int loops)
    : m_sound(sound), m_nFirst(first), m_nEnd(std::min(end, sound.Frames())), m_nPos(first),
      m_nLoopsLeft(m_nFirst < m_nEnd ? std::max(loops, 1) : 0)
{
}

std::size_t CEventSource::Read(std::int16_t* out, std::size_t frames)
{
    std::size_t given = 0;
    while (given < frames && m_nLoopsLeft > 0) {
        if (m_nPos >= m_nEnd) {
            --m_nLoopsLeft;
            m_nPos = m_nFirst;
            continue;
        }
        const std::size_t count = std::min(frames - given, m_nEnd - m_nPos);
        CopyStereo(m_sound.samples.data() + m_nPos * m_sound.channels, m_sound.channels, count, out + 2 * given);
        given += count;
        m_nPos += count;
    }
    return given;
}

CStreamSource::CStreamSource(const SoundStream& stream, const StreamBlock& first, const Mp3DecoderFactory& mp3)
    : m_stream(stream), m_mp3(mp3), m_nNext(static_cast<std::size_t>(&first - stream.blocks.data())),
      m_dRate(stream.format.rate), m_nChannels(stream.format.Channels()), m_nPosition(first.position),
      m_nLimit(first.position + first.samples)
{
    if (stream.format.coding == SoundCoding::Mp3) {
        m_nSkip = first.seek;
        FindMp3Format();
        FindPrimer(first);
    }
}

// An MP3 frame's samples overlap the frame before's, so a decoder that starts cold gets the
// first of them wrong, and a block's sound may even begin in the block before (a negative
// seek). Starting in the middle of a stream (a jump), the decoder is first given the last
// frames of the blocks just before, and their samples are dropped.
void CStreamSource::FindPrimer(const StreamBlock& first)
{
    std::vector<std::pair<const std::uint8_t*, Mp3FrameHeader>> frames;
    for (std::size_t index = m_nNext, frame = first.frame; index > 0 && m_nMp3Rate != 0; --index, --frame) {
        const StreamBlock& before = m_stream.blocks[index - 1];
        if (before.frame + 1 != static_cast<int>(frame)) break;
        CMp3FrameWalker walker(before.data.data(), before.data.size());
        walker.Expect(m_nMp3Rate, m_nChannels);
        std::vector<std::pair<const std::uint8_t*, Mp3FrameHeader>> found;
        const std::uint8_t* data = nullptr;
        Mp3FrameHeader header;
        while (walker.Next(data, header)) found.emplace_back(data, header);
        frames.insert(frames.begin(), found.begin(), found.end());
        if (frames.size() >= kPrimerFrames) break;
    }
    if (frames.size() > kPrimerFrames) frames.erase(frames.begin(), frames.end() - kPrimerFrames);
    for (const auto& [data, header] : frames) {
        m_primer.insert(m_primer.end(), data, data + header.size);
        m_nSkip += header.samples;
    }
}

void CStreamSource::SetLimit(std::uint64_t limit, bool final)
{
    m_nLimit = limit;
    m_bFinal = final;
}

std::size_t CStreamSource::Read(std::int16_t* out, std::size_t frames)
{
    std::size_t given = 0;
    int blocks = 0;
    while (given < frames && !m_bEnded) {
        if (m_nPosition >= m_nLimit) {
            m_bEnded = m_bFinal;
            break;
        }
        const std::size_t available = m_decoded.size() / m_nChannels - m_nDecodedPos;
        if (available == 0) {
            if (blocks++ == kMaxBlocksPerRead) break;
            m_bEnded = !DecodeNextBlock();
            continue;
        }
        const std::size_t count = static_cast<std::size_t>(
            std::min<std::uint64_t>({frames - given, available, m_nLimit - m_nPosition}));
        CopyStereo(m_decoded.data() + m_nDecodedPos * m_nChannels, m_nChannels, count, out + 2 * given);
        given += count;
        m_nDecodedPos += count;
        m_nPosition += count;
    }
    return given;
}

bool CStreamSource::DecodeNextBlock()
{
    if (m_nNext >= m_stream.blocks.size()) return false;
    const StreamBlock& block = m_stream.blocks[m_nNext++];
    m_decoded.clear();
    m_nDecodedPos = 0;
    switch (m_stream.format.coding) {
    case SoundCoding::Adpcm:
        DecodeAdpcm(block.data.data(), block.data.size(), m_nChannels, m_decoded, kMaxBlockFrames);
        break;
    case SoundCoding::Mp3: DecodeMp3(block); break;
    default: DecodePcm(block.data.data(), block.data.size(), m_stream.format, m_decoded, kMaxBlockFrames); break;
    }
    if (m_nSkip < 0) {
        // The block's sound starts after the frame's: silence first.
        m_decoded.insert(m_decoded.begin(), static_cast<std::size_t>(-m_nSkip) * m_nChannels, 0);
        m_nSkip = 0;
    }
    const std::size_t frames = m_decoded.size() / m_nChannels;
    const std::size_t skipped = std::min<std::size_t>(static_cast<std::size_t>(m_nSkip), frames);
    m_nDecodedPos = skipped;
    m_nSkip -= static_cast<std::int32_t>(skipped);
    return true;
}

void CStreamSource::DecodeMp3(const StreamBlock& block)
{
    CMp3FrameWalker walker(block.data.data(), block.data.size());
    if (m_nMp3Rate != 0) walker.Expect(m_nMp3Rate, m_nChannels);
    std::vector<std::uint8_t> frames = std::move(m_primer);
    m_primer.clear();
    std::size_t samples = 0;
    const std::uint8_t* frame = nullptr;
    Mp3FrameHeader header;
    while (samples < kMaxBlockFrames && m_nMp3Rate != 0 && walker.Next(frame, header)) {
        frames.insert(frames.end(), frame, frame + header.size);
        samples += header.samples;
    }
    if (!m_pDecoder && m_nMp3Rate != 0 && m_mp3) m_pDecoder = m_mp3(m_nMp3Rate, m_nChannels);
    if (m_pDecoder && !frames.empty() && !m_pDecoder->Decode(frames.data(), frames.size(), m_decoded))
        m_pDecoder.reset();
    if (!m_pDecoder) {
        // Without a decoder the stream keeps its time in silence.
        m_decoded.assign(std::min<std::size_t>(block.samples, kMaxBlockFrames) * m_nChannels, 0);
    }
    // What a decoder held back comes with later frames, but never more than a block may hold.
    m_decoded.resize(std::min(m_decoded.size(), 2 * kMaxBlockFrames * m_nChannels));
}

void CStreamSource::FindMp3Format()
{
    const std::size_t end = std::min(m_stream.blocks.size(), m_nNext + kMp3FormatSearch);
    for (std::size_t i = m_nNext; i < end; ++i) {
        CMp3FrameWalker walker(m_stream.blocks[i].data.data(), m_stream.blocks[i].data.size());
        const std::uint8_t* frame = nullptr;
        Mp3FrameHeader header;
        if (walker.Next(frame, header)) {
            m_nMp3Rate = header.rate;
            m_dRate = header.rate;
            m_nChannels = header.channels;
            return;
        }
    }
}
