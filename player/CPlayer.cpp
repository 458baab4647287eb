#include "CPlayer.h"

#include "CRenderer.h"
#include "HitTest.h"

#include <functional>

namespace {

struct ButtonHit {
    CTimelineState* owner = nullptr;  // the list the button is on, whose timeline its actions steer
    DisplayObject* button = nullptr;
};

// The topmost button whose hit area holds the point, looking into sprites.
ButtonHit FindButton(CTimelineState& list, const Matrix& matrix, double x, double y, int nesting)
{
    if (nesting >= CTimelineState::kMaxNesting) return {};
    auto& objects = list.GetObjects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        DisplayObject& object = it->second;
        if (!object.visible || object.isMask) continue;
        const Matrix placed = matrix.Then(object.matrix);
        if (object.button) {
            if (object.hitArea && HitsList(*object.hitArea, placed, x, y, nesting + 1)) return {&list, &object};
        } else if (object.sprite) {
            const ButtonHit hit = FindButton(*object.sprite, placed, x, y, nesting + 1);
            if (hit.button) return hit;
        }
    }
    return {};
}

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
    for (const ButtonAction& record : button.actions) {
        if (record.conditions & conditions) actions.insert(actions.end(), record.actions.simple.begin(), record.actions.simple.end());
    }
    return actions;
}

} // namespace

CPlayer::CPlayer(std::shared_ptr<const CMovie> movie, ISoundSink* sound, std::shared_ptr<IDeviceFonts> fonts)
    : m_pMovie(std::move(movie)),
      m_pFonts(std::move(fonts)),
      m_pSound(sound),
      m_pRoot(std::make_unique<CTimelineState>(*m_pMovie, m_pMovie->GetTimeline(), 0, m_budget, sound))
{
}

void CPlayer::Advance()
{
    m_budget.steps = 0;
    m_pRoot->Advance();
}

void CPlayer::Render(std::uint32_t* pixels, int width, int height) const
{
    if (!pixels || width <= 0 || height <= 0) return;
    CRenderer(*m_pMovie, pixels, width, height, m_pFonts.get()).Draw(*m_pRoot);
}

bool CPlayer::OnMouse(MouseEvent event, int x, int y, int width, int height)
{
    m_budget.steps = 0;
    const bool wasDown = m_bMouseDown;
    if (event == MouseEvent::Press) m_bMouseDown = true;
    if (event == MouseEvent::Release || event == MouseEvent::Leave) m_bMouseDown = false;
    const Matrix view = CRenderer::ViewMatrix(m_pMovie->GetStage(), width, height);
    const ButtonHit hit = event == MouseEvent::Leave ? ButtonHit{}
                                                     : FindButton(*m_pRoot, view, x + 0.5, y + 0.5, 0);
    m_bOverButton = hit.button != nullptr;

    // Each button's new state; the one under the mouse collects the actions its change runs.
    bool changed = false;
    std::vector<Action> actions;
    CTimelineState* actionOwner = nullptr;
    ForEachButton(*m_pRoot, 0, [&](CTimelineState& owner, DisplayObject& button) {
        const ButtonState before = button.buttonState;
        const bool under = &button == hit.button;
        if (under && event == MouseEvent::Press) button.pressed = true;
        ButtonState after = BUTTON_UP;
        if (under) after = m_bMouseDown && button.pressed ? BUTTON_DOWN : BUTTON_OVER;
        else if (m_bMouseDown && button.pressed) after = BUTTON_OVER;  // dragged off while held
        std::uint16_t conditions = 0;
        if (under && before == BUTTON_UP) conditions |= BUTTON_ROLL_OVER;
        if (under && event == MouseEvent::Press) conditions |= BUTTON_PRESS;
        if (under && event == MouseEvent::Release && wasDown && button.pressed) conditions |= BUTTON_RELEASE;
        if (!under && !hit.button && before != BUTTON_UP && after == BUTTON_UP) conditions |= BUTTON_ROLL_OUT;
        if (!m_bMouseDown) button.pressed = false;
        if (after != before) {
            owner.SetButtonState(button, after);
            changed = true;
        }
        if (conditions && (under || !hit.button)) {
            std::vector<Action> found = ActionsFor(*button.button, conditions);
            if (!found.empty() && actions.empty()) {
                actions = std::move(found);
                actionOwner = &owner;
            }
        }
    });
    // Actions run once the walk is over: a jump may rebuild the lists it walked.
    if (actionOwner) {
        actionOwner->RunActions(actions);
        changed = true;
    }
    return changed;
}
