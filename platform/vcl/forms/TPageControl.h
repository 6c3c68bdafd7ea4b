#pragma once
// Pages on top of each other; one is shown. Its tab sheets are its children.
#include "platform/vcl/forms/TWinControl.h"

class TTabSheet;

class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);
    int PageCount() const;
    TTabSheet* Pages(int index) const;
    int ActivePageIndex() const { return m_activePageIndex; }
    void SetActivePageIndex(int index);

protected:
    void ReplayState() override;

private:
    int m_activePageIndex { 0 };
};

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    TPageControl* PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }
    void SetPageControl(TPageControl* pageControl) { SetParent(pageControl); }
};
