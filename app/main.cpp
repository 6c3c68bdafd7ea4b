// The copier.
#include "app/CopierMain.h"

int main(int argc, char** argv)
{
    return RunCopier(argc, argv);
}
