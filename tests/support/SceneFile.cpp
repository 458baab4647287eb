#include "SceneFile.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

SceneFile ReadSceneFile(const std::string& path)
{
    SceneFile scene;
    std::ifstream in(path);
    std::string line;
    int frames = 0;
    bool expecting = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (expecting) {
            scene.expected += line + "\n";
            continue;
        }
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "expect") {
            expecting = true;
        } else if (word == "clips") {
            for (std::string clip; words >> clip;) scene.clips.push_back(clip);
        } else if (word == "ticks") {
            words >> scene.ticks;
        } else if (word == "frame") {
            std::string user;
            if (words >> user && user == "user") scene.byUser.push_back(frames);
            ++frames;
        } else if (word == "do") {
            SceneFile::Step step;
            words >> step.tick >> step.what >> step.a >> step.b;
            scene.steps.push_back(step);
        } else if (word == "pixel") {
            SceneFile::Pixel pixel;
            std::string rgb;
            words >> pixel.x >> pixel.y >> rgb;
            pixel.rgb = static_cast<std::uint32_t>(std::strtoul(rgb.c_str(), nullptr, 16));
            scene.pixels.push_back(pixel);
        }
    }
    if (scene.ticks < 0) scene.ticks = frames > 0 ? frames - 1 : 0;
    return scene;
}

std::vector<std::string> SceneNames(const char* variable)
{
    const char* value = std::getenv(variable);
    std::vector<std::string> names;
    std::stringstream list(value ? value : "");
    for (std::string name; std::getline(list, name, ';');) {
        if (!name.empty()) names.push_back(name);
    }
    return names;
}
