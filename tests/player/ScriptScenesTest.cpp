// Byte code scenes (tests/player/scripts) made into movies by tools/make-swf and played on the
// stand-in stage: each must trace what its `expect` block says. CTest writes the movies into
// SCRIPT_MOVIES; SCRIPT_SCENES is the folder of the scene files and SCRIPT_SCENE_NAMES lists
// them.
#include "SceneFile.h"
#include "ScriptStage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::shared_ptr<const CMovie> LoadMovie(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string note;
    std::shared_ptr<const CMovie> movie = CMovie::Load(bytes.data(), bytes.size(), note);
    EXPECT_TRUE(movie) << path << ": " << note;
    return movie;
}

std::string Played(const std::string& name, const SceneFile& scene, std::size_t* liveCells = nullptr)
{
    const std::shared_ptr<const CMovie> movie = LoadMovie(Env("SCRIPT_MOVIES") + "/" + name + ".swf");
    if (!movie) return "";
    CScriptStage stage(movie, scene.clips);
    stage.Play(scene.ticks, scene.byUser);
    if (liveCells) *liveCells = stage.Vm().LiveCells();
    std::string log;
    for (const std::string& line : stage.Log()) log += line + "\n";
    return log;
}

TEST(ScriptScenes, EachSceneTracesWhatItExpects)
{
    const std::vector<std::string> names = SceneNames("SCRIPT_SCENE_NAMES");
    ASSERT_FALSE(names.empty()) << "SCRIPT_SCENE_NAMES is not set";
    for (const std::string& name : names) {
        const SceneFile scene = ReadSceneFile(Env("SCRIPT_SCENES") + "/" + name + ".scene");
        EXPECT_EQ(Played(name, scene), scene.expected) << "the trace of scene " << name;
    }
}

// A movie that makes a ring of objects every frame and drops it: the collector keeps the heap
// the size it was after the first frames, however long the movie plays.
TEST(ScriptScenes, CyclesDroppedEachFrameAreCollected)
{
    SceneFile scene = ReadSceneFile(Env("SCRIPT_SCENES") + "/garbage.scene");
    scene.ticks = 10;
    std::size_t early = 0;
    Played("garbage", scene, &early);
    scene.ticks = 400;
    std::size_t late = 0;
    EXPECT_EQ(Played("garbage", scene, &late), "");
    EXPECT_LE(late, early + 16);
}

} // namespace
