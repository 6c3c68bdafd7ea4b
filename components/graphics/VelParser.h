#pragma once
// The plotter's own formula parser: the engine of the parser component in a
// plain class, with a stored tree of its own shared by all plotters. A power
// computation that fails raises the platform's arithmetic error itself; the
// plotter treats every error of a sample alike.
#include "components/parser/ParserCore.h"

class VelParser : public ParserCore {
public:
    VelParser();

    using ParserCore::ReleaseTree;
};
