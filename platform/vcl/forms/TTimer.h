#pragma once
// A timer: OnTimer runs every Interval milliseconds while Enabled, from the
// message loop of the user-interface thread.
#include "platform/rtl/TComponent.h"
#include <memory>

class TTimerBinding;

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    unsigned Interval() const { return m_interval; }
    void SetInterval(unsigned interval);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    TNotifyEvent OnTimer;

    void Fire();

private:
    void Update();

    unsigned m_interval { 1000 };
    bool m_enabled { true };
    std::unique_ptr<TTimerBinding> m_binding;
};
