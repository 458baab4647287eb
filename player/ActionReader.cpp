#include "ActionReader.h"

#include <algorithm>

namespace {

enum ButtonRecordFlag {
    RECORD_UP = 0x01,
    RECORD_OVER = 0x02,
    RECORD_DOWN = 0x04,
    RECORD_HIT = 0x08,
    RECORD_HAS_FILTERS = 0x10,
    RECORD_HAS_BLEND_MODE = 0x20,
};

// The simple actions, picked out of the code as far as it can be walked.
void PickSimpleActions(const std::vector<std::uint8_t>& code, std::vector<Action>& simple)
{
    CBitReader reader(code.data(), code.size());
    while (reader.Remaining() > 0) {
        const std::uint8_t op = reader.U8();
        if (op == 0) break;
        const std::size_t length = op >= 0x80 ? reader.U16() : 0;
        if (reader.Failed()) break;
        CBitReader payload(reader.Here(), std::min(length, reader.Remaining()));
        reader.Skip(length);
        switch (static_cast<ActionCode>(op)) {
        case ActionCode::NextFrame:
        case ActionCode::PreviousFrame:
        case ActionCode::Play:
        case ActionCode::Stop:
            simple.push_back({static_cast<ActionCode>(op), 0});
            break;
        case ActionCode::GotoFrame: {
            const std::uint16_t frame = payload.U16();
            if (!payload.Failed()) simple.push_back({ActionCode::GotoFrame, frame});
            break;
        }
        default:
            break;  // left to a script engine
        }
    }
}

} // namespace

bool SkipFilters(CBitReader& reader)
{
    const int count = reader.U8();
    for (int i = 0; i < count && !reader.Failed(); ++i) {
        switch (reader.U8()) {
        case 0: reader.Skip(23); break;  // drop shadow
        case 1: reader.Skip(9); break;   // blur
        case 2: reader.Skip(15); break;  // glow
        case 3: reader.Skip(27); break;  // bevel
        case 4:                          // gradient glow
        case 7: {                        // gradient bevel
            const int colours = reader.U8();
            reader.Skip(colours * 5 + 19);
            break;
        }
        case 5: {  // convolution
            const int columns = reader.U8();
            const int rows = reader.U8();
            reader.Skip(static_cast<std::size_t>(columns) * rows * 4 + 13);
            break;
        }
        case 6: reader.Skip(80); break;  // colour matrix
        default: return false;
        }
    }
    return !reader.Failed();
}

static bool ReadButtonActions(CBitReader reader, std::size_t offset, Button& button, CModelBudget& budget);

bool ReadActionBlock(CBitReader& reader, ActionBlock& block, CModelBudget& budget)
{
    // The block's length is found by walking it: its end action, or the reader's end.
    const std::uint8_t* start = reader.Here();
    while (reader.Remaining() > 0) {
        const std::uint8_t op = reader.U8();
        if (op == 0) break;
        if (op >= 0x80) reader.Skip(reader.U16());
        if (reader.Failed()) break;
    }
    const std::size_t length = static_cast<std::size_t>(reader.Here() - start);
    if (!budget.Charge(length + sizeof(ActionBlock))) return false;
    block.code = std::make_shared<const std::vector<std::uint8_t>>(start, start + length);
    PickSimpleActions(*block.code, block.simple);
    return budget.Charge(block.simple.size() * sizeof(Action));
}

bool ReadClipActions(CBitReader& reader, int movieVersion, std::vector<ClipAction>& actions, CModelBudget& budget)
{
    const auto events = [&] { return movieVersion >= 6 ? reader.U32() : reader.U16(); };
    reader.U16();  // reserved
    events();      // every event used, together
    while (!reader.Failed()) {
        ClipAction action;
        action.events = events();
        if (action.events == 0) return true;
        std::size_t length = reader.U32();
        if (action.events & CLIP_KEY_PRESS) {  // the key code comes first
            action.keyCode = reader.U8();
            length = length > 0 ? length - 1 : 0;
        }
        if (reader.Failed() || length > reader.Remaining() || !budget.Charge(length + sizeof(ClipAction))) return false;
        action.code = std::make_shared<const std::vector<std::uint8_t>>(reader.Here(), reader.Here() + length);
        reader.Skip(length);
        actions.push_back(std::move(action));
    }
    return false;
}

bool ReadButton(CBitReader& reader, int version, Button& button, CModelBudget& budget)
{
    std::size_t actionOffset = 0;
    // Version 2 finds its actions by an offset counted from the offset field itself.
    const std::uint8_t* offsetBase = nullptr;
    std::size_t offsetSpan = 0;
    if (version == 2) {
        button.trackAsMenu = (reader.U8() & 0x01) != 0;
        offsetBase = reader.Here();
        offsetSpan = reader.Remaining();
        actionOffset = reader.U16();
    }
    for (;;) {
        const std::uint8_t flags = reader.U8();
        if (reader.Failed()) return false;
        if (flags == 0) break;
        ControlTag place;
        place.hasCharacter = place.hasMatrix = true;
        place.characterId = reader.U16();
        place.depth = reader.U16();
        place.matrix = reader.ReadMatrix();
        if (version == 2) {
            place.hasColour = true;
            place.colour = reader.ReadColourTransform(true);
            if ((flags & RECORD_HAS_FILTERS) && !SkipFilters(reader)) return false;
            if (flags & RECORD_HAS_BLEND_MODE) {
                place.hasBlendMode = true;
                place.blendMode = reader.U8();
            }
        }
        if (reader.Failed()) return false;
        for (int state = BUTTON_UP; state < BUTTON_STATES; ++state) {
            if (!(flags & (1 << state))) continue;
            if (!budget.Charge(sizeof(ControlTag) + sizeof(Frame))) return false;
            Timeline& timeline = button.states[state];
            if (timeline.frames.empty()) timeline.frames.emplace_back();
            timeline.frames.front().tags.push_back(place);
        }
    }
    if (version == 1) {
        ButtonAction action;
        action.conditions = BUTTON_RELEASE;
        if (!ReadActionBlock(reader, action.actions, budget)) return false;
        button.actions.push_back(std::move(action));
        return true;
    }
    if (actionOffset == 0) return true;
    return ReadButtonActions(CBitReader(offsetBase, offsetSpan), actionOffset, button, budget);
}

static bool ReadButtonActions(CBitReader reader, std::size_t offset, Button& button, CModelBudget& budget)
{
    reader.Skip(offset);
    for (;;) {
        const std::size_t start = reader.Position();
        const std::size_t next = reader.U16();
        ButtonAction action;
        action.conditions = reader.U16();
        if (reader.Failed()) return false;
        const std::size_t end = next == 0 ? reader.Position() + reader.Remaining() : start + next;
        if (end < reader.Position() || end - reader.Position() > reader.Remaining()) return false;
        CBitReader code(reader.Here(), end - reader.Position());
        if (!ReadActionBlock(code, action.actions, budget)) return false;
        button.actions.push_back(std::move(action));
        if (next == 0) return true;
        reader.Skip(end - reader.Position());
    }
}

void ReadButtonCxform(CBitReader& reader, Button& button)
{
    const ColourTransform colour = reader.ReadColourTransform(false);
    if (reader.Failed()) return;
    for (Timeline& timeline : button.states) {
        for (Frame& frame : timeline.frames) {
            for (ControlTag& tag : frame.tags) {
                tag.hasColour = true;
                tag.colour = colour;
            }
        }
    }
}
