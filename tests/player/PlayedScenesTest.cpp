// Byte code scenes with clips, buttons and text (tests/player/played) made into movies by
// tools/make-swf and played by the player itself, its scripts bound to what it shows. Each scene
// says, before its `expect` block:
//
//   ticks N                   frames played after the first (default: its frames less one)
//   do TICK WHAT …            before tick TICK (0: before the first): click X Y, press X Y,
//                             release X Y, move X Y (stage pixels), key CODE ASCII (down and up)
//   pixel X Y RRGGBB          the colour there once played (100 × 100 pixels, one per stage pixel)
//
// and its `expect` block lists what it traced, with "open: URL" where an address went to the
// browser and, last, "note: …" when its scripts were stopped. PLAYED_MOVIES is where CTest
// wrote the movies, PLAYED_SCENES the folder of the scenes, PLAYED_SCENE_NAMES their names.
#include "CPlayer.h"
#include "CStandInFonts.h"
#include "SceneFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

using Step = SceneFile::Step;

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

class CRecorder final : public IUrlOpener {
public:
    explicit CRecorder(std::string& log) : m_log(log) {}
    void Open(const std::string& url) override { m_log += "open: " + url + "\n"; }

private:
    std::string& m_log;
};

void RunStep(CPlayer& player, const Step& step)
{
    const auto mouse = [&](MouseEvent event) { player.OnMouse(event, step.a, step.b, 100, 100); };
    if (step.what == "click") {
        mouse(MouseEvent::Move);
        mouse(MouseEvent::Press);
        mouse(MouseEvent::Release);
    } else if (step.what == "press") {
        mouse(MouseEvent::Press);
    } else if (step.what == "release") {
        mouse(MouseEvent::Release);
    } else if (step.what == "move") {
        mouse(MouseEvent::Move);
    } else if (step.what == "key") {
        player.OnKeyDown(step.a, step.b);
        if (step.b >= 32) player.OnChar(step.b);
        player.OnKeyUp(step.a, step.b);
    } else {
        ADD_FAILURE() << "unknown step " << step.what;
    }
}

std::string Hex(std::uint32_t rgb)
{
    char text[8];
    std::snprintf(text, sizeof text, "%06X", rgb & 0xFFFFFF);
    return text;
}

void PlayScene(const std::string& name)
{
    const SceneFile scene = ReadSceneFile(Env("PLAYED_SCENES") + "/" + name + ".scene");
    std::ifstream in(Env("PLAYED_MOVIES") + "/" + name + ".swf", std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string note;
    const std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note);
    ASSERT_TRUE(movie) << name << ": " << note;

    CPlayer player(movie, std::make_shared<CStandInFonts>());
    std::string log;  // what the first frame traced, then each line as it comes
    for (const std::string& line : player.GetLog()) log += line + "\n";
    CRecorder recorder(log);
    player.SetUrlOpener(&recorder);
    player.SetLogHook([&log](const std::string& line) { log += line + "\n"; });
    for (int tick = 0; tick <= scene.ticks; ++tick) {
        for (const Step& step : scene.steps) {
            if (step.tick == tick) RunStep(player, step);
        }
        if (tick < scene.ticks) player.Advance();
    }
    if (!player.GetScriptNote().empty()) log += "note: " + player.GetScriptNote() + "\n";
    EXPECT_EQ(log, scene.expected) << "the trace of scene " << name;

    std::vector<std::uint32_t> pixels(100 * 100);
    player.Render(pixels.data(), 100, 100);
    for (const SceneFile::Pixel& check : scene.pixels) {
        const std::uint32_t seen = pixels[static_cast<std::size_t>(check.y) * 100 + check.x];
        int off = 0;
        for (int shift : {0, 8, 16}) off = std::max(off, std::abs(int(seen >> shift & 0xFF) - int(check.rgb >> shift & 0xFF)));
        EXPECT_LE(off, 8) << name << ": at (" << check.x << ", " << check.y << ") saw " << Hex(seen) << ", expected "
                          << Hex(check.rgb);
    }
}

TEST(PlayedScenes, EachSceneTracesAndShowsWhatItExpects)
{
    int played = 0;
    for (const std::string& name : SceneNames("PLAYED_SCENE_NAMES")) {
        SCOPED_TRACE(name);
        PlayScene(name);
        ++played;
    }
    EXPECT_GT(played, 0) << "PLAYED_SCENE_NAMES is not set";
}

} // namespace
