#pragma once
// A small stand-in for the player around the script engine, for tests and the fuzz target: the
// movie's main timeline (its frames' actions run as the player runs them, a jump running the
// new frame's actions), named clips of ten frames each (frame 5 labelled "five"), a clock that
// moves on by one frame per tick, and a log of what the movie traced and asked for.
#include "CMovie.h"
#include "CScriptVM.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CScriptStage final : public IScriptHost {
public:
    // `clips` are paths below the root such as "a" and "a/b", made before the first frame.
    CScriptStage(std::shared_ptr<const CMovie> movie, const std::vector<std::string>& clips);

    // The first frame (init actions first), then `ticks` more frames; frames listed in
    // `byUser` (from 0) run their actions as a click's would, after which Key's listeners
    // hear of a key press (onKeyDown).
    void Play(int ticks, const std::vector<int>& byUser = {});
    // The same in steps: the first frame, then one frame more at a time.
    void Start(const std::vector<int>& byUser = {});
    void Tick(const std::vector<int>& byUser = {});
    const std::vector<std::string>& Log() const { return m_log; }
    CScriptVM& Vm() { return *m_pVm; }

    // IScriptHost
    int Level(int level) override { return level == 0 ? kRoot : 0; }
    int Parent(int clip) override;
    int Child(int clip, const std::string& name) override;
    std::string Name(int clip) override;
    int LevelOf(int) override { return 0; }
    bool IsAlive(int clip) override { return m_clips.count(clip) > 0; }
    ClipValue GetProperty(int clip, int property) override;
    void SetProperty(int clip, int property, const ClipValue& value) override;
    void GotoFrame(int clip, int frame) override;
    bool GotoLabel(int clip, const std::string& label) override;
    void Play(int clip, bool play) override;
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> FrameActions(int clip, int frame) override;
    int Duplicate(int clip, const std::string& name, int depth) override;
    int Attach(int parent, const std::string& exportName, const std::string& name, int depth) override;
    int CreateEmpty(int parent, const std::string& name, int depth) override;
    void Remove(int clip) override;
    int Depth(int clip) override;
    int NextHighestDepth(int clip) override;
    void SwapDepths(int clip, int depth) override;
    void StartDrag(int clip, bool lockCentre, const double* bounds) override;
    void StopDrag() override;
    // The stand-in stage draws nothing: its clips have no shape, bounds or mask.
    int InstanceAtDepth(int clip, int depth) override;
    bool GetBounds(int, int, double[4]) override { return false; }
    bool HitTestPoint(int, double, double, bool) override { return false; }
    bool HitTestClip(int, int) override { return false; }
    void ConvertPoint(int, double&, double&, bool) override {}
    void SetMask(int, int) override {}
    void Draw(int, const DrawCommand&) override {}
    double BytesTotal() override { return 1000; }
    int CreateTextField(int parent, const std::string& name, int depth, const double bounds[4]) override;
    bool IsTextField(int clip) override { return IsAlive(clip) && m_clips.at(clip).isText; }
    bool GetTextProperty(int field, const std::string& name, ClipValue& value) override;
    bool SetTextProperty(int field, const std::string& name, const ClipValue& value) override;
    void GetColour(int clip, double transform[8]) override;
    void SetColour(int clip, const double transform[8]) override;
    int NewSound(int clip) override;
    bool AttachSound(int sound, const std::string& exportName) override;
    void StartSound(int sound, double offsetSeconds, int loops) override;
    void StopSound(int sound) override;
    void SetVolume(int sound, int volume) override { m_volumes[sound] = volume; }
    int GetVolume(int sound) override { return m_volumes.count(sound) ? m_volumes[sound] : 100; }
    void ShowMouse(bool show) override { m_log.push_back(show ? "mouse shown" : "mouse hidden"); }
    void GetStageSize(double& width, double& height) override;
    void OpenUrl(const std::string& url, const std::string& window, bool byUser) override;
    void FsCommand(const std::string& command, const std::string& arguments) override;
    void Trace(const std::string& text) override { m_log.push_back(text); }
    void ScriptsStopped(const std::string& why) override { m_log.push_back("stopped: " + why); }
    void StopSounds() override {}
    double Timer() override { return m_dTime; }
    double Now() override { return 1772366400000.0 + m_dTime; }  // 2026-03-01 12:00 UTC
    int LocalOffsetMinutes(double) override { return 60; }
    std::uint32_t RandomSeed() override { return 1; }
    bool IsKeyDown(int) override { return false; }
    int LastKeyCode() override { return 0; }
    int LastKeyAscii() override { return 0; }

private:
    static constexpr int kRoot = 1;
    struct Clip {
        int parent = 0;
        std::string name;
        int depth = 0;
        int frame = 0;
        int frames = 10;
        bool playing = true;
        double properties[PROP_COUNT] = {};
        double colour[8] = {100, 0, 100, 0, 100, 0, 100, 0};
        bool isText = false;
        std::map<std::string, ClipValue> text;
    };

    int Make(int parent, const std::string& name, int depth, int frames);
    void RunFrame(bool byUser);

    std::shared_ptr<const CMovie> m_pMovie;
    std::map<int, Clip> m_clips;
    int m_nNextClip = kRoot;
    double m_dTime = 0;
    bool m_bRootJumped = false;
    std::vector<std::string> m_log;
    std::map<int, std::string> m_sounds;  // sound → attached export name
    std::map<int, int> m_volumes;
    std::unique_ptr<CScriptVM> m_pVm;  // last: it calls back into the stage while it goes
};
