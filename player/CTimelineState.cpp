#include "CTimelineState.h"

#include <algorithm>
#include <cctype>

DisplayObject::DisplayObject(DisplayContext& owner) : ticket(owner.budget), context(owner), id(owner.nextId++)
{
}

DisplayObject::~DisplayObject()
{
    if (context.events) context.events->Destroyed(*this);
}

CTimelineState::CTimelineState(const CMovie& movie, const Timeline& timeline, int nesting, DisplayContext& context,
                               int clipId, bool quiet)
    : m_movie(movie),
      m_timeline(timeline),
      m_nNesting(nesting),
      m_context(context),
      m_pSound(quiet ? nullptr : context.sound),
      m_nClipId(clipId),
      m_bQuiet(quiet)
{
    if (m_timeline.frames.empty()) return;
    // The frame's actions are due before its new objects' own: a timeline's script runs
    // before those of the clips it places.
    IDisplayEvents* scripts = Scripts();
    if (scripts) scripts->FrameEntered(*this, 0);
    Apply(m_timeline.frames.front());
    StartSounds();
    if (!scripts) RunActions(0);
    ShowStream();
}

CTimelineState::~CTimelineState()
{
    if (m_pSound) m_pSound->TimelineGone(this);
}

void CTimelineState::Advance()
{
    // The last placed first, as a player runs the clips it holds.
    for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it) {
        if (it->second.sprite) it->second.sprite->Advance();
    }
    const int count = GetFrameCount();
    if (m_bPlaying && count > 1) {
        const int next = m_nFrame + 1 < count ? m_nFrame + 1 : 0;
        if (IDisplayEvents* scripts = Scripts()) {
            scripts->FrameEntered(*this, next);
            GoTo(next);
        } else {
            GoTo(next);
            RunActions(0);
        }
    }
    ShowStream();
}

void CTimelineState::GotoFrame(int frame)
{
    frame = std::clamp(frame, 0, GetFrameCount() - 1);
    if (frame == m_nFrame) return;
    if (m_nJumpEvent != m_context.event) {
        m_nJumpEvent = m_context.event;
        m_nJumps = 0;
    }
    if (++m_nJumps > kMaxJumpsPerFrame) return;
    if (IDisplayEvents* scripts = Scripts()) scripts->FrameEntered(*this, frame);
    GoTo(frame);
    // A script's jump comes after the frame's stream block was shown: the frame left is not heard.
    ShowStream();
}

int CTimelineState::FindLabel(const std::string& label) const
{
    const auto same = [&label](const std::string& name) {
        return std::equal(name.begin(), name.end(), label.begin(), label.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
        });
    };
    for (const FrameLabel& known : m_timeline.labels) {
        if (same(known.name) && known.frame < GetFrameCount()) return known.frame;
    }
    return -1;
}

void CTimelineState::GoTo(int frame)
{
    if (frame == m_nFrame) return;
    if (frame > m_nFrame) {
        for (int i = m_nFrame + 1; i <= frame && !m_context.budget.Exhausted(); ++i) Apply(m_timeline.frames[i]);
    } else {
        // Back: the list is built again from the first frame; what scripts made stays.
        DisplayList previous = std::move(m_objects);
        m_objects.clear();
        for (auto it = previous.begin(); it != previous.end();) {
            const auto next = std::next(it);
            if (it->second.scripted) m_objects.insert(previous.extract(it));
            it = next;
        }
        m_pPrevious = &previous;
        for (int i = 0; i <= frame && !m_context.budget.Exhausted(); ++i) Apply(m_timeline.frames[i]);
        m_pPrevious = nullptr;
        while (!previous.empty()) Release(previous.extract(previous.begin()));
    }
    m_nFrame = frame;
    StartSounds();
}

void CTimelineState::Release(DisplayList::node_type node)
{
    if (IDisplayEvents* events = Events()) events->Removed(std::move(node));
}

void CTimelineState::Apply(const Frame& frame)
{
    if (!m_context.budget.Spend()) return;
    for (const ControlTag& tag : frame.tags) {
        if (!m_context.budget.Spend()) return;
        if (tag.kind == ControlKind::Place) {
            Place(tag);
        } else if (tag.kind == ControlKind::Remove) {
            const auto found = m_objects.find(tag.depth);
            if (found != m_objects.end() && !found->second.scripted) Release(m_objects.extract(found));
        }
    }
}

void CTimelineState::Place(const ControlTag& tag)
{
    const int depth = tag.depth;
    const auto found = m_objects.find(depth);
    if (found != m_objects.end() && found->second.scripted) return;  // a script's object keeps its depth
    if (found != m_objects.end() && !(tag.hasCharacter && !tag.move)) {
        // A move, or a new character for the object there.
        DisplayObject& object = found->second;
        if (tag.hasCharacter && tag.characterId != object.characterId) SetCharacter(object, tag.characterId);
        ApplyPlacement(object, tag);
        return;
    }
    // A move needs something to move; a new placement replaces what was at its depth.
    if (!tag.hasCharacter) return;
    if (found != m_objects.end()) Release(m_objects.extract(found));
    if (m_pPrevious) {
        // The same character at the same depth carries on as it was (a sprite's play head, a
        // field's text, a button's state, what scripts gave it), placed anew.
        const auto kept = m_pPrevious->find(depth);
        if (kept != m_pPrevious->end() && kept->second.characterId == tag.characterId) {
            DisplayObject& object = m_objects.insert(m_pPrevious->extract(kept)).position->second;
            if (!object.detached) {
                object.matrix = Matrix();
                object.colour = ColourTransform();
                object.visible = true;
            }
            object.ratio = 0;
            object.isMask = false;
            object.clipDepth = 0;
            object.blendMode = BLEND_NORMAL;
            ApplyPlacement(object, tag);
            return;
        }
    }
    if (m_context.budget.objects >= PlayBudget::kMaxObjects) return;
    DisplayObject& object = m_objects.try_emplace(depth, m_context).first->second;
    object.depth = depth;
    object.characterId = tag.characterId;
    ApplyPlacement(object, tag);
    // A sprite is told of before its first frame is entered (what comes due for it comes
    // first); anything else once it has its character.
    IDisplayEvents* events = Events();
    const bool sprite = m_movie.FindSprite(tag.characterId) != nullptr;
    if (events && sprite) events->Placed(*this, object);
    SetCharacter(object, tag.characterId);
    if (events && !sprite) events->Placed(*this, object);
    if (events && object.IsClip()) events->Loaded(object);
}

void CTimelineState::ApplyPlacement(DisplayObject& object, const ControlTag& tag)
{
    if (tag.hasMatrix && !object.detached) object.matrix = tag.matrix;
    if (tag.hasColour && !object.detached) object.colour = tag.colour;
    if (tag.hasVisible) object.visible = tag.visible;
    if (tag.isMask) {
        object.isMask = true;
        object.clipDepth = tag.clipDepth;
    }
    if (tag.hasRatio) object.ratio = tag.ratio;
    if (tag.hasName) object.name = tag.name;
    if (tag.hasBlendMode) object.blendMode = tag.blendMode;
    if (tag.cacheAsBitmap) object.cacheAsBitmap = true;
    if (!tag.clipActions.empty()) object.clipActions = &tag.clipActions;
}

bool CTimelineState::SetCharacter(DisplayObject& object, std::uint16_t characterId)
{
    object.characterId = characterId;
    object.sprite.reset();
    object.hitArea.reset();
    object.text.reset();
    object.button = nullptr;
    if (const EditText* field = m_movie.FindEditText(characterId)) {
        object.text = std::make_unique<CTextField>(m_movie, *field, m_context.budget);
        return true;
    }
    if (const Sprite* sprite = m_movie.FindSprite(characterId)) return MakeSprite(object, sprite->timeline);
    if (const Button* button = m_movie.FindButton(characterId)) {
        if (m_nNesting + 1 >= kMaxNesting) return false;
        object.button = button;
        object.hitArea = std::make_unique<CTimelineState>(m_movie, button->states[BUTTON_HIT], m_nNesting + 1, m_context,
                                                          object.id, true);
        object.buttonState = BUTTON_STATES;  // so that the next line shows the up state
        SetButtonState(object, BUTTON_UP);
    }
    return true;
}

bool CTimelineState::MakeSprite(DisplayObject& object, const Timeline& timeline)
{
    if (m_nNesting + 1 >= kMaxNesting) return false;
    object.sprite = std::make_unique<CTimelineState>(m_movie, timeline, m_nNesting + 1, m_context, object.id, m_bQuiet);
    return true;
}

DisplayObject* CTimelineState::Add(int depth)
{
    const auto found = m_objects.find(depth);
    if (found != m_objects.end()) Release(m_objects.extract(found));
    if (m_context.budget.objects >= PlayBudget::kMaxObjects) return nullptr;
    DisplayObject& object = m_objects.try_emplace(depth, m_context).first->second;
    object.depth = depth;
    object.scripted = true;
    return &object;
}

void CTimelineState::Remove(int depth)
{
    const auto found = m_objects.find(depth);
    if (found != m_objects.end()) Release(m_objects.extract(found));
}

void CTimelineState::SwapDepths(int from, int to)
{
    const auto found = m_objects.find(from);
    if (found == m_objects.end() || from == to) return;
    DisplayList::node_type moving = m_objects.extract(found);
    const auto there = m_objects.find(to);
    if (there != m_objects.end()) {
        DisplayList::node_type other = m_objects.extract(there);
        other.key() = other.mapped().depth = from;
        other.mapped().scripted = true;
        m_objects.insert(std::move(other));
    }
    moving.key() = moving.mapped().depth = to;
    moving.mapped().scripted = true;
    m_objects.insert(std::move(moving));
}

void CTimelineState::SetButtonState(DisplayObject& button, ButtonState state)
{
    if (!button.button || state >= BUTTON_HIT || button.buttonState == state) return;
    button.buttonState = state;
    button.sprite.reset();
    if (m_nNesting + 1 < kMaxNesting && m_context.budget.objects < PlayBudget::kMaxObjects)
        button.sprite = std::make_unique<CTimelineState>(m_movie, button.button->states[state], m_nNesting + 1, m_context,
                                                         button.id, m_bQuiet);
}

int CTimelineState::Perform(const std::vector<Action>& actions, int target)
{
    const int count = GetFrameCount();
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
        if (!m_context.budget.Spend()) return;
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
        if (!m_context.budget.Spend()) return;
        m_pSound->StartSound(this, start);
    }
}

void CTimelineState::ShowStream()
{
    if (m_pSound && m_timeline.stream) m_pSound->ShowStreamFrame(this, *m_timeline.stream, m_nFrame, m_bPlaying);
}
