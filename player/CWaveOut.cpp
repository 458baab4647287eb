#include "CWaveOut.h"

#include <algorithm>

bool CWaveOut::Open(Renderer renderer)
{
    Close();
    m_hDone = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!m_hDone) return false;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = kRate * 4;
    if (::waveOutOpen(&m_hWave, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(m_hDone), 0, CALLBACK_EVENT) !=
        MMSYSERR_NOERROR) {
        m_hWave = nullptr;
        Close();
        return false;
    }
    for (Buffer& buffer : m_buffers) {
        buffer.samples.assign(kBufferFrames * 2, 0);
        buffer.header = WAVEHDR{};
        buffer.header.lpData = reinterpret_cast<LPSTR>(buffer.samples.data());
        buffer.header.dwBufferLength = static_cast<DWORD>(kBufferFrames * 4);
        buffer.queued = false;
        ::waveOutPrepareHeader(m_hWave, &buffer.header, sizeof buffer.header);
    }
    m_renderer = std::move(renderer);
    m_nRendered = 0;
    m_nLead = 0;
    m_bStop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

std::size_t CWaveOut::GetLead()
{
    MMTIME played{};
    played.wType = TIME_SAMPLES;
    if (::waveOutGetPosition(m_hWave, &played, sizeof played) == MMSYSERR_NOERROR) {
        const std::uint64_t heard = played.wType == TIME_BYTES ? played.u.cb / 4 : played.u.sample;
        // The position counts in 32 bits; the difference is right across a wrap.
        const auto waiting = static_cast<std::uint32_t>(m_nRendered.load() - heard);
        if (waiting < 60u * kRate) m_nLead = std::max<std::size_t>(m_nLead, waiting);
    }
    return std::max(m_nLead, kBufferFrames * kBuffers) + kBufferFrames;
}

// An exception escaping the renderer ends the program (std::thread's rule) rather than leave
// the output silently dead.
void CWaveOut::Run()
{
    while (!m_bStop) {
        for (Buffer& buffer : m_buffers) {
            if (buffer.queued && !(buffer.header.dwFlags & WHDR_DONE)) continue;
            m_renderer(buffer.samples.data(), kBufferFrames);
            m_nRendered += kBufferFrames;
            buffer.queued = ::waveOutWrite(m_hWave, &buffer.header, sizeof buffer.header) == MMSYSERR_NOERROR;
        }
        ::WaitForSingleObject(m_hDone, INFINITE);
    }
}

void CWaveOut::Close()
{
    if (m_thread.joinable()) {
        m_bStop = true;
        ::SetEvent(m_hDone);
        m_thread.join();
    }
    if (m_hWave) {
        ::waveOutReset(m_hWave);
        for (Buffer& buffer : m_buffers) ::waveOutUnprepareHeader(m_hWave, &buffer.header, sizeof buffer.header);
        ::waveOutClose(m_hWave);
        m_hWave = nullptr;
    }
    if (m_hDone) {
        ::CloseHandle(m_hDone);
        m_hDone = nullptr;
    }
    m_renderer = nullptr;
}
