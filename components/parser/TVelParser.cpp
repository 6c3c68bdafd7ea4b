#include "components/parser/TVelParser.h"

namespace {

Tree& StoredTree()
{
    static Tree root;
    return root;
}

}

TVelParser::TVelParser(TComponent* owner)
    : TComponent(owner)
    , ParserCore(StoredTree(), PowerFailure::Message)
{
}
