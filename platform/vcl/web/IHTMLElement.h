#pragma once
// One element of a loaded document. Texts are wide strings.
#include "platform/vcl/web/IDispatch.h"
#include "platform/vcl/web/WideString.h"

class IHTMLElement : public IDispatch {
public:
    // The tag name in upper case ("BODY").
    virtual WideString tagName() const = 0;
    // The element's content as it renders: no script or style text, line
    // breaks for <br> and block elements, tabs between table cells.
    virtual WideString innerText() const = 0;
    // The element's content as markup: upper-case tag names, attribute names
    // as written, attribute values in double quotes, in document order.
    virtual WideString innerHTML() const = 0;
    virtual WideString outerHTML() const = 0;
};
