#pragma once
// The automation object a browser hands out for its document. Asking it for
// a document interface is a dynamic cast of the shared pointer; a null result
// means the object does not support that interface.
#include <memory>

class IDispatch {
public:
    virtual ~IDispatch() = default;
};

template<typename Interface>
std::shared_ptr<Interface> QueryInterface(const std::shared_ptr<IDispatch>& object)
{
    return std::dynamic_pointer_cast<Interface>(object);
}
