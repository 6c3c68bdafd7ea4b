#include "platform/vcl/forms/qt/QtTimer.h"
#include "platform/vcl/forms/TTimer.h"
#include <QCoreApplication>
#include <QTimer>

TTimerBinding::TTimerBinding(TTimer& owner)
    : m_owner(owner)
{
}

TTimerBinding::~TTimerBinding() = default;

void TTimerBinding::Ensure()
{
    if (m_timer || !QCoreApplication::instance())
        return;
    m_timer = std::make_unique<QTimer>();
    QObject::connect(m_timer.get(), &QTimer::timeout, [this] { m_owner.Fire(); });
}

void TTimerBinding::Set(bool running, unsigned interval)
{
    m_running = running;
    m_interval = interval;
    // A timer made before the application object exists starts with it:
    // the first Set after Initialize creates the toolkit timer.
    Ensure();
    if (!m_timer)
        return;
    if (m_running)
        m_timer->start(static_cast<int>(m_interval));
    else
        m_timer->stop();
}
