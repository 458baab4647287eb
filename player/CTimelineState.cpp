#include "CTimelineState.h"

#include <algorithm>

CTimelineState::CTimelineState(const CMovie& movie, const Timeline& timeline, int nesting, PlayBudget& budget,
                               ISoundSink* sound)
    : m_movie(movie), m_timeline(timeline), m_nNesting(nesting), m_budget(budget), m_pSound(sound)
{
    if (!m_timeline.frames.empty()) {
        Apply(m_timeline.frames.front());
        StartSounds();
        RunActions(0);
        ShowStream();
    }
}

CTimelineState::~CTimelineState()
{
    if (m_pSound) m_pSound->TimelineGone(this);
}

void CTimelineState::Advance()
{
    for (auto& [depth, object] : m_objects) {
        if (object.sprite) object.sprite->Advance();
    }
    const int count = static_cast<int>(m_timeline.frames.size());
    if (m_bPlaying && count > 1) {
        GoTo(m_nFrame + 1 < count ? m_nFrame + 1 : 0);
        RunActions(0);
    }
    ShowStream();
}

void CTimelineState::GoTo(int frame)
{
    if (frame == m_nFrame) return;
    if (frame > m_nFrame) {
        for (int i = m_nFrame + 1; i <= frame && !m_budget.Exhausted(); ++i) Apply(m_timeline.frames[i]);
    } else {
        // Back: the list is built again from the first frame.
        std::map<std::uint16_t, DisplayObject> previous = std::move(m_objects);
        m_objects.clear();
        m_pPrevious = &previous;
        for (int i = 0; i <= frame && !m_budget.Exhausted(); ++i) Apply(m_timeline.frames[i]);
        m_pPrevious = nullptr;
    }
    m_nFrame = frame;
    StartSounds();
}

void CTimelineState::Apply(const Frame& frame)
{
    if (!m_budget.Spend()) return;
    for (const ControlTag& tag : frame.tags) {
        if (!m_budget.Spend()) return;
        if (tag.kind == ControlKind::Place) {
            Place(tag);
        } else if (tag.kind == ControlKind::Remove) {
            m_objects.erase(tag.depth);
        }
    }
}

void CTimelineState::Place(const ControlTag& tag)
{
    auto found = m_objects.find(tag.depth);
    DisplayObject* object = nullptr;
    if (found == m_objects.end() || (tag.hasCharacter && !tag.move)) {
        // A move needs something to move; a new placement replaces what was at its depth.
        if (!tag.hasCharacter) return;
        if (found != m_objects.end()) m_objects.erase(found);
        if (m_budget.objects >= PlayBudget::kMaxObjects) return;
        object = &m_objects.try_emplace(tag.depth, m_budget).first->second;
        SetCharacter(*object, tag.depth, tag.characterId);
    } else {
        object = &found->second;
        if (tag.hasCharacter && tag.characterId != object->characterId)
            SetCharacter(*object, tag.depth, tag.characterId);
    }
    if (tag.hasMatrix) object->matrix = tag.matrix;
    if (tag.hasColour) object->colour = tag.colour;
    if (tag.hasVisible) object->visible = tag.visible;
    if (tag.isMask) {
        object->isMask = true;
        object->clipDepth = tag.clipDepth;
    }
    if (tag.hasRatio) object->ratio = tag.ratio;
    if (tag.hasName) object->name = tag.name;
    if (tag.hasBlendMode) object->blendMode = tag.blendMode;
    if (tag.cacheAsBitmap) object->cacheAsBitmap = true;
    if (!tag.clipActions.empty()) object->clipActions = &tag.clipActions;
}

void CTimelineState::SetCharacter(DisplayObject& object, std::uint16_t depth, std::uint16_t characterId)
{
    object.characterId = characterId;
    object.sprite.reset();
    object.hitArea.reset();
    object.text.reset();
    object.button = nullptr;
    if (m_pPrevious) {
        // The same character at the same depth carries on as it was (a sprite's play head, a
        // field's text, a button's state).
        const auto kept = m_pPrevious->find(depth);
        if (kept != m_pPrevious->end() && kept->second.characterId == characterId) {
            object.sprite = std::move(kept->second.sprite);
            object.hitArea = std::move(kept->second.hitArea);
            object.text = std::move(kept->second.text);
            object.button = kept->second.button;
            object.buttonState = kept->second.buttonState;
            if (object.sprite || object.text || object.button) return;
        }
    }
    if (const EditText* field = m_movie.FindEditText(characterId)) {
        object.text = std::make_unique<CTextField>(m_movie, *field, m_budget);
        return;
    }
    if (m_nNesting + 1 >= kMaxNesting) return;
    if (const Sprite* sprite = m_movie.FindSprite(characterId)) {
        object.sprite = std::make_unique<CTimelineState>(m_movie, sprite->timeline, m_nNesting + 1, m_budget, m_pSound);
    } else if (const Button* button = m_movie.FindButton(characterId)) {
        object.button = button;
        object.hitArea = std::make_unique<CTimelineState>(m_movie, button->states[BUTTON_HIT], m_nNesting + 1, m_budget, nullptr);
        object.buttonState = BUTTON_STATES;  // so that the next line shows the up state
        SetButtonState(object, BUTTON_UP);
    }
}

void CTimelineState::SetButtonState(DisplayObject& button, ButtonState state)
{
    if (!button.button || state >= BUTTON_HIT || button.buttonState == state) return;
    button.buttonState = state;
    button.sprite.reset();
    if (m_nNesting + 1 < kMaxNesting && m_budget.objects < PlayBudget::kMaxObjects)
        button.sprite = std::make_unique<CTimelineState>(m_movie, button.button->states[state], m_nNesting + 1, m_budget, m_pSound);
}

int CTimelineState::Perform(const std::vector<Action>& actions, int target)
{
    const int count = static_cast<int>(m_timeline.frames.size());
    for (const Action& action : actions) {
        switch (action.code) {
        case ActionCode::Stop: m_bPlaying = false; break;
        case ActionCode::Play: m_bPlaying = true; break;
        case ActionCode::GotoFrame: target = std::min<int>(action.frame, count - 1); break;
        case ActionCode::NextFrame:
            target = std::min(m_nFrame + 1, count - 1);
            m_bPlaying = false;
            break;
        case ActionCode::PreviousFrame:
            target = std::max(m_nFrame - 1, 0);
            m_bPlaying = false;
            break;
        }
    }
    return target;
}

void CTimelineState::RunActions(int jumps)
{
    int target = -1;
    for (const ControlTag& tag : m_timeline.frames[m_nFrame].tags) {
        if (!m_budget.Spend()) return;
        target = Perform(tag.actions, target);
    }
    if (target < 0 || target == m_nFrame || jumps >= kMaxJumpsPerFrame) return;
    GoTo(target);
    RunActions(jumps + 1);
}

void CTimelineState::RunActions(const std::vector<Action>& actions)
{
    const int target = Perform(actions, -1);
    if (target < 0 || target == m_nFrame) return;
    GoTo(target);
    RunActions(1);
}

// Only the frame the play head lands on starts its sounds, not the frames a jump passes over.
void CTimelineState::StartSounds()
{
    if (!m_pSound) return;
    for (const SoundStart& start : m_timeline.frames[m_nFrame].sounds) {
        if (!m_budget.Spend()) return;
        m_pSound->StartSound(this, start);
    }
}

void CTimelineState::ShowStream()
{
    if (m_pSound && m_timeline.stream) m_pSound->ShowStreamFrame(this, *m_timeline.stream, m_nFrame, m_bPlaying);
}
