#include "CPlayer.h"

#include "CRenderer.h"
#include "HitTest.h"

#include <functional>

namespace {

void ForEachButton(CTimelineState& list, int nesting, const std::function<void(CTimelineState&, DisplayObject&)>& visit)
{
    if (nesting >= CTimelineState::kMaxNesting) return;
    for (auto& [depth, object] : list.GetObjects()) {
        if (object.button) {
            visit(list, object);
        } else if (object.sprite) {
            ForEachButton(*object.sprite, nesting + 1, visit);
        }
    }
}

// The simple actions of every action record whose conditions include one of `conditions`.
std::vector<Action> ActionsFor(const Button& button, std::uint16_t conditions)
{
    std::vector<Action> actions;
    const std::uint16_t key = conditions & BUTTON_KEY_MASK;
    for (const ButtonAction& record : button.actions) {
        const bool matches = key ? (record.conditions & BUTTON_KEY_MASK) == key
                                 : (record.conditions & conditions & ~BUTTON_KEY_MASK) != 0;
        if (matches) actions.insert(actions.end(), record.actions.simple.begin(), record.actions.simple.end());
    }
    return actions;
}

// Keys that are not characters, as buttons' key presses number them.
int ButtonKeyOf(int code)
{
    switch (code) {
    case 37: return 1;   // left
    case 39: return 2;   // right
    case 36: return 3;   // home
    case 35: return 4;   // end
    case 45: return 5;   // insert
    case 46: return 6;   // delete
    case 8: return 8;    // backspace
    case 13: return 13;  // enter
    case 38: return 14;  // up
    case 40: return 15;  // down
    case 33: return 16;  // page up
    case 34: return 17;  // page down
    case 9: return 18;   // tab
    case 27: return 19;  // escape
    default: return 0;
    }
}

} // namespace

CPlayer::CPlayer(std::shared_ptr<const CMovie> movie, ISoundSink* sound, std::shared_ptr<IDeviceFonts> fonts)
    : m_pMovie(std::move(movie)), m_pFonts(std::move(fonts)), m_pSound(sound)
{
    m_context.sound = sound;
    if (!m_pMovie->NeedsActionScript3())
        m_pScripts = std::make_unique<CScriptHost>(*m_pMovie, m_context, m_pFonts.get());
    const double rate = m_pMovie->GetFrameRate();
    m_dFrameMs = 1000.0 / (rate > 0 ? rate : 12);
    m_pRoot = std::make_unique<DisplayObject>(m_context);
    if (m_pScripts) m_pScripts->SetRoot(*m_pRoot);
    m_pRoot->sprite = std::make_unique<CTimelineState>(*m_pMovie, m_pMovie->GetTimeline(), 0, m_context, m_pRoot->id);
    if (m_pScripts) m_pScripts->Start();
}

CPlayer::~CPlayer()
{
    // The tree goes without telling the scripts, which go after it.
    m_context.events = nullptr;
    m_pRoot.reset();
}

void CPlayer::BeginEvent()
{
    m_budget.steps = 0;
    if (m_pScripts) m_pScripts->BeginEvent();
    else ++m_context.event;
}

void CPlayer::Advance()
{
    m_budget.steps = 0;
    if (m_pScripts) {
        m_pScripts->Tick(m_dFrameMs);
    } else {
        ++m_context.event;
        m_pRoot->sprite->Advance();
    }
}

void CPlayer::Render(std::uint32_t* pixels, int width, int height) const
{
    if (!pixels || width <= 0 || height <= 0) return;
    CRenderer(*m_pMovie, pixels, width, height, m_pFonts.get(), m_pScripts.get()).Draw(*m_pRoot);
}

// The topmost button, or clip acting as one, whose shape holds the point; other pictures above
// it do not stop the mouse.
CPlayer::Target CPlayer::FindTarget(CTimelineState& list, const Matrix& matrix, double x, double y, int nesting)
{
    if (nesting >= CTimelineState::kMaxNesting) return {};
    auto& objects = list.GetObjects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        DisplayObject& object = it->second;
        if (!object.visible || object.isMask || object.isScriptMask) continue;
        const Matrix placed = matrix.Then(object.matrix);
        if (object.button) {
            if (object.hitArea && HitsList(*object.hitArea, placed, x, y, nesting + 1)) return {&list, &object, false};
        } else if (object.IsClip()) {
            if (m_pScripts && m_pScripts->IsButtonClip(object)) {
                if (HitsObject(*m_pMovie, object, placed, x, y, nesting + 1)) return {&list, &object, true};
                continue;
            }
            const Target hit = FindTarget(*object.sprite, placed, x, y, nesting + 1);
            if (hit.object) return hit;
        }
    }
    return {};
}

bool CPlayer::OnMouse(MouseEvent event, int x, int y, int width, int height)
{
    BeginEvent();
    const bool wasDown = m_bMouseDown;
    if (event == MouseEvent::Press) m_bMouseDown = true;
    if (event == MouseEvent::Release || event == MouseEvent::Leave) m_bMouseDown = false;
    const Matrix view = CRenderer::ViewMatrix(m_pMovie->GetStage(), width, height);
    const double px = x + 0.5, py = y + 0.5;
    Matrix toStage;
    // Scripts read the mouse at the pixel's corner, as whole pixels on a stage drawn 1:1.
    if (m_pScripts && event != MouseEvent::Leave && view.Invert(toStage))
        m_pScripts->SetMouse(toStage.a * x + toStage.c * y + toStage.tx, toStage.b * x + toStage.d * y + toStage.ty);
    const Target hit = event == MouseEvent::Leave ? Target{} : FindTarget(*m_pRoot->sprite, view.Then(m_pRoot->matrix), px, py, 0);
    m_bOverButton = hit.object && (!hit.isClip || m_pScripts->UsesHandCursor(hit.object->id));

    bool changed = false;
    std::vector<ButtonRun> runs = UpdateButtons(event, wasDown, hit, changed);
    std::vector<std::pair<int, ClipEvent>> clipRuns;
    UpdateClipButtons(event, hit, clipRuns);
    if (!m_pScripts) return changed;

    // Scripts run once the walks are over: a jump may rebuild the lists they walked. The mouse's
    // own events come first, then what the buttons under it do.
    if (event == MouseEvent::Press) m_pScripts->MouseEvent(CLIP_MOUSE_DOWN);
    if (event == MouseEvent::Release) m_pScripts->MouseEvent(CLIP_MOUSE_UP);
    if (event == MouseEvent::Move) m_pScripts->MouseEvent(CLIP_MOUSE_MOVE);
    for (const ButtonRun& run : runs) {
        if (const DisplayObject* button = m_pScripts->Find(run.id)) m_pScripts->ButtonEvent(*button, run.conditions, run.handler, run.byUser);
    }
    for (const auto& [clip, clipEvent] : clipRuns) {
        static const std::pair<ClipEvent, const char*> kHandlers[] = {
            {CLIP_PRESS, "onPress"},       {CLIP_RELEASE, "onRelease"}, {CLIP_RELEASE_OUTSIDE, "onReleaseOutside"},
            {CLIP_ROLL_OVER, "onRollOver"}, {CLIP_ROLL_OUT, "onRollOut"}, {CLIP_DRAG_OVER, "onDragOver"},
            {CLIP_DRAG_OUT, "onDragOut"}};
        for (const auto& [known, handler] : kHandlers) {
            if (known == clipEvent)
                m_pScripts->ClipButtonEvent(clip, clipEvent, handler, clipEvent == CLIP_PRESS || clipEvent == CLIP_RELEASE ||
                                                                          clipEvent == CLIP_RELEASE_OUTSIDE);
        }
    }
    m_pScripts->Settle();
    // Scripts show what they did at the next frame, unless a click or a button asked.
    return changed || !runs.empty() || !clipRuns.empty() || event != MouseEvent::Move;
}

// Each button's new state; the transitions run their actions (the first found only, without
// scripts, as the simple actions have always run).
std::vector<CPlayer::ButtonRun> CPlayer::UpdateButtons(MouseEvent event, bool wasDown, const Target& hit, bool& changed)
{
    std::vector<ButtonRun> runs;
    std::vector<Action> simple;
    CTimelineState* simpleOwner = nullptr;
    const DisplayObject* under = hit.isClip ? nullptr : hit.object;
    ForEachButton(*m_pRoot->sprite, 0, [&](CTimelineState& owner, DisplayObject& button) {
        const ButtonState before = button.buttonState;
        const bool isUnder = &button == under;
        if (isUnder && event == MouseEvent::Press) button.pressed = true;
        ButtonState after = BUTTON_UP;
        if (isUnder) after = m_bMouseDown && button.pressed ? BUTTON_DOWN : BUTTON_OVER;
        else if (m_bMouseDown && button.pressed) after = BUTTON_OVER;  // dragged off while held
        std::uint16_t conditions = 0;
        if (isUnder && before == BUTTON_UP) conditions |= BUTTON_ROLL_OVER;
        if (isUnder && event == MouseEvent::Press) conditions |= BUTTON_PRESS;
        if (isUnder && event == MouseEvent::Release && wasDown && button.pressed) conditions |= BUTTON_RELEASE;
        if (!isUnder && event == MouseEvent::Release && wasDown && button.pressed) conditions |= BUTTON_RELEASE_OUTSIDE;
        if (!isUnder && m_bMouseDown && button.pressed && before == BUTTON_DOWN) conditions |= BUTTON_DRAG_OUT;
        if (isUnder && m_bMouseDown && button.pressed && before == BUTTON_OVER && !(conditions & BUTTON_PRESS))
            conditions |= BUTTON_DRAG_OVER;
        if (!isUnder && !under && before != BUTTON_UP && after == BUTTON_UP) conditions |= BUTTON_ROLL_OUT;
        if (!m_bMouseDown) button.pressed = false;
        if (after != before) {
            owner.SetButtonState(button, after);
            changed = true;
        }
        if (conditions & BUTTON_ROLL_OVER) ButtonSound(owner, button, SOUND_ROLL_OVER);
        if (conditions & BUTTON_ROLL_OUT) ButtonSound(owner, button, SOUND_ROLL_OUT);
        if (conditions & BUTTON_PRESS) ButtonSound(owner, button, SOUND_PRESS);
        if (conditions & BUTTON_RELEASE) ButtonSound(owner, button, SOUND_RELEASE);
        if (!conditions) return;
        if (!m_pScripts) {
            std::vector<Action> found = ActionsFor(*button.button, conditions);
            if (!found.empty() && simple.empty() && (isUnder || !under)) {
                simple = std::move(found);
                simpleOwner = &owner;
            }
            return;
        }
        static const std::pair<std::uint16_t, const char*> kHandlers[] = {
            {BUTTON_ROLL_OUT, "onRollOut"},   {BUTTON_DRAG_OUT, "onDragOut"},   {BUTTON_ROLL_OVER, "onRollOver"},
            {BUTTON_DRAG_OVER, "onDragOver"}, {BUTTON_PRESS, "onPress"},        {BUTTON_RELEASE, "onRelease"},
            {BUTTON_RELEASE_OUTSIDE, "onReleaseOutside"}};
        for (const auto& [condition, handler] : kHandlers) {
            if (!(conditions & condition)) continue;
            const bool byUser = condition == BUTTON_PRESS || condition == BUTTON_RELEASE || condition == BUTTON_RELEASE_OUTSIDE;
            runs.push_back({button.id, condition, handler, byUser});
        }
    });
    if (simpleOwner) {
        simpleOwner->RunActions(simple);
        changed = true;
    }
    return runs;
}

void CPlayer::UpdateClipButtons(MouseEvent event, const Target& hit, std::vector<std::pair<int, ClipEvent>>& runs)
{
    if (!m_pScripts) return;
    const int hover = hit.isClip ? hit.object->id : 0;
    if (event == MouseEvent::Press && hover) {
        m_nPressedClip = hover;
        runs.emplace_back(hover, CLIP_PRESS);
    }
    if ((event == MouseEvent::Release || event == MouseEvent::Leave) && m_nPressedClip) {
        if (event == MouseEvent::Release) runs.emplace_back(m_nPressedClip, hover == m_nPressedClip ? CLIP_RELEASE : CLIP_RELEASE_OUTSIDE);
        m_nPressedClip = 0;
    }
    if (hover != m_nHoverClip) {
        const bool dragging = m_bMouseDown && m_nPressedClip != 0;
        if (m_nHoverClip) runs.emplace_back(m_nHoverClip, dragging && m_nPressedClip == m_nHoverClip ? CLIP_DRAG_OUT : CLIP_ROLL_OUT);
        if (hover) runs.emplace_back(hover, dragging && m_nPressedClip == hover ? CLIP_DRAG_OVER : CLIP_ROLL_OVER);
        m_nHoverClip = hover;
    }
}

void CPlayer::ButtonSound(const CTimelineState& list, const DisplayObject& button, ButtonSoundMoment moment)
{
    const SoundStart& start = button.button->sounds[moment];
    if (m_pSound && start.soundId != 0) m_pSound->StartSound(&list, start);
}

bool CPlayer::OnKeyDown(int code, int ascii)
{
    BeginEvent();
    if (m_pScripts) m_pScripts->KeyEvent(true, code, ascii);
    if (const int key = ButtonKeyOf(code)) KeyPress(key);
    if (m_pScripts) m_pScripts->Settle();
    return true;
}

bool CPlayer::OnKeyUp(int code, int ascii)
{
    BeginEvent();
    if (!m_pScripts) return false;
    m_pScripts->KeyEvent(false, code, ascii);
    m_pScripts->Settle();
    return true;
}

bool CPlayer::OnChar(int ascii)
{
    if (ascii < 32 || ascii > 0xFFFF) return false;
    BeginEvent();
    KeyPress(ascii);
    if (m_pScripts) m_pScripts->Settle();
    return true;
}

// Buttons' and clips' on (keyPress …) for one key.
void CPlayer::KeyPress(int key)
{
    if (key <= 0 || key > 0x7F) return;
    const std::uint16_t condition = static_cast<std::uint16_t>(key << 9);
    std::vector<int> pressed;
    std::vector<Action> simple;
    CTimelineState* simpleOwner = nullptr;
    ForEachButton(*m_pRoot->sprite, 0, [&](CTimelineState& owner, DisplayObject& button) {
        for (const ButtonAction& record : button.button->actions) {
            if ((record.conditions & BUTTON_KEY_MASK) != condition) continue;
            pressed.push_back(button.id);
            if (!simpleOwner) {
                simple = ActionsFor(*button.button, condition);
                simpleOwner = &owner;
            }
            return;
        }
    });
    if (!m_pScripts) {
        if (simpleOwner) simpleOwner->RunActions(simple);
        return;
    }
    for (int id : pressed) {
        if (const DisplayObject* button = m_pScripts->Find(id)) m_pScripts->ButtonEvent(*button, condition, nullptr, true);
    }
    m_pScripts->KeyPress(key);
}

void CPlayer::SetUrlOpener(IUrlOpener* opener)
{
    if (m_pScripts) m_pScripts->SetUrlOpener(opener);
}

void CPlayer::SetUrl(const std::string& url)
{
    if (m_pScripts) m_pScripts->SetUrl(url);
}

void CPlayer::SetLogHook(std::function<void(const std::string&)> hook)
{
    if (m_pScripts) m_pScripts->SetLogHook(std::move(hook));
}

std::vector<std::string> CPlayer::GetLog() const
{
    if (!m_pScripts) return {};
    return {m_pScripts->GetLog().begin(), m_pScripts->GetLog().end()};
}

std::string CPlayer::GetScriptNote() const
{
    if (!m_pScripts || m_pScripts->GetStopReason().empty()) return {};
    return "The movie's scripts were stopped: " + m_pScripts->GetStopReason() + ". What it shows stays.";
}
