#include "components/graphics/VelParser.h"

namespace {

Tree& StoredTree()
{
    static Tree root;
    return root;
}

}

VelParser::VelParser()
    : ParserCore(StoredTree(), PowerFailure::ArithmeticError)
{
}
