#include "platform/rtl/TComponent.h"
#include "platform/rtl/Exceptions.h"
#include <algorithm>

TComponent::TComponent(TComponent* owner)
    : m_owner(owner)
{
    if (m_owner)
        m_owner->m_components.push_back(this);
}

TComponent::~TComponent()
{
    DestroyComponents();
    if (m_owner) {
        auto& siblings = m_owner->m_components;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        throw EListError::IndexOutOfBounds(index);
    return m_components[static_cast<size_t>(index)];
}

void TComponent::DestroyComponents()
{
    while (!m_components.empty()) {
        TComponent* last = m_components.back();
        delete last;  // its destructor removes it from m_components
    }
}
