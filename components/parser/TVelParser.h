#pragma once
// TVelParser: a non-visual component that turns a formula in x (with the
// further variables a to d and the constants pi and e) into a tree and
// evaluates it in extended precision.
//
//   parser.SetExpression("sin(x)^2 + 3*x");
//   if (parser.CreateTree()) { parser.SetX("1.5"); long double y = parser.Evaluate(); }
//
// All instances share one stored tree: CreateTree on any instance replaces
// the tree that every instance evaluates.
#include "components/parser/ParserCore.h"
#include "platform/rtl/TComponent.h"

class TVelParser : public TComponent, public ParserCore {
public:
    explicit TVelParser(TComponent* owner = nullptr);

    using ParserCore::IsLongDouble;
};
