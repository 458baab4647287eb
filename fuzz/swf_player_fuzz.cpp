// Load, play and draw arbitrary bytes as a movie, with the mouse moving over it and clicking.
// The bytes are handed over as they are, so any read past them shows up under
// AddressSanitizer; a stand-in image decoder makes every embedded image a small picture, so
// that image alpha planes and bitmap fills are reached too, and stand-in device fonts give text
// fields glyphs. The same bytes also go through the text fields' HTML reader.
#include "CPlayer.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::u32string text = DecodeText(std::string(reinterpret_cast<const char*>(data), size), true, 4096);
    Check(!HtmlParagraphs(text, TextFormat(), TextAlign::Left).empty());

    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(data, size, note, DecodeStandIn);
    Check(movie ? note.empty() : !note.empty());
    if (!movie) return 0;
    Check(movie->GetFrameCount() >= 1);

    CPlayer player(movie, std::make_shared<CStandInFonts>());
    std::vector<std::uint32_t> pixels(37 * 23);
    const MouseEvent events[] = {MouseEvent::Move, MouseEvent::Press, MouseEvent::Release, MouseEvent::Leave};
    for (int frame = 0; frame < 4; ++frame) {
        Check(player.GetFrame() >= 0 && player.GetFrame() < movie->GetFrameCount());
        player.Render(pixels.data(), 37, 23);
        for (std::uint32_t pixel : pixels) Check((pixel >> 24) == 0xFF);
        const std::uint8_t at = data[(frame * 7) % size];
        player.OnMouse(events[frame], at % 37, at % 23, 37, 23);
        player.Advance();
    }
    return 0;
}
