#include "CPlayer.h"

#include "CRenderer.h"

CPlayer::CPlayer(std::shared_ptr<const CMovie> movie, ISoundSink* sound)
    : m_pMovie(std::move(movie)), m_pSound(sound),
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
    CRenderer(*m_pMovie, pixels, width, height).Draw(*m_pRoot);
}
