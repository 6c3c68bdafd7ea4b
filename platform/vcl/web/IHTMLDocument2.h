#pragma once
// A loaded document. Texts are wide strings.
#include "platform/vcl/web/IHTMLElement.h"
#include <memory>

class IHTMLDocument2 : public IDispatch {
public:
    // The text of the first <title>, with white space collapsed and trimmed.
    virtual WideString title() const = 0;
    // The <body> (or <frameset>) element; null when the document has none.
    virtual std::shared_ptr<IHTMLElement> body() const = 0;
    virtual WideString URL() const = 0;
    // The character set the document was decoded from ("utf-8", "windows-1252").
    virtual WideString charset() const = 0;
};
