#pragma once
// One node of an expression tree: an operator with its two operands, or a
// leaf holding an operand text (a number, a variable, a constant or a
// function code). For "#" the left operand holds the function code and the
// right operand the argument.
#include "platform/rtl/AnsiString.h"
#include <cstdint>
#include <memory>

struct Tree {
    AnsiString Text;
    std::unique_ptr<Tree> Right;
    std::unique_ptr<Tree> Left;

    Tree() = default;
    explicit Tree(AnsiString text) : Text(std::move(text)) { }
    Tree(Tree&&) = default;
    Tree& operator=(Tree&&) = default;
    // Dismantles the subtree without recursion, so a deep tree cannot
    // exhaust the stack when it goes.
    ~Tree();

    bool IsLeaf() const { return !Right && !Left; }

    // The value of a number or constant leaf, kept by the evaluator for the
    // decimal-mark setting it was read under (0: nothing kept).
    mutable uint16_t CachedFor { 0 };
    mutable long double CachedValue { 0 };
};
