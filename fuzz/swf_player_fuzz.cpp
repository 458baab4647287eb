// Load, play, draw and hear arbitrary bytes as a movie, with the mouse moving over it and
// clicking. The bytes are handed over as they are, so any read past them shows up under
// AddressSanitizer; a stand-in image decoder makes every embedded image a small picture, so
// that image alpha planes and bitmap fills are reached too, stand-in device fonts give text
// fields glyphs, and a stand-in MP3 decoder makes every MP3 frame a burst of samples from its
// bytes, so that MP3 sounds and streams are mixed like the others. The movie's scripts run
// (with small limits, set where the target is built), keys go down and up between frames, and
// the addresses scripts open must be http or https from a click or key. The same bytes also go
// through the text fields' HTML reader.
#include "CPlayer.h"
#include "CSoundMixer.h"
#include "CStandInFonts.h"
#include "HtmlText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

bool DecodeStandIn(const std::uint8_t* data, std::size_t size, Bitmap& image)
{
    if (size < 2) return false;
    image.width = 1 + data[0] % 8;
    image.height = 1 + data[1] % 8;
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const std::uint8_t value = data[i % size];
        image.pixels[i] = {value, static_cast<std::uint8_t>(value * 3), static_cast<std::uint8_t>(value * 7), 255};
    }
    return true;
}

class CMp3StandIn final : public IMp3Decoder {
public:
    explicit CMp3StandIn(int channels) : m_nChannels(channels) {}

    bool Decode(const std::uint8_t* frames, std::size_t size, std::vector<std::int16_t>& out) override
    {
        Mp3FrameHeader header;
        for (std::size_t pos = 0; pos < size && ReadMp3FrameHeader(frames + pos, size - pos, header); pos += header.size) {
            for (int i = 0; i < header.samples * m_nChannels; ++i)
                out.push_back(static_cast<std::int16_t>(frames[pos + i % header.size] << 8));
        }
        return size == 0 || frames[0] != 0xFF || frames[size - 1] != 0;  // fails now and then
    }

private:
    int m_nChannels;
};

std::unique_ptr<IMp3Decoder> MakeMp3StandIn(int rate, int channels)
{
    if (rate == 8000) return nullptr;  // a codec that does not take every rate
    return std::make_unique<CMp3StandIn>(channels);
}

// Only http and https reach the browser.
class CUrlCheck final : public IUrlOpener {
public:
    void Open(const std::string& url) override
    {
        const auto at = url.find_first_not_of(std::string(" \t\r\n", 4));
        const std::string start = url.substr(at == std::string::npos ? url.size() : at, 8);
        std::string lower;
        for (char c : start) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        Check(lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::u32string text = DecodeText(std::string(reinterpret_cast<const char*>(data), size), true, 4096);
    Check(!HtmlParagraphs(text, TextFormat(), TextAlign::Left).empty());

    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(data, size, note, DecodeStandIn, MakeMp3StandIn);
    Check(movie ? note.empty() : !note.empty());
    if (!movie) return 0;
    Check(movie->GetFrameCount() >= 1);

    CSoundMixer mixer(movie);
    mixer.SetLead(size % 4096);
    CPlayer player(movie, &mixer, std::make_shared<CStandInFonts>());
    CUrlCheck urls;
    player.SetUrlOpener(&urls);
    // A script's start of whichever sound the last bytes name, part way in, looped.
    mixer.Start(static_cast<std::uint16_t>(data[size - 1] | data[size - 2] << 8), data[size - 3] / 64.0, data[size - 4], &player);
    std::vector<std::uint32_t> pixels(37 * 23);
    std::vector<std::int16_t> sound(2 * 1500);
    const MouseEvent events[] = {MouseEvent::Move, MouseEvent::Press, MouseEvent::Release, MouseEvent::Leave};
    for (int frame = 0; frame < 4; ++frame) {
        Check(player.GetFrame() >= 0 && player.GetFrame() < movie->GetFrameCount());
        player.Render(pixels.data(), 37, 23);
        for (std::uint32_t pixel : pixels) Check((pixel >> 24) == 0xFF);
        const std::uint8_t at = data[(frame * 7) % size];
        player.OnMouse(events[frame], at % 37, at % 23, 37, 23);
        const int key = data[(frame * 11 + 3) % size];
        player.OnKeyDown(key, key >= 32 && key < 127 ? key : 0);
        player.OnChar(key);
        player.OnKeyUp(key, 0);
        mixer.Mix(sound.data(), 500 + 300 * frame);
        player.Advance();
    }
    return 0;
}
