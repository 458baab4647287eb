#pragma once
// What a playing timeline tells whoever makes its sound heard (CSoundMixer): the event sounds of
// the frames it enters, where its play head stands for its streamed sound, and when it goes.
// Calls come from the thread that plays the movie. Platform-neutral.
#include "SoundTypes.h"

class ISoundSink {
public:
    virtual ~ISoundSink() = default;

    // A frame with this StartSound tag was entered.
    virtual void StartSound(const SoundStart& start) = 0;
    // After each tick of a timeline with a streamed sound: the frame it shows and whether it
    // moves on. The stream plays the frame's samples; a jump or a stop affects it as a real
    // player's would.
    virtual void ShowStreamFrame(const void* timeline, const SoundStream& stream, int frame, bool playing) = 0;
    // The timeline is gone (its sprite was removed, the player closed): its stream stops.
    virtual void TimelineGone(const void* timeline) = 0;
};
