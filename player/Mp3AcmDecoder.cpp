#include "Mp3AcmDecoder.h"

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>

namespace {

// Compressed bytes handed to the codec in one conversion.
constexpr DWORD kChunkBytes = 16 * 1024;

class CAcmMp3Decoder final : public IMp3Decoder {
public:
    CAcmMp3Decoder(int rate, int channels) : m_nChannels(channels)
    {
        MPEGLAYER3WAVEFORMAT mp3{};
        mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        mp3.wfx.nChannels = static_cast<WORD>(channels);
        mp3.wfx.nSamplesPerSec = static_cast<DWORD>(rate);
        // The bit rate may change from frame to frame; these only size the codec's buffers.
        mp3.wfx.nAvgBytesPerSec = 128000 / 8;
        mp3.wfx.nBlockAlign = 1;
        mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
        mp3.wID = MPEGLAYER3_ID_MPEG;
        mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
        mp3.nBlockSize = static_cast<WORD>((rate >= 32000 ? 1152 : 576) * mp3.wfx.nAvgBytesPerSec / rate);
        mp3.nFramesPerBlock = 1;
        WAVEFORMATEX pcm{};
        pcm.wFormatTag = WAVE_FORMAT_PCM;
        pcm.nChannels = static_cast<WORD>(channels);
        pcm.nSamplesPerSec = static_cast<DWORD>(rate);
        pcm.wBitsPerSample = 16;
        pcm.nBlockAlign = static_cast<WORD>(2 * channels);
        pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
        if (::acmStreamOpen(&m_hStream, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0)
            m_hStream = nullptr;
    }
    ~CAcmMp3Decoder() override
    {
        if (m_hStream) ::acmStreamClose(m_hStream, 0);
    }
    CAcmMp3Decoder(const CAcmMp3Decoder&) = delete;
    CAcmMp3Decoder& operator=(const CAcmMp3Decoder&) = delete;

    bool IsOpen() const { return m_hStream != nullptr; }

    bool Decode(const std::uint8_t* frames, std::size_t size, std::vector<std::int16_t>& out) override
    {
        // What the codec left unconverted last time comes first.
        m_pending.insert(m_pending.end(), frames, frames + size);
        std::size_t done = 0;
        while (done < m_pending.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(kChunkBytes, m_pending.size() - done));
            DWORD used = 0;
            if (!Convert(m_pending.data() + done, chunk, out, used)) return false;
            if (used == 0) break;
            done += used;
        }
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(done));
        return true;
    }

private:
    bool Convert(std::uint8_t* source, DWORD size, std::vector<std::int16_t>& out, DWORD& used)
    {
        DWORD outputBytes = 0;
        if (::acmStreamSize(m_hStream, size, &outputBytes, ACM_STREAMSIZEF_SOURCE) != 0) return false;
        // Room for the codec's delay as well: a frame's samples more.
        outputBytes += 1152 * 2 * sizeof(std::int16_t);
        m_output.resize(outputBytes);
        ACMSTREAMHEADER header{};
        header.cbStruct = sizeof header;
        header.pbSrc = source;
        header.cbSrcLength = size;
        header.pbDst = m_output.data();
        header.cbDstLength = outputBytes;
        if (::acmStreamPrepareHeader(m_hStream, &header, 0) != 0) return false;
        const MMRESULT result =
            ::acmStreamConvert(m_hStream, &header, m_bStarted ? 0 : ACM_STREAMCONVERTF_START);
        m_bStarted = true;
        used = header.cbSrcLengthUsed;
        const std::size_t samples = header.cbDstLengthUsed / sizeof(std::int16_t);
        const std::int16_t* decoded = reinterpret_cast<const std::int16_t*>(m_output.data());
        out.insert(out.end(), decoded, decoded + samples - samples % m_nChannels);
        ::acmStreamUnprepareHeader(m_hStream, &header, 0);
        return result == 0;
    }

    HACMSTREAM m_hStream = nullptr;
    int m_nChannels;
    bool m_bStarted = false;
    std::vector<std::uint8_t> m_pending;
    std::vector<std::uint8_t> m_output;
};

} // namespace

std::unique_ptr<IMp3Decoder> MakeAcmMp3Decoder(int rate, int channels)
{
    if (rate <= 0 || channels < 1 || channels > 2) return nullptr;
    auto decoder = std::make_unique<CAcmMp3Decoder>(rate, channels);
    if (!decoder->IsOpen()) return nullptr;
    return decoder;
}
