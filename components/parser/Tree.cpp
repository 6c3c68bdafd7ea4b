#include "components/parser/Tree.h"
#include <vector>

Tree::~Tree()
{
    if (IsLeaf())
        return;
    std::vector<std::unique_ptr<Tree>> pending;
    if (Right)
        pending.push_back(std::move(Right));
    if (Left)
        pending.push_back(std::move(Left));
    while (!pending.empty()) {
        std::unique_ptr<Tree> node = std::move(pending.back());
        pending.pop_back();
        if (node->Right)
            pending.push_back(std::move(node->Right));
        if (node->Left)
            pending.push_back(std::move(node->Left));
        // node is childless now; its own destructor returns at once.
    }
}
