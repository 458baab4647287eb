#pragma once
// Decodes MP3 sound with the system's audio compression manager (msacm32 and its MPEG layer-3
// codec), for the player core's Mp3DecoderFactory.
#include "SoundDecoding.h"

#include <memory>

// A decoder for frames of this rate and channel count; null when the system has no MP3 codec
// that takes them.
std::unique_ptr<IMp3Decoder> MakeAcmMp3Decoder(int rate, int channels);
