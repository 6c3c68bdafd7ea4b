#include "platform/vcl/forms/TTimer.h"
#include "platform/vcl/forms/TControl.h"
#include "platform/vcl/forms/qt/QtTimer.h"

TTimer::TTimer(TComponent* owner)
    : TComponent(owner)
    , m_binding(std::make_unique<TTimerBinding>(*this))
{
    Update();
}

TTimer::~TTimer() = default;

void TTimer::SetInterval(unsigned interval)
{
    if (m_interval == interval)
        return;
    m_interval = interval;
    Update();
}

void TTimer::SetEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    Update();
}

void TTimer::Update()
{
    m_binding->Set(m_enabled && m_interval > 0, m_interval);
}

void TTimer::Fire()
{
    if (OnTimer)
        GuardedCall(this, [this] { OnTimer(this); });
}
