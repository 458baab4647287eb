#pragma once
// What a playing movie tells whoever makes its sound heard (CSoundMixer): the event sounds of
// the frames its timelines enter, where their play heads stand for their streamed sound, and
// when they go; and what its scripts ask of sound. Calls come from the thread that plays the
// movie. Platform-neutral.
#include "SoundTypes.h"

#include <cstdint>

class ISoundSink {
public:
    virtual ~ISoundSink() = default;

    // A frame of `timeline` with this StartSound tag was entered. The sound belongs to the
    // timeline (its volume applies) while the timeline lives, and plays on after it.
    virtual void StartSound(const void* timeline, const SoundStart& start) = 0;
    // After each tick of a timeline with a streamed sound: the frame it shows and whether it
    // moves on. The stream plays the frame's samples; a jump or a stop affects it as a real
    // player's would.
    virtual void ShowStreamFrame(const void* timeline, const SoundStream& stream, int frame, bool playing) = 0;
    // The timeline is gone (its sprite was removed, the player closed): its stream stops, its
    // event sounds play on as the movie's.
    virtual void TimelineGone(const void* timeline) = 0;

    // For scripts (a Sound object). Starts a defined sound (found by its exported name with
    // CMovie::FindSoundId) `offset` seconds in, `loops` times over, on behalf of `owner`, whose
    // volume applies; false when there is no such sound or too many play.
    virtual bool Start(std::uint16_t soundId, double offset, int loops, const void* owner) = 0;
    // Every playing copy of the sound.
    virtual void Stop(std::uint16_t soundId) = 0;
    // Every sound, streams too; with an owner only that owner's (a timeline's own stream
    // included).
    virtual void StopAll(const void* owner = nullptr) = 0;
    // Percent, 100 as recorded; for one owner (a timeline, or what a script names) or, with
    // null, the whole movie.
    virtual void SetVolume(const void* owner, int percent) = 0;
    virtual int GetVolume(const void* owner) const = 0;
    virtual bool IsPlaying(std::uint16_t soundId) const = 0;
};
