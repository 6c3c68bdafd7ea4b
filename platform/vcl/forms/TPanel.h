#pragma once
// A plain container with an optional bevel.
#include "platform/vcl/forms/TWinControl.h"

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* owner);
    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut bevel);
    TBevelCut BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TBevelCut bevel);

protected:
    void ReplayState() override;

private:
    TBevelCut m_bevelOuter { bvRaised };
    TBevelCut m_bevelInner { bvNone };
};
