// Runs arbitrary bytes as a movie's actions: the first byte picks the movie version (4 to 10),
// the rest is the byte code of a DoAction tag in the first frame, played for a few frames on
// the stand-in stage with two named clips. Whatever the code does, the engine must neither
// crash, read out of bounds, nor run past its limits.
#include "ScriptStage.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// A plain movie of one frame: stage 100 × 100, 12 frames a second, one DoAction tag.
std::vector<std::uint8_t> MovieOf(int version, const std::uint8_t* code, std::size_t size)
{
    // The stage rectangle: 13-bit fields 0, 2000, 0, 2000 twips.
    std::vector<std::uint8_t> body = {0x68, 0x00, 0x1F, 0x40, 0x00, 0x07, 0xD0, 0x00};
    Put16(body, 12 << 8);
    Put16(body, 1);
    Put16(body, (12 << 6) | 0x3F);
    for (int shift = 0; shift < 32; shift += 8) body.push_back(static_cast<std::uint8_t>(size >> shift));
    body.insert(body.end(), code, code + size);
    Put16(body, 1 << 6);  // ShowFrame
    Put16(body, 0);       // End
    std::vector<std::uint8_t> file = {'F', 'W', 'S', static_cast<std::uint8_t>(version)};
    const std::size_t length = 8 + body.size();
    for (int shift = 0; shift < 32; shift += 8) file.push_back(static_cast<std::uint8_t>(length >> shift));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > 65536) return 0;
    const int version = 4 + data[0] % 7;
    const std::vector<std::uint8_t> file = MovieOf(version, data + 1, size - 1);
    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(file.data(), file.size(), note);
    if (!movie) std::abort();
    CScriptStage stage(movie, {"a", "a/b"});
    stage.Play(3);
    return 0;
}
