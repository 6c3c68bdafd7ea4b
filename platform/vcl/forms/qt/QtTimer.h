#pragma once
// The toolkit timer behind a TTimer.
#include <memory>

class TTimer;
class QTimer;

class TTimerBinding {
public:
    explicit TTimerBinding(TTimer& owner);
    ~TTimerBinding();
    void Set(bool running, unsigned interval);

private:
    void Ensure();

    TTimer& m_owner;
    std::unique_ptr<QTimer> m_timer;
    bool m_running { false };
    unsigned m_interval { 0 };
};
