#pragma once
// Ownership: a component created with an owner is destroyed by that owner
// (last created first). A component destroyed earlier removes itself from its
// owner's list, so nothing is freed twice.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/TObject.h"
#include <functional>
#include <vector>

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;

    TComponent* Owner() const { return m_owner; }
    const AnsiString& Name() const { return m_name; }
    void SetName(const AnsiString& name) { m_name = name; }
    int ComponentCount() const { return static_cast<int>(m_components.size()); }
    TComponent* Components(int index) const;

protected:
    // Destroys the owned components now (a form does this before its widgets go).
    void DestroyComponents();

private:
    TComponent* m_owner { nullptr };
    AnsiString m_name;
    std::vector<TComponent*> m_components;
};

using TNotifyEvent = std::function<void(TObject* sender)>;
