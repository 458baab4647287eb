#include "CSoundMixer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kFullGain = 32768;
constexpr int kMaxVolume = 1000;  // scripts may amplify, within reason

// A position in samples at 44,100 a second (in and out points) as frames of a sound.
std::size_t At44(std::uint32_t position44, double rate)
{
    return static_cast<std::size_t>(static_cast<double>(position44) * rate / CSoundMixer::kRate);
}

} // namespace

CSoundMixer::CSoundMixer(std::shared_ptr<const CMovie> movie) : m_pMovie(std::move(movie))
{
}

void CSoundMixer::Mix(std::int16_t* out, std::size_t frames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mix.assign(frames * 2, 0);
    const int movieVolume = VolumeOf(nullptr);
    for (auto voice = m_voices.begin(); voice != m_voices.end();) {
        const std::int64_t gain = std::int64_t{kFullGain} * movieVolume / 100 *
                                  (voice->owner ? VolumeOf(voice->owner) : 100) / 100;
        if (voice->voice->MixInto(m_mix.data(), frames, static_cast<int>(gain))) {
            ++voice;
        } else {
            voice = m_voices.erase(voice);
        }
    }
    for (std::size_t i = 0; i < frames * 2; ++i) out[i] = static_cast<std::int16_t>(std::clamp(m_mix[i], -32768, 32767));
}

void CSoundMixer::SetLead(std::size_t frames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nLead = frames;
}

bool CSoundMixer::Start(std::uint16_t soundId, double offset, int loops, const void* owner)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const EventSound* sound = m_pMovie->FindSound(soundId);
    if (!sound || !(offset >= 0)) return false;
    const double first = std::min(offset * sound->rate, static_cast<double>(sound->Frames()));
    return StartEvent(soundId, static_cast<std::size_t>(first), sound->Frames(), loops, owner, nullptr);
}

void CSoundMixer::Stop(std::uint16_t soundId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase_if(m_voices, [soundId](const Voice& voice) { return voice.soundId == soundId && !voice.stream; });
}

void CSoundMixer::StopAll(const void* owner)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase_if(m_voices, [owner](const Voice& voice) { return !owner || voice.owner == owner; });
}

void CSoundMixer::SetVolume(const void* owner, int percent)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_volumes[owner] = std::clamp(percent, 0, kMaxVolume);
}

int CSoundMixer::GetVolume(const void* owner) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return VolumeOf(owner);
}

int CSoundMixer::VolumeOf(const void* owner) const
{
    const auto found = m_volumes.find(owner);
    return found == m_volumes.end() ? 100 : found->second;
}

bool CSoundMixer::IsPlaying(std::uint16_t soundId) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_voices.begin(), m_voices.end(),
                       [soundId](const Voice& voice) { return voice.soundId == soundId && !voice.stream; });
}

void CSoundMixer::StartSound(const void* timeline, const SoundStart& start)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::uint16_t id = start.className.empty() ? start.soundId : m_pMovie->FindSoundId(start.className);
    const EventSound* sound = m_pMovie->FindSound(id);
    if (!sound) return;
    const auto playing = [id](const Voice& voice) { return voice.soundId == id && !voice.stream; };
    if (start.stop) {
        std::erase_if(m_voices, playing);
        return;
    }
    if (start.noMultiple && std::any_of(m_voices.begin(), m_voices.end(), playing)) return;
    const std::size_t end = start.hasOutPoint ? At44(start.outPoint, sound->rate) : sound->Frames();
    StartEvent(id, At44(start.inPoint, sound->rate), end, start.loops, timeline, &start.envelope);
}

bool CSoundMixer::StartEvent(std::uint16_t soundId, std::size_t first, std::size_t end, int loops, const void* owner,
                             const std::vector<SoundEnvelopePoint>* envelope)
{
    const EventSound& sound = *m_pMovie->FindSound(soundId);
    const auto events = std::count_if(m_voices.begin(), m_voices.end(), [](const Voice& voice) { return !voice.stream; });
    if (static_cast<std::size_t>(events) >= kMaxSounds || first >= std::min(end, sound.Frames())) return false;
    Voice voice;
    voice.voice = std::make_unique<CSoundVoice>(std::make_unique<CEventSource>(sound, first, end, loops), kRate);
    voice.voice->SetEnvelope(envelope);
    voice.owner = owner;
    voice.soundId = soundId;
    m_voices.push_back(std::move(voice));
    return true;
}

void CSoundMixer::ShowStreamFrame(const void* timeline, const SoundStream& stream, int frame, bool playing)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const StreamBlock* block = stream.BlockOf(frame);
    Voice* voice = FindStream(timeline);
    const auto shown = m_streamFrames.find(timeline);
    const int last = shown == m_streamFrames.end() ? -1 : shown->second;
    m_streamFrames[timeline] = frame;
    if (!block) {
        // A frame without a block is silent, and the stream starts afresh where blocks resume.
        RemoveStream(timeline);
        return;
    }
    // A timeline held on a frame whose samples have all been heard stays silent.
    if (frame == last && !voice) return;
    const auto slackAt = [this](double rate) { return static_cast<std::uint64_t>(m_nLead * rate / kRate); };
    if (voice && !KeepsStep(*voice, *block, frame - last, slackAt(voice->voice->GetSource().Rate()))) {
        RemoveStream(timeline);
        voice = nullptr;
    }
    if (!voice) {
        const auto streams = std::count_if(m_voices.begin(), m_voices.end(), [](const Voice& v) { return v.stream; });
        if (static_cast<std::size_t>(streams) >= kMaxStreams) return;
        auto source = std::make_unique<CStreamSource>(stream, *block, m_pMovie->GetMp3Decoder());
        Voice added;
        added.stream = source.get();
        added.voice = std::make_unique<CSoundVoice>(std::move(source), kRate);
        added.owner = timeline;
        m_voices.push_back(std::move(added));
        voice = &m_voices.back();
    }
    // Playing on, the stream may run ahead into the next frame's samples by the output's lead;
    // held on one frame, it ends with that frame's samples.
    const bool held = !playing || frame == last;
    const std::uint64_t end = block->position + block->samples;
    voice->stream->SetLimit(held ? end : end + slackAt(voice->stream->Rate()), held);
}

// Whether a stream voice carries on into the frame `block` belongs to, `moved` frames on from
// the one it played last: only when the timeline moved one frame on (or stayed) and the voice is
// not far from the frame's samples.
bool CSoundMixer::KeepsStep(const Voice& voice, const StreamBlock& block, int moved, std::uint64_t slack) const
{
    if (moved != 1 && moved != 0) return false;
    const std::uint64_t position = voice.stream->GetPosition();
    const std::uint64_t behind = std::max<std::uint64_t>(slack, 2 * std::uint64_t{block.samples});
    return position + behind >= block.position && position <= block.position + block.samples + slack;
}

void CSoundMixer::TimelineGone(const void* timeline)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    RemoveStream(timeline);
    m_streamFrames.erase(timeline);
    m_volumes.erase(timeline);
    for (Voice& voice : m_voices) {
        if (voice.owner == timeline) voice.owner = nullptr;
    }
}

CSoundMixer::Voice* CSoundMixer::FindStream(const void* timeline)
{
    const auto found = std::find_if(m_voices.begin(), m_voices.end(),
                                    [timeline](const Voice& voice) { return voice.stream && voice.owner == timeline; });
    return found == m_voices.end() ? nullptr : &*found;
}

void CSoundMixer::RemoveStream(const void* timeline)
{
    std::erase_if(m_voices, [timeline](const Voice& voice) { return voice.stream && voice.owner == timeline; });
}
