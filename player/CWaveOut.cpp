#include "CWaveOut.h"

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
    m_bStop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
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
