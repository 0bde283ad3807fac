#include "ProgramMain.h"

int main(int argc, char** argv)
{
    return runUpgradeUtility(argc, argv);
}
