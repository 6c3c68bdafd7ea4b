#include "platform/vcl/forms/TPageControl.h"
#include "platform/rtl/Exceptions.h"

TPageControl::TPageControl(TComponent* owner)
    : TWinControl(owner)
{
}

int TPageControl::PageCount() const
{
    int count = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (dynamic_cast<TTabSheet*>(Controls(i)))
            ++count;
    return count;
}

TTabSheet* TPageControl::Pages(int index) const
{
    int seen = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* sheet = dynamic_cast<TTabSheet*>(Controls(i)); sheet && seen++ == index)
            return sheet;
    throw EListError::IndexOutOfBounds(index);
}

void TPageControl::SetActivePageIndex(int index)
{
    if (index < -1 || index >= PageCount() || m_activePageIndex == index)
        return;
    m_activePageIndex = index;
    if (m_binding)
        m_binding->SetActivePage(m_activePageIndex);
}

void TPageControl::ReplayState()
{
    TWinControl::ReplayState();
    // The pages are created after us; the binding selects once they exist.
    m_binding->SetActivePage(m_activePageIndex);
}

TTabSheet::TTabSheet(TComponent* owner)
    : TWinControl(owner)
{
}
