#pragma once
// A byte code scene file (tools/make-swf --script) as the tests that play it read it: what
// comes before its `expect` block tells the test how to play it, the block what it must trace.
//
//   clips PATH…          clips of the stand-in stage
//   ticks N              frames played after the first (default: its frames less one)
//   frame [user]         a frame ("user": its actions run as by a click)
//   do TICK WHAT A [B]   before tick TICK (0: before the first), something the user does
//   pixel X Y RRGGBB     a colour the movie must show once played
#include <cstdint>
#include <string>
#include <vector>

struct SceneFile {
    struct Step {
        int tick = 0;
        std::string what;
        int a = 0;
        int b = 0;
    };
    struct Pixel {
        int x = 0;
        int y = 0;
        std::uint32_t rgb = 0;
    };

    std::vector<std::string> clips;
    int ticks = -1;
    std::vector<int> byUser;  // the frames marked "user", from 0
    std::vector<Step> steps;
    std::vector<Pixel> pixels;
    std::string expected;
};

SceneFile ReadSceneFile(const std::string& path);
// The names in an environment variable's list separated by semicolons.
std::vector<std::string> SceneNames(const char* variable);
