#pragma once
// Mixes one movie's sounds for an output: event sounds started by its timelines (or by
// scripts) and each timeline's streamed sound kept in step with its frames, resampled to 44,100
// stereo frames a second, with volumes and envelopes, clipped to 16 bits.
//
// The timelines call it as their ISoundSink on the thread that plays the movie; the output
// calls Mix on a thread of its own. It keeps the movie alive while it plays its sounds, and
// must outlive every player that has it as sink. Platform-neutral.
#include "CMovie.h"
#include "CSoundVoice.h"
#include "ISoundSink.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class CSoundMixer final : public ISoundSink {
public:
    static constexpr int kRate = 44100;
    // Event sounds playing at once; a start past it is not heard.
    static constexpr std::size_t kMaxSounds = 32;
    // Timelines whose streams play at once.
    static constexpr std::size_t kMaxStreams = 8;

    explicit CSoundMixer(std::shared_ptr<const CMovie> movie);
    CSoundMixer(const CSoundMixer&) = delete;
    CSoundMixer& operator=(const CSoundMixer&) = delete;

    // The next `frames` output frames, left and right sample each.
    void Mix(std::int16_t* out, std::size_t frames);
    // How many output frames the output mixes ahead of what is heard: a stream may run this
    // far past its timeline's frame without waiting for the next.
    void SetLead(std::size_t frames);

    // ISoundSink: what the timelines and scripts ask for.
    void StartSound(const void* timeline, const SoundStart& start) override;
    void ShowStreamFrame(const void* timeline, const SoundStream& stream, int frame, bool playing) override;
    void TimelineGone(const void* timeline) override;
    bool Start(std::uint16_t soundId, double offset, int loops, const void* owner) override;
    void Stop(std::uint16_t soundId) override;
    void StopAll(const void* owner = nullptr) override;
    void SetVolume(const void* owner, int percent) override;
    int GetVolume(const void* owner) const override;
    bool IsPlaying(std::uint16_t soundId) const override;

private:
    struct Voice {
        std::unique_ptr<CSoundVoice> voice;
        const void* owner = nullptr;      // whose volume applies: a timeline, what a script names
        std::uint16_t soundId = 0;        // 0 for a stream
        CStreamSource* stream = nullptr;  // the voice's source, for a stream
    };

    bool StartEvent(std::uint16_t soundId, std::size_t first, std::size_t end, int loops, const void* owner,
                    const std::vector<SoundEnvelopePoint>* envelope);
    Voice* FindStream(const void* timeline);
    bool KeepsStep(const Voice& voice, const StreamBlock& block, int moved, std::uint64_t slack) const;
    void RemoveStream(const void* timeline);
    int VolumeOf(const void* owner) const;

    std::shared_ptr<const CMovie> m_pMovie;
    mutable std::mutex m_mutex;
    std::vector<Voice> m_voices;
    std::unordered_map<const void*, int> m_volumes;
    std::unordered_map<const void*, int> m_streamFrames;  // the frame each stream's timeline showed last
    std::size_t m_nLead = 0;
    std::vector<std::int32_t> m_mix;
};
